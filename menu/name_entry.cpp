#include "menu/name_entry.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/replay_files.h"
#include "menu/menu_state.h"
#include "platform/actions.h"
#include "platform/keyboard.h"
#include "render/font.h"

namespace zolvane {

const char NamePickLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789.-!?'";

namespace {
constexpr char Enter = 13;
constexpr char Backspace = 8;
// Ends a name in highscores.dat: stored, it would cut the name and spoil the score.
constexpr char NameEnd = static_cast<char>(255);

// The row the open entry types into; none when no entry is open.
HighScoreEntry* EntryRow() {
  const int32_t type = Game.GameType, rank = Game.ScorePosition;
  if (!Menu.NameEntryActive || !IsGameType(type) || rank < 1 || rank > 10) return nullptr;
  return &HighScores[type][rank];
}

bool Blank(const std::string& name) { return name.find_first_not_of(' ') == std::string::npos; }

bool ValidKey(int key) { return key > 0 && key < 256; }

constexpr int32_t PickRepeatDelay = 400;  // ms a held Up or Down waits before it repeats
constexpr int32_t PickRepeatRate = 90;    // ms between the repeats

// The cursor shows at once what the pad did.
void ShowCursor() {
  Menu.CursorShown = true;
  Menu.CursorBlinkTimer = 300;
}

void Pick(int by) {
  const int count = static_cast<int>(std::strlen(NamePickLetters));
  const char* at = std::strchr(NamePickLetters, Menu.NameEntryPick);
  const int i = at && *at ? static_cast<int>(at - NamePickLetters) : 0;
  Menu.NameEntryPick = NamePickLetters[(i + by + count) % count];
  ShowCursor();
}

// Back goes back a place: the letter taken away is under the cursor again.
void PickBack(const std::string& name) {
  if (!name.empty()) {
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(name.back())));
    if (last && std::strchr(NamePickLetters, last)) Menu.NameEntryPick = last;
  }
  NameEntryKey(Backspace);
  ShowCursor();
}

// Up and Down act on the press, then repeat while held.
void PickHeld(bool up, bool down, ActionSet pressed) {
  if (Holds(pressed, Action::Turn) || Holds(pressed, Action::SoftDrop)) {
    Pick(Holds(pressed, Action::Turn) ? +1 : -1);
    Menu.NameEntryPickTimer = PickRepeatDelay;
  } else if (up != down) {
    Menu.NameEntryPickTimer -= Delta();
    if (Menu.NameEntryPickTimer <= 0) {
      Pick(up ? +1 : -1);
      Menu.NameEntryPickTimer = PickRepeatRate;
    }
  }
}

// Characters the font does not show go with the visible one before them, so a Backspace
// always takes away something the player can see.
void EraseLast(std::string& name) {
  while (!name.empty() && !FontDraws(name.back())) name.pop_back();
  if (!name.empty()) name.pop_back();
}
}  // namespace

bool OpenNameEntry(int32_t gameType, int32_t rank, int32_t score) {
  Menu.NameEntryHeldKeys.reset();
  Menu.NameEntryTextKey = 0;
  Menu.NameEntryPick = NamePickLetters[0];
  Menu.NameEntryPadHeld = Menu.NameEntryPadLast = 0;
  if (!InsertHighScore(gameType, rank, score)) return false;
  // A fresh snapshot: during the fade to black the game polled no keys.
  if (KeyboardReady && ReadKeyboard())
    for (int key = 1; key < 256; ++key)
      if (IsKeyDown(key)) Menu.NameEntryHeldKeys.set(static_cast<size_t>(key));
  ReadPad();
  Menu.NameEntryPadHeld = PadState;
  return true;
}

bool NameEntryKeyDown(int key, bool repeated) {
  Menu.NameEntryTextKey = ValidKey(key) ? key : 0;
  if (!ValidKey(key)) return true;
  if (!repeated) Menu.NameEntryHeldKeys.reset(static_cast<size_t>(key));
  return !Menu.NameEntryHeldKeys.test(static_cast<size_t>(key));
}

void NameEntryKeyUp(int key) {
  if (ValidKey(key)) Menu.NameEntryHeldKeys.reset(static_cast<size_t>(key));
}

void NameEntryPadStep() {
  HighScoreEntry* row = EntryRow();
  // A fade owns the keys: the pad was not read.
  if (!row || Loop.TransitionActive) return;
  Menu.NameEntryPadHeld &= PadState;  // released: it acts when next pressed
  const ActionSet live = PadMenuActions(PadState & ~Menu.NameEntryPadHeld);
  const ActionSet pressed = live & ~Menu.NameEntryPadLast;
  Menu.NameEntryPadLast = live;

  PickHeld(Holds(live, Action::Turn), Holds(live, Action::SoftDrop), pressed);
  if (Holds(pressed, Action::Confirm) || Holds(pressed, Action::Right)) {
    NameEntryKey(Menu.NameEntryPick);
    ShowCursor();
  }
  if (Holds(pressed, Action::Back) || Holds(pressed, Action::Left)) PickBack(row->Name);
  if (Holds(pressed, Action::Pause)) FinishNameEntry();
}

void FinishNameEntry() {
  if (HighScoreEntry* row = EntryRow()) {
    if (Blank(row->Name)) row->Name = "Anonymous";
    if (const std::string problem = KeepRankedGame(Game.GameType, Game.ScorePosition);
        !problem.empty())
      std::fprintf(stderr, "Zolvane: the game's replay could not be kept: %s\n", problem.c_str());
  }
  Menu.NameEntryActive = false;
  // The press is used up: still held, it must not act on the table now shown.
  Keys.KeyEnter = false;
  Keys.KeyEnterHeld = true;
}

void NameEntryKey(char c) {
  HighScoreEntry* row = EntryRow();
  if (!row) return;
  std::string& name = row->Name;
  if (c == Enter)
    FinishNameEntry();
  else if (c == Backspace)
    EraseLast(name);
  else if (c != NameEnd && name.size() < MaxNameLength)
    name.push_back(c);
}

// The table keeps one byte a character. Latin-1 fits a byte (the font shows only its ASCII
// part); ÿ is byte 255, which would end the name in the file.
void NameEntryText(std::string_view utf8) {
  if (Menu.NameEntryHeldKeys.test(static_cast<size_t>(Menu.NameEntryTextKey))) return;
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
