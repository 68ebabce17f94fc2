#include "menu/name_entry.h"

#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "menu/menu_state.h"
#include "render/font.h"

namespace zolvane {

namespace {
constexpr char Enter = 13;
constexpr char Backspace = 8;
// Ends a name in highscores.dat: stored, it would cut the name and spoil the score.
constexpr char NameEnd = static_cast<char>(255);

void FinishName(std::string& name) {
  if (name.empty()) name = "Anonymous";
  Menu.NameEntryActive = false;
  Keys.KeyEnter = false;
}

// Characters the font does not show go with the visible one before them, so a Backspace
// always takes away something the player can see.
void EraseLast(std::string& name) {
  while (!name.empty() && !FontDraws(name.back())) name.pop_back();
  if (!name.empty()) name.pop_back();
}
}  // namespace

void NameEntryKey(char c) {
  const int32_t type = Game.GameType, rank = Game.ScorePosition;
  if (!Menu.NameEntryActive || !IsGameType(type) || rank < 1 || rank > 10) return;
  std::string& name = HighScores[type][rank].Name;
  if (c == Enter)
    FinishName(name);
  else if (c == Backspace)
    EraseLast(name);
  else if (c != NameEnd && name.size() < MaxNameLength)
    name.push_back(c);
}

// The table keeps one byte a character. Latin-1 fits a byte (the font shows only its ASCII
// part); ÿ is byte 255, which would end the name in the file.
void NameEntryText(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    uint32_t cp = extra ? lead & (0x3Fu >> extra) : lead;
    const bool stray = lead >= 0x80 && lead < 0xC0;
    for (; extra > 0 && i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;
         --extra, ++i)
      cp = cp << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
    if (!stray && extra == 0 && cp >= 32 && cp != 127 && (cp < 0x80 || cp >= 0xA0) && cp < 0xFF)
      NameEntryKey(static_cast<char>(cp));
  }
}

}  // namespace zolvane
