// Typing a name into the high score table after a ranked game.
#pragma once
#include <string_view>

namespace zolvane {

constexpr int MaxNameLength = 18;

// One typed character (the window's character input while a name is entered): 13 Enter,
// 8 Backspace, anything else appended.
void NameEntryKey(char c);
// Typed text as the window system gives it, UTF-8: each character of Latin-1 goes to
// NameEntryKey as its byte, control characters and anything beyond Latin-1 are dropped.
void NameEntryText(std::string_view utf8);

}  // namespace zolvane
