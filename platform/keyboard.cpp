#include "platform/keyboard.h"

#include <cstring>

namespace zolvane {

uint8_t KeyboardState[256] = {};
bool KeyboardReady = false;

namespace {
KeyboardSource* Source = nullptr;
}

bool ManualKeyboard::Read(uint8_t state[256]) {
  if (Fail) return false;
  std::memcpy(state, Keys, 256);
  return true;
}

void ManualKeyboard::ReleaseAll() { std::memset(Keys, 0, sizeof Keys); }

void SetKeyboardSource(KeyboardSource* source) { Source = source; }
KeyboardSource* GetKeyboardSource() { return Source; }

bool ReadKeyboard() {
  if (!Source) return false;
  uint8_t state[256];
  if (!Source->Read(state)) return false;
  std::memcpy(KeyboardState, state, 256);
  return true;
}

bool IsKeyDown(int code) {
  return code >= 0 && code < 256 && (KeyboardState[code] & 0x80) != 0;
}

}  // namespace zolvane
