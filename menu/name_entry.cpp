#include "menu/name_entry.h"

#include "game/game_state.h"
#include "game/keys.h"
#include "menu/font.h"
#include "menu/high_scores.h"
#include "menu/menu_state.h"

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
  if (!Menu.NameEntryActive || type < 1 || type > 4 || rank < 1 || rank > 10) return;
  std::string& name = HighScores[type][rank].Name;
  if (c == Enter)
    FinishName(name);
  else if (c == Backspace)
    EraseLast(name);
  else if (c != NameEnd && name.size() < MaxNameLength)
    name.push_back(c);
}

}  // namespace zolvane
