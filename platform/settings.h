// The player's settings and the fixed display options, as read from config.ini. The rules
// read them; the configuration code in app/ fills and saves them.
#pragma once
#include <cstdint>

namespace zolvane {

struct GameSettings {
  // [Options], read only; FullScreen also follows F11 (which writes it back alone).
  bool FullScreen = false;
  int32_t DisplayWidth = 0;  // 0: the desktop's size
  int32_t DisplayHeight = 0;
  float RotationSpeed = 0.75f;  // degrees per millisecond of a turning figure
  int32_t KeyRepeatDelay = 340; // ms before Left/Right repeat
  int32_t MaxFps = 0;           // 0 the display's rate, N at most N frames a second, -1 no limit
  // [Settings], read at start-up and written at shutdown.
  int32_t MusicVolume = 0;  // 0..MaxVolume
  int32_t SoundVolume = 0;
  bool RotateClockwise = true;
  uint8_t BrickQuality = 1;  // 0 low, 1 medium, 2 high: the model slot of the brick
  int32_t MusicNumber = 0;
};

extern GameSettings Config;

constexpr int32_t MaxVolume = 9;

}  // namespace zolvane
