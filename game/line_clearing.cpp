// Full rows: removed, flown out of the well, scored; the bricks above sink into place.
// Also the level rules, the flying message, the counting score and the running rank.
#include <algorithm>
#include <cmath>
#include <string>

#include "audio/sound.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/rules.h"
#include "platform/math3d.h"

namespace zolvane {

namespace {
constexpr float LiftHeight = 0.49f;      // how far the bricks above a clear jump up
constexpr float FlyingRowSpeed = 0.012f; // toward the camera and down, per ms
constexpr float RowSnap = 0.001f;

bool RowFull(int row) {
  for (int c = 1; c <= WellColumns; ++c)
    if (WellAt(row, c).Empty) return false;
  return true;
}

bool RowFree(int row) {
  for (int c = 1; c <= WellColumns; ++c)
    if (!WellAt(row, c).Empty) return false;
  return true;
}

void MarkRowFree(int row) {
  for (int c = 1; c <= WellColumns; ++c) WellAt(row, c).Empty = true;
}

// First entirely free row above the given one, or the top row.
int FirstFreeRowAbove(int row) {
  for (int r = row + 1; r <= WellRows; ++r)
    if (RowFree(r)) return r;
  return WellRows;
}

bool SlotInUse(int slot) { return Game.FlyingRows[slot][0] != nullptr; }

bool LevelDue() {
  switch (Game.GameType) {
    case Classic:
    case Crazy:
      return Game.Score / 1000 >= Game.Level;
    case Advanced:
      return Game.GameSeconds / 120 >= Game.Level;
    case Special:
      return Game.GameSeconds / 90 >= Game.Level;
    default:
      return false;
  }
}
}  // namespace

void SetMessage(const std::string& text, float x, int32_t size, int32_t bonus) {
  Game.MessageText = text;
  Game.MessageX = x;
  Game.MessageSize = size;
  Game.MessageBonus = bonus;
  Game.MessageAlpha = 150;
  Game.MessageFadeDir = 1;
}

void ClearFullRows() {
  int full[WellRows];
  int count = 0;
  for (int r = 1; r <= WellRows; ++r)
    if (RowFull(r)) full[count++] = r;
  if (count == 0) return;

  if (count <= 2) {
    PlayEffect(Effect::LineDel, true);
  } else {
    Game.PraiseIndex = (Game.PraiseIndex + 1) % 7;
    PlayEffect(Effect::Excellent - Game.PraiseIndex, true);
    PlayEffect(Effect::LineDelLow, true);
    if (count == 3)
      SetMessage("Three Lines Cleared!", -4.9f, 5, 250);
    else
      SetMessage("Four Lines Cleared!", -4.8f, 5, 500);
  }

  // Highest first, so the lower row numbers stay valid.
  for (int k = count - 1; k >= 0; --k) {
    LaunchRow(full[k]);
    RemoveRow(full[k]);
  }

  const int bottom = full[0];
  const int top = FirstFreeRowAbove(bottom);
  for (int r = bottom; r <= top; ++r)
    for (int c = 1; c <= WellColumns; ++c)
      if (!WellAt(r, c).Empty) WellAt(r, c).Brick->World(4, 2) += LiftHeight;

  // A lock completes at most four rows; more only if the well was filled some other way.
  static constexpr int32_t Points[] = {0, 30, 100, 250, 500};
  Game.Score += Points[std::min(count, 4)];
  Game.Lines += count;
}

void LaunchRow(int row) {
  int slot = 0;
  while (slot < FlyingRowSlots && SlotInUse(slot)) ++slot;
  // Every slot still flying: the row goes without its animation.
  if (slot == FlyingRowSlots) return;
  for (int c = 1; c <= WellColumns; ++c) {
    const TBrick& brick = *WellAt(row, c).Brick;
    const bool flipping =
        Game.BrickFlipActive && row == Game.BrickFlipRow && c == Game.BrickFlipColumn;
    const D3DMATRIX& at = flipping ? Game.BrickFlipHome : brick.World;
    Game.FlyingRows[slot][c - 1] = new TBrick(brick.Colour, at(4, 1), at(4, 2), at(4, 3));
  }
}

void RemoveRow(int row) {
  MarkRowFree(row);
  // The brick objects stay where they are; only the contents move down.
  for (int r = row; r < WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      const WellCell& above = WellAt(r + 1, c);
      cell.Empty = above.Empty;
      cell.Brick->Colour = above.Brick->Colour;
    }
  // The top row has been duplicated into the one below it.
  MarkRowFree(FirstFreeRowAbove(row));
}

void MoveFlyingRows() {
  const float step = Delta() * FlyingRowSpeed;
  for (auto& slot : Game.FlyingRows) {
    if (!slot[0]) continue;
    for (TBrick* brick : slot) {
      brick->World(4, 3) -= step;
      brick->World(4, 2) -= step;
    }
    if (slot[0]->World(4, 3) < -10) {
      for (TBrick*& brick : slot) {
        delete brick;
        brick = nullptr;
      }
    }
  }
}

void SettleBricks() {
  const float step = Delta() * Game.BaseFallSpeed;
  for (int r = 1; r <= WellRows; ++r) {
    const float home = static_cast<float>(r);
    for (int c = 1; c <= WellColumns; ++c) {
      const WellCell& cell = WellAt(r, c);
      if (cell.Empty) continue;
      // Sink toward the position's own row, never past it: a big step at a high level,
      // or a second lift before the first one has settled, must still end on the row.
      float& y = cell.Brick->World(4, 2);
      if (y - home > RowSnap) {
        y -= step;
        if (y - home < RowSnap) y = home;
      }
    }
  }
}

void PlayLevelSound() { PlayEffect(Effect::LevelDone + Game.Level % 3, true); }

void CheckLevelUp() {
  if (!LevelDue()) return;
  if (Game.MessageAlpha < 100) PlayLevelSound();
  Game.Level += 1;
  Game.BaseFallSpeed += Game.GameType == Crazy ? 0.0015833333f : 0.00095f;
  SetMessage("Level " + std::to_string(Game.Level), -2.7f, 7, 0);
}

void UpdateScorePosition() {
  if (!IsGameType(Game.GameType) || Game.ScorePosition > 11) return;
  int32_t p = Game.ScorePosition - 1;
  // Equal to an entry stays below it.
  while (p > 0 && TableScore(Game.GameType, p) < Game.Score) {
    Game.ScorePosition = p;
    p -= 1;
  }
}

void UpdateMessageBrightness() {
  if (Game.MessageAlpha >= 0)
    Game.MessageAlpha += static_cast<float>(Game.MessageFadeDir) * MessageFadeRate * Delta();
  else
    Game.MessageFadeDir = 1;
  if (Game.MessageAlpha > 255) {
    Game.MessageFadeDir = -1;
    Game.MessageAlpha = 255;
  }
}

void CountUpShownScore() {
  if (Game.ShownScore >= Game.Score) return;
  const int32_t d = Game.Score - Game.ShownScore;
  Game.ShownScore += d > 100 ? 5 : d > 20 ? 2 : 1;
}

}  // namespace zolvane
