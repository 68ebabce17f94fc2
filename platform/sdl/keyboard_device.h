// The keyboard device in DirectInput's terms over SDL: a snapshot source that the game's
// ReadKeyboard (platform/keyboard.h) reads, delivering state only while the window has
// the keyboard focus (DirectInput's foreground, non-exclusive mode).
#pragma once
#include <cstdint>

#include <SDL.h>

#include "platform/keyboard.h"

namespace zolvane {

// True when keyboard state can be had at all (SDL's video started). Closes any earlier one.
bool CreateDirectInput();
// Makes the keyboard device for the window and installs it as the keyboard source.
bool CreateKeyboard(SDL_Window* window);
// Acquire or unacquire; false without a keyboard device.
bool AcquireKeyboard(bool acquire);
// Unacquires and removes the keyboard device and the source; safe to call at any time.
void CloseDirectInput();

// The DirectInput code of an SDL scancode; 0 for keys DirectInput has no code for.
int DikFromScancode(SDL_Scancode scancode);

// The DirectInput code of the key SDL names so (SDL_GetKeyFromName, any case: "K",
// "Left Ctrl", "Keypad 5"); 0 for a key without one, NoSuchKeyName for no key at all. Once
// SDL's video runs, a name is the key that bears it on the player's keyboard layout.
int DikFromKeyName(const char* name);

// Fills a snapshot from an SDL key state array (SDL_GetKeyboardState's layout).
void TranslateKeyboardState(const Uint8* sdlState, int sdlKeys, uint8_t state[256]);

// F11, or Enter (either one) pressed while an Alt is held: the window's own key, which
// switches full screen.
bool IsFullScreenKey(SDL_Scancode scancode, Uint16 modifiers);

// Keeps the window's own key out of the game's snapshots: from its press until it is
// released it reads as up, so Alt+Enter confirms nothing in a menu. An Enter already held
// when Alt comes down stays the game's.
class WindowKeyFilter {
 public:
  // One snapshot, with the modifiers SDL reports at the time it was taken.
  void Apply(uint8_t state[256], Uint16 modifiers);

 private:
  static constexpr int KeyCount = 3;
  bool WasDown[KeyCount] = {}, Withheld[KeyCount] = {};
};

}  // namespace zolvane
