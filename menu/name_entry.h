// Typing a name into the high score table after a ranked game.
#pragma once

namespace zolvane {

constexpr int MaxNameLength = 18;

// One typed character (the window's character input while a name is entered): 13 Enter,
// 8 Backspace, anything else appended.
void NameEntryKey(char c);

}  // namespace zolvane
