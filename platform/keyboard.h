// The keyboard snapshot: 256 bytes indexed by the DirectInput key codes, bit 7 set while a
// key is down. Where the bytes come from is a source the program plugs in (SDL in the
// window, a script in the simulator, a test's array in tests).
#pragma once
#include <cstdint>

namespace zolvane {

constexpr int DIK_ESCAPE = 1;
constexpr int DIK_Y = 21;
constexpr int DIK_P = 25;
constexpr int DIK_RETURN = 28;
constexpr int DIK_LCONTROL = 29;
constexpr int DIK_N = 49;
constexpr int DIK_SPACE = 57;
constexpr int DIK_RCONTROL = 157;
constexpr int DIK_PAUSE = 197;
constexpr int DIK_UP = 200;
constexpr int DIK_LEFT = 203;
constexpr int DIK_RIGHT = 205;
constexpr int DIK_DOWN = 208;

// What a lookup of a key by its name answers for a name that names no key; 0 stands for a
// key that has no code in the snapshot.
constexpr int NoSuchKeyName = -1;

class KeyboardSource {
 public:
  virtual ~KeyboardSource() = default;
  // Fills all 256 bytes; false when no state could be read.
  virtual bool Read(uint8_t state[256]) = 0;
};

// A source holding whatever a test or script puts into it.
class ManualKeyboard : public KeyboardSource {
 public:
  bool Read(uint8_t state[256]) override;
  void Press(int code) { Keys[code] = 0x80; }
  void Release(int code) { Keys[code] = 0; }
  void ReleaseAll();
  bool Fail = false;
  uint8_t Keys[256] = {};
};

extern uint8_t KeyboardState[256];
extern bool KeyboardReady;

// The source ReadKeyboard reads from; none means every read fails.
void SetKeyboardSource(KeyboardSource* source);
KeyboardSource* GetKeyboardSource();
bool ReadKeyboard();
bool IsKeyDown(int code);

}  // namespace zolvane
