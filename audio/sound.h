// Sound effects by index. Without a sound device (AudioEnabled false) every play is
// silent; the game runs the same.
#pragma once
#include <cstdint>
#include <vector>

namespace zolvane {

constexpr int EffectCount = 20;

extern bool AudioEnabled;

// Restart makes a playing effect start again from its beginning.
void PlayEffect(int32_t index, bool restart);

// Sets every effect's volume from Config.SoundVolume (0..9).
void ApplySoundVolume();

// Where the effects asked for are written, in order, for tests and the simulator;
// nullptr (the default) records nothing.
void SetEffectRecorder(std::vector<int32_t>* recorder);

// What actually makes a sound; installed by the audio start-up when a device exists.
class EffectPlayer {
 public:
  virtual ~EffectPlayer() = default;
  virtual void Play(int32_t index, bool restart) = 0;
};
void SetEffectPlayer(EffectPlayer* player);

}  // namespace zolvane
