#include "game/keys.h"

#include "platform/keyboard.h"
#include "platform/settings.h"

namespace zolvane {

KeyFlags Keys;

namespace {
void Edge(bool down, bool& flag, int32_t& timer, int32_t start) {
  if (!down) {
    flag = false;
  } else if (!flag) {
    flag = true;
    timer = start;
  }
}


bool CanPoll() { return KeyboardReady && ReadKeyboard(); }

void PollArrowsAndEscape() {
  Edge(IsKeyDown(DIK_UP), Keys.KeyUp, Keys.UpRepeatTimer, UpRepeatStart);
  Edge(IsKeyDown(DIK_DOWN), Keys.KeyDown, Keys.DownRepeatTimer, DownRepeatStart);
  Edge(IsKeyDown(DIK_LEFT), Keys.KeyLeft, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(IsKeyDown(DIK_RIGHT), Keys.KeyRight, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(IsKeyDown(DIK_ESCAPE), Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart);
}
}  // namespace

void PollMenuKeys() {
  if (!CanPoll()) return;
  PollArrowsAndEscape();
  // In the menus Space and Enter are one key; the menu clears KeyEnter when it acts, and
  // KeyEnterHeld keeps a held key from acting twice.
  if (IsKeyDown(DIK_SPACE) || IsKeyDown(DIK_RETURN)) {
    if (!Keys.KeyEnter && !Keys.KeyEnterHeld) Keys.KeyEnter = Keys.KeyEnterHeld = true;
  } else {
    Keys.KeyEnter = Keys.KeyEnterHeld = false;
  }
}

void PollGameKeys() {
  if (!CanPoll()) return;
  PollArrowsAndEscape();
  Edge(IsKeyDown(DIK_SPACE), Keys.KeySpace, Keys.DownRepeatTimer, DownRepeatStart);
  Keys.KeyEnter = IsKeyDown(DIK_RETURN);  // no timer: the flag is the key's state
  Edge(IsKeyDown(DIK_LCONTROL) || IsKeyDown(DIK_RCONTROL), Keys.KeyCtrl, Keys.DownRepeatTimer,
       DownRepeatStart);
  Edge(IsKeyDown(DIK_P) || IsKeyDown(DIK_PAUSE), Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart);
  Keys.KeyYesDown = IsKeyDown(DIK_Y);
  Keys.KeyNoDown = IsKeyDown(DIK_N);
}

}  // namespace zolvane
