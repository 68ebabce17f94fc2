#include "render/game_layer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "game/figure_shapes.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/scene_objects.h"
#include "platform/math3d.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/font.h"
#include "render/game_info.h"
#include "render/game_screen.h"
#include "render/scene_drawing.h"
#include "render/scene_setup.h"

namespace zolvane {

bool GameLayerEnabled = true;
bool GameLayerInPart = true;
int64_t GameLayerBuilds = 0;
int64_t GameLayerUpdates = 0;

namespace {

bool Built = false;
GameLayerKey BuiltKey;

// Rectangles this close are drawn as one; past this many passes, one pass over them all;
// past this share of the picture, the layer drawn whole.
constexpr int JoinPixels = 24;
constexpr size_t MostPasses = 4;
constexpr double MostShare = 0.6;

void PutPicture(std::vector<uintptr_t>& out, const Texture* t) {
  out.push_back(reinterpret_cast<uintptr_t>(t));
  out.push_back(t ? t->Version : 0);
}

// The next figure comes after the falling one in a full frame, but never meets it: the
// falling figure is in the well whenever the layer is used.
void DrawNextInLayer() {
  if (!Game.GameOver && Game.NextFigure) DrawFigure(*Game.NextFigure);
}

// The static part in DrawGame's order, the falling figure left out.
void BuildLayer(Device* d) {
  ClearPicture(d);
  DrawBackground(Game.GameType);
  DrawGameInfo();
  DrawNextInLayer();
  DrawGlassFrame();
  DrawWell([](int position) { return !TurningBrickAt(position); });
  ++GameLayerBuilds;
}

// Where the layer's things land in the picture.
class Screen : public ScreenBounds {
 public:
  using ScreenBounds::ScreenBounds;

  bool Brick(const GameLayerCell& cell, D3DRECT& out) const {
    D3DMATRIX world;
    std::memcpy(&world, cell.World, sizeof world);
    return ScreenBounds::Brick(world, out);
  }

