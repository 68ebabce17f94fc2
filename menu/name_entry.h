// Typing a name into the high score table after a ranked game.
#pragma once
#include <cstdint>
#include <string_view>

namespace zolvane {

constexpr int MaxNameLength = 18;

// Opens the entry of a game that ranked: the table gets an empty row at the rank
// (InsertHighScore) for the name. The keys down at this moment (read from the keyboard)
// type nothing until they have come up: Space held while the stack topped out must not
// type spaces. False, opening nothing, when the rank is not in the table.
bool OpenNameEntry(int32_t gameType, int32_t rank, int32_t score);

// A key press the window reports while a name is entered, by DirectInput code (0 for a
// key without one), repeated by the key's auto-repeat or not. The text that follows goes
// with this key. False when the key must not type: it has been down since the entry
// opened. A press that is not a repeat shows that the key came up in between.
bool NameEntryKeyDown(int key, bool repeated);
// A key came up: it types again when next pressed.
void NameEntryKeyUp(int key);

// One typed character (the window's character input while a name is entered): 13 Enter,
// 8 Backspace, anything else appended.
void NameEntryKey(char c);
// Typed text as the window system gives it, UTF-8: each character of Latin-1 goes to
// NameEntryKey as its byte, control characters and anything beyond Latin-1 are dropped.
// Nothing while the last key pressed is one held since the entry opened.
void NameEntryText(std::string_view utf8);

// The letters the pad's picker offers, in order: A to Z, the space, 0 to 9, a few marks.
extern const char NamePickLetters[];
// The picker's step, once a pass while the entry is open: Up and Down change the letter
// under the cursor (held, they repeat), Confirm or Right adds it, Back or Left takes the
// last letter back under the cursor, Pause ends the entry as Enter does. Reads the pad's
// actions of this pass (PadState); actions held since the entry opened wait for their
// release.
void NameEntryPadStep();

// Ends an open entry as Enter does: a name that is empty or only spaces becomes
// "Anonymous". Called by Enter and by the shutdown, so that a window closed while the name
// is typed leaves no empty row in highscores.dat. Nothing when no entry is open.
void FinishNameEntry();

}  // namespace zolvane