  // A line's glyphs are quads one font image high about the baseline's height.
  bool Text(const GameInfoLine& line, D3DRECT& out) const {
    D3DMATRIX world;
    SetIdentityMatrix(world);
    const float half = line.Size * static_cast<float>(FontImageHeight) / 300.0f / 2;
    return Cover(world, MakeVector(line.X, line.Y - half, 0),
                 MakeVector(line.X + FontTextWidth(line.Size, line.Text), line.Y + half, 0), out);
  }
};

bool Meet(const D3DRECT& a, const D3DRECT& b, int gap) { return RectsMeet(a, b, gap); }

D3DRECT Join(const D3DRECT& a, const D3DRECT& b) {
  return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

// Rectangles that meet or nearly meet become one, until none do.
void JoinNear(std::vector<D3DRECT>& rects) {
  for (bool joined = true; joined;) {
    joined = false;
    for (size_t i = 0; i < rects.size() && !joined; ++i)
      for (size_t j = i + 1; j < rects.size() && !joined; ++j)
        if (Meet(rects[i], rects[j], JoinPixels)) {
          rects[i] = Join(rects[i], rects[j]);
          rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
          joined = true;
        }
  }
}

// The update's passes in the picture: clipped to it, empty ones dropped.
GameLayerChange Settle(std::vector<D3DRECT> rects, int width, int height) {
  GameLayerChange change;
  JoinNear(rects);
  // Too many passes: the two that join with the least area added become one.
  auto area = [](const D3DRECT& r) { return static_cast<double>(r.x2 - r.x1) * (r.y2 - r.y1); };
  while (rects.size() > MostPasses) {
    size_t a = 0, b = 1;
    double least = std::numeric_limits<double>::max();
    for (size_t i = 0; i < rects.size(); ++i)
      for (size_t j = i + 1; j < rects.size(); ++j) {
        const double added = area(Join(rects[i], rects[j])) - area(rects[i]) - area(rects[j]);
        if (added < least) {
          least = added;
          a = i;
          b = j;
        }
      }
    rects[a] = Join(rects[a], rects[b]);
    rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(b));
    JoinNear(rects);
  }
  double covered = 0;
  for (D3DRECT r : rects) {
    r = {std::clamp(r.x1, 0, width), std::clamp(r.y1, 0, height), std::clamp(r.x2, 0, width),
         std::clamp(r.y2, 0, height)};
    if (r.x2 <= r.x1 || r.y2 <= r.y1) continue;
    covered += area(r);
    change.Rects.push_back(r);
  }
  if (covered > MostShare * width * height) change = {true, {}};
  return change;
}

// The layer drawn again inside Rect: the whole static part in its order, less the lines
// and bricks that miss the rectangle. Drawing them would change no pixel inside it.
void DrawLayerWithin(Device* d, const D3DRECT& rect, const GameLayerKey& key,
                     const Screen& screen) {
  ClearPicture(d);
  DrawBackground(Game.GameType);
  std::vector<bool> lines(key.Texts.size());
  for (size_t i = 0; i < key.Texts.size(); ++i) {
    D3DRECT r;
    lines[i] = !screen.Text(key.Texts[i], r) || Meet(r, rect, 0);
  }
  DrawGameInfo(key.Texts, &lines);
  bool next = false;
  for (const GameLayerCell& cell : key.Next) {
    D3DRECT r;
    next = next || (cell.Colour && (!screen.Brick(cell, r) || Meet(r, rect, 0)));
  }
  if (next) DrawNextInLayer();
  DrawGlassFrame();
  DrawWell([&](int position) {
    D3DRECT r;
    const size_t at = static_cast<size_t>(position);
    if (at >= key.Well.size()) return !TurningBrickAt(position);
    const GameLayerCell& cell = key.Well[at];
    return cell.Colour && (!screen.Brick(cell, r) || Meet(r, rect, 0));
  });
  ++GameLayerUpdates;
}

}  // namespace

GameLayerKey CurrentGameLayerKey() {
  GameLayerKey key;
  key.Dev = D3D.FD3DDevice;
  key.GameType = Game.GameType;
  key.BrickQuality = Config.BrickQuality;
  key.Texts = GameInfoLines();
  key.Well.resize(WellRows * WellColumns);
  int at = 0;
  for (const auto& row : Game.Well)
    for (const WellCell& cell : row) {
      const bool turning = TurningBrickAt(at);
      GameLayerCell& out = key.Well[static_cast<size_t>(at++)];
      if (cell.Empty || !cell.Brick || turning) continue;
      out.Colour = static_cast<uint32_t>(cell.Brick->Colour) | 0x80000000u;
      std::memcpy(out.World, &cell.Brick->World, sizeof out.World);
    }
  key.Next.resize(16);
  const TFigure* next = Game.NextFigure;
  if (!Game.GameOver && next && next->Colour >= 1 && next->Colour <= 7 && next->Rotation >= 1 &&
      next->Rotation <= 4)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        if (!ShapeCell(next->Colour, next->Rotation, i, j)) continue;
        GameLayerCell& out = key.Next[static_cast<size_t>(i * 4 + j)];
        out.Colour = static_cast<uint32_t>(next->Colour) | 0x80000000u;
        const D3DMATRIX world = FigureCellWorld(*next, i, j);
        std::memcpy(out.World, &world, sizeof out.World);
      }
  PutPicture(key.Pictures, IsGameType(Game.GameType) ? BackgroundTextures[Game.GameType] : nullptr);
  for (int colour = 1; colour <= BrickColourCount; ++colour)
    PutPicture(key.Pictures, BrickTextures[colour]);
  return key;
}

// Every rule of what a change draws again: the game type, the brick quality, the device
// and the pictures reach everywhere; a line of text reaches its old and its new extent; a
// well position or a cell of the next figure reaches its old and its new brick.
GameLayerChange GameLayerChanges(const GameLayerKey& built, const GameLayerKey& now, int width,
                                 int height) {
  if (built.Dev != now.Dev || built.GameType != now.GameType ||
      built.BrickQuality != now.BrickQuality || built.Pictures != now.Pictures ||
      built.Well.size() != now.Well.size() || width <= 0 || height <= 0)
    return {true, {}};
  const Screen screen(width, height);
  std::vector<D3DRECT> rects;
  auto add = [&](bool known, const D3DRECT& r) {
    if (!known) return false;
    rects.push_back(r);
    return true;
  };
  D3DRECT r;
  const size_t lines = std::max(built.Texts.size(), now.Texts.size());
  for (size_t i = 0; i < lines; ++i) {
    const GameInfoLine* old = i < built.Texts.size() ? &built.Texts[i] : nullptr;
    const GameInfoLine* line = i < now.Texts.size() ? &now.Texts[i] : nullptr;
    if (old && line && *old == *line) continue;
    if (old && !add(screen.Text(*old, r), r)) return {true, {}};
    if (line && !add(screen.Text(*line, r), r)) return {true, {}};
  }
  auto cells = [&](const std::vector<GameLayerCell>& was, const std::vector<GameLayerCell>& is) {
    for (size_t i = 0; i < std::max(was.size(), is.size()); ++i) {
      const GameLayerCell old = i < was.size() ? was[i] : GameLayerCell{};
      const GameLayerCell cell = i < is.size() ? is[i] : GameLayerCell{};
      if (old == cell) continue;
      if (old.Colour && !add(screen.Brick(old, r), r)) return false;
      if (cell.Colour && !add(screen.Brick(cell, r), r)) return false;
    }
    return true;
  };
  if (!cells(built.Well, now.Well) || !cells(built.Next, now.Next)) return {true, {}};
  return Settle(std::move(rects), width, height);
}

void ForgetGameLayer() { Built = false; }

bool GameLayerFits() {
  const TFigure* f = Game.FallingFigure;
  if (Game.GameOver || !f) return true;
  // The rails lie above row 20 and beside columns 1 and 10: a brick reaches half its
  // side past its centre, half its diagonal while it turns.
  const float reach = f->Turning ? 0.71f : 0.5f;
  if (f->Colour < 1 || f->Colour > 7 || f->Rotation < 1 || f->Rotation > 4) return true;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (!ShapeCell(f->Colour, f->Rotation, i, j)) continue;
      const D3DMATRIX world = FigureCellWorld(*f, i, j);
      const float x = world(4, 1), y = world(4, 2);
      if (x < 1 || x > WellColumns || y > WellRows + 0.5f - reach) return false;
    }
  return true;
}

bool GameLayerCoversFrame() {
  return D3D.FD3DDevice && GameLayerEnabled && Built && BuiltKey.Dev == D3D.FD3DDevice &&
         GameLayerFits();
}

namespace {

// The layer drawn again where the key changed; false when the device cannot, and the
// caller draws it whole.
bool UpdateLayer(Device* d, const GameLayerKey& key) {
  D3DVIEWPORT8 viewport{};
  if (d->GetViewport(&viewport) != D3D_OK) return false;
  const int width = static_cast<int>(viewport.Width), height = static_cast<int>(viewport.Height);
  const GameLayerChange change = GameLayerChanges(BuiltKey, key, width, height);
  if (change.Whole) return false;
  const Screen screen(width, height);
  for (const D3DRECT& rect : change.Rects) {
    if (d->UpdateStaticLayer(rect) != D3D_OK) return false;
    DrawLayerWithin(d, rect, key, screen);
    if (d->EndStaticLayer() != D3D_OK) return false;
  }
  return true;
}

}  // namespace

bool DrawStaticPartFromLayer() {
  Device* d = D3D.FD3DDevice;
  if (!d || !GameLayerEnabled || !GameLayerFits()) return false;
  GameLayerKey key = CurrentGameLayerKey();
  bool current = Built && key == BuiltKey;
  if (Built && !current && GameLayerInPart && UpdateLayer(d, key)) {
    BuiltKey = key;
    current = true;
  }
  const bool copied = current && d->DrawStaticLayer() == D3D_OK;
  if (!copied) {
    // Not built, changed too much, or lost with the device's picture size: draw it again.
    Built = false;
    if (d->BeginStaticLayer() != D3D_OK) return false;
    BuildLayer(d);
    if (d->EndStaticLayer() != D3D_OK || d->DrawStaticLayer() != D3D_OK) return false;
    Built = true;
    BuiltKey = std::move(key);
  }
  LeaveTextStates();
  return true;
}

}  // namespace zolvane
