// Pictures of the game screen from the real window, device and start-up: for each game
// type a game in play, rows flying out of the well, the sparks of a fast drop, and the
// three break pictures. The states come from the game's own steps on an injected clock;
// each picture is the back buffer of one RenderFrame, written as PNG.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/bench/screenshot_harness [--out DIR] [--run-dir DIR]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#ifdef ZOLVANE_WITH_ZLIB
#include <zlib.h>

namespace zolvane {
namespace {
// stb's own deflate leaves the pictures half again as large as zlib's best.
unsigned char* ZlibCompress(unsigned char* data, int length, int* outLength, int) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (!out || compress2(out, &size, data, static_cast<uLong>(length), Z_BEST_COMPRESSION) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}
}  // namespace
}  // namespace zolvane
#define STBIW_ZLIB_COMPRESS zolvane::ZlibCompress
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "bench/game_window.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "menu/menu_state.h"
#include "platform/clock.h"
#include "platform/gl/gl_context.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

constexpr uint32_t StepMs = 16;  // about one frame of the idle loop at 60 Hz

ManualClock* Clock = nullptr;

void Steps(int count, uint32_t ms = StepMs) {
  for (int i = 0; i < count; ++i) {
    Clock->Advance(ms);
    GameTick();
  }
}

// A stack as play leaves it: uneven column heights, a few holes, patches of one colour.
// Types 2 and 4 get a garbage row at the bottom.
void HalfFullWell(int32_t type) {
  static const int heights[WellColumns] = {7, 8, 6, 8, 9, 5, 7, 8, 6, 4};
  for (int c = 1; c <= WellColumns; ++c)
    for (int r = 1; r <= heights[c - 1]; ++r) {
      WellCell& cell = WellAt(r, c);
      cell.Empty = (r * 5 + c * 3) % 11 == 0;  // a hole here and there
      cell.Brick->Colour = ((r - 1) / 2 * 3 + (c - 1) / 2 * 5) % 7 + 1;
    }
  if (type == 2 || type == 4)
    for (int c = 1; c <= WellColumns; ++c) {
      WellAt(1, c).Empty = c % 2 == 0;
      WellAt(1, c).Brick->Colour = 8;
    }
}

// A kind and rotation whose grid is one upright column of four cells; its grid column.
bool FindUprightBar(int32_t& kind, int32_t& rotation, int& column) {
  for (int k = 1; k <= 7; ++k)
    for (int rot = 1; rot <= 4; ++rot)
      for (int j = 0; j < 4; ++j) {
        int inColumn = 0, total = 0;
        for (int i = 0; i < 4; ++i)
          for (int jj = 0; jj < 4; ++jj)
            if (ShapeCell(k, rot, i, jj)) {
              ++total;
              if (jj == j) ++inColumn;
            }
        if (total == 4 && inColumn == 4) {
          kind = k, rotation = rot, column = j;
          return true;
        }
      }
  return false;
}

// A kind and rotation whose grid is one flat row of four cells; its grid line.
bool FindFlatBar(int32_t& kind, int32_t& rotation, int& line) {
  for (int k = 1; k <= 7; ++k)
    for (int rot = 1; rot <= 4; ++rot)
      for (int i = 0; i < 4; ++i) {
        int inLine = 0, total = 0;
        for (int ii = 0; ii < 4; ++ii)
          for (int j = 0; j < 4; ++j)
            if (ShapeCell(k, rot, ii, j)) {
              ++total;
              if (ii == i) ++inLine;
            }
        if (total == 4 && inLine == 4) {
          kind = k, rotation = rot, line = i;
          return true;
        }
      }
  return false;
}

// The half-full stack's lower half: a long way down for a dropped figure.
void LowWell(int32_t type) {
  HalfFullWell(type);
  for (int r = 5; r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) WellAt(r, c).Empty = true;
}

void Falling(int32_t type) {
  StartHarnessGame(type);
  HalfFullWell(type);
  Steps(110);  // the new figure grows in and falls a few rows; the preview grows too
}

// Four rows in the middle of the stack completed by an upright bar dropped with Ctrl;
// the picture is taken while the cleared rows fly toward the viewer.
bool RowsFlying(int32_t type) {
  StartHarnessGame(type);
  int32_t kind = 0, rotation = 0;
  int barColumn = 0;
  if (!FindUprightBar(kind, rotation, barColumn)) return false;
  constexpr int Gap = 7, FirstFull = 4, LastFull = 7;
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      if (r < FirstFull)  // under the rows: holes, but none below the bar
        cell.Empty = c != Gap && (r * 3 + c) % 4 == 0;
      else if (r <= LastFull)
        cell.Empty = c == Gap;
      else  // above them: a ragged top that leaves the bar's way free
        cell.Empty = c == Gap || (r * 5 + c) % 3 == 0 || r - LastFull > c % 3;
      cell.Brick->Colour = ((r - 1) / 2 * 3 + (c - 1) / 2 * 5) % 7 + 1;
    }
  Steps(20);  // the first figure grows in
  Game.FallingFigure->ResetFigure(kind, rotation, Gap - barColumn, 19, 0, 1.0f);
  Game.FallSpeed = 0.1f;
  const int32_t lines = Game.Lines;
  for (int i = 0; i < 100 && Game.Lines == lines; ++i) Steps(1);
  if (Game.Lines != lines + 4) return false;
  Steps(5);  // a tenth of a second of flight
  return true;
}

// A flat bar dropped with Ctrl over a low stack, caught just before it lands, its trail of
// sparks behind it.
void SparkTrail(int32_t type) {
  StartHarnessGame(type);
  LowWell(type);
  Steps(20);
  int32_t kind = 0, rotation = 0;
  int row = 0;
  if (FindFlatBar(kind, rotation, row))
    Game.FallingFigure->ResetFigure(kind, rotation, 3, 20 + row, 0, 1.0f);
  Game.FallSpeed = 0.1f;
  // Steps of 40 ms, a slow frame: beyond 35 ms every column of the figure sheds a spark
  // in every step.
  for (int i = 0; i < 40 && Game.FallingFigure->Y - static_cast<float>(row) > 7.5f; ++i)
    Steps(1, 40);
}

void Break(int32_t type, bool gameOver, bool paused, bool abortQuery) {
  Falling(type);
  Game.GameOver = gameOver;
  Game.Paused = paused;
  Game.AbortQuery = abortQuery;
}

// A message over the well at its brightest, as three cleared rows leave it.
void Message(int32_t type) {
  Falling(type);
  Game.Score = Game.ShownScore = 340;
  Game.Lines = 3;
  SetMessage("Three Lines Cleared!", -4.9f, 5, 250);
  Game.MessageAlpha = 255;
}

// The menus after a second of their own steps: the logo has swayed, the cursor turned.
void MenuScreen(uint8_t state, int32_t item) {
  Loop = LoopState{};
  Loop.LastFrameTime = timeGetTime();
  Menu = MenuStateData{};
  Menu.MenuState = state;
  Menu.MenuItem = item;
  for (int i = 0; i < 70; ++i) {
    Clock->Advance(StepMs);
    MenuStep();
  }
}

// The selection on its way from New Game to Options: one label still shrinking and
// dimming, the other growing and brightening.
void MenuMoving() {
  MenuScreen(MenuMain, 2);
  Menu.PrevMenuItem = 1;
  Menu.ItemScale = 10.7f;
  Menu.PrevItemScale = 11.35f;
  Menu.ItemBrightness = 130;
  Menu.PrevItemBrightness = 175;
  Menu.MenuAnimReady = false;
}

void SampleTable() {
  static const char* const names[10] = {"Ada L",  "Grace H", "Alan T", "Edsger D", "Barbara L",
                                        "Donald K", "Frances A", "Niklaus W", "Ken T", "Dennis R"};
  for (int rank = 1; rank <= 10; ++rank)
    HighScores[1][rank] = {names[rank - 1], 26000 - 2000 * rank - 30 * rank * rank};
}

void HighScoreScreen(bool typing) {
  SampleTable();
  MenuScreen(MenuHighScores, 1);
  Menu.HighScoreTableShown = 1;
  if (!typing) return;
  Game.GameType = 1;
  Game.ScorePosition = 4;
  HighScores[1][4] = {"Linus", 15400};
  Menu.NameEntryActive = true;
}

struct Shot {
  const char* File;
  std::function<bool()> Prepare;
  int Frames = 14;  // drawn before the picture is read, the last one included
};

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb, int w, int h) {
  return stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

int Run(const std::string& outDir, const std::string& runDir) {
  std::filesystem::create_directories(outDir);
  ManualClock clock;
  Clock = &clock;
  std::string error;
  if (!OpenHarnessWindow(runDir, &error)) {
    std::fprintf(stderr, "screenshot_harness: %s\n", error.c_str());
    return 1;
  }
  std::printf("renderer: %s\n", GLRendererName().c_str());

  auto ok = [](auto f) { return [f] { f(); return true; }; };
  const std::vector<Shot> shots = {
      {"classic_falling.png", ok([] { Falling(1); })},
      {"advanced_falling.png", ok([] { Falling(2); })},
      {"special_falling.png", ok([] { Falling(3); })},
      {"crazy_falling.png", ok([] { Falling(4); })},
      {"classic_rows_flying.png", [] { return RowsFlying(1); }},
      {"advanced_rows_flying.png", [] { return RowsFlying(2); }},
      {"classic_sparks.png", ok([] { SparkTrail(1); })},
      {"advanced_sparks.png", ok([] { SparkTrail(2); })},
      {"special_sparks.png", ok([] { SparkTrail(3); })},
      {"crazy_sparks.png", ok([] { SparkTrail(4); })},
      {"game_over.png", ok([] { Break(1, true, false, false); })},
      {"special_pause.png", ok([] { Break(3, false, true, false); })},
      {"abort_question.png", ok([] { Break(2, false, false, true); })},
      {"classic_message.png", ok([] { Message(1); })},
      {"menu_main.png", ok([] { MenuMoving(); }), 2},
      {"menu_options.png", ok([] {
         MenuScreen(MenuOptions, 2);
         Config.SoundVolume = 4;
         Config.MusicVolume = 7;
         Config.RotateClockwise = false;
         Config.BrickQuality = 2;
       })},
      {"menu_game_types.png", ok([] { MenuScreen(MenuGameType, 3); })},
      {"menu_help.png", ok([] { MenuScreen(MenuGameInfo, 4); })},
      {"menu_high_scores.png", ok([] { HighScoreScreen(false); })},
      {"menu_name_entry.png", ok([] { HighScoreScreen(true); })},
  };

  int failed = 0;
  std::vector<uint8_t> rgb;
  for (const Shot& shot : shots) {
    const std::string path = outDir + "/" + shot.File;
    int w = 0, h = 0;
    if (!shot.Prepare()) {
      std::fprintf(stderr, "%s: the game state could not be prepared\n", shot.File);
      ++failed;
      continue;
    }
    // Frames first: the break picture sways with each frame drawn; after 200 ms it is at
    // its widest, 3 degrees, where it comes nearest to the frame.
    Loop.FrameDelta = StepMs;
    for (int i = 1; i < shot.Frames; ++i) RenderFrameAndRead(rgb, w, h);
    if (!RenderFrameAndRead(rgb, w, h) || !WritePng(path, rgb, w, h)) {
      std::fprintf(stderr, "%s: no picture\n", shot.File);
      ++failed;
      continue;
    }
    std::printf("%s (%d x %d)\n", path.c_str(), w, h);
  }
  CloseHarnessWindow();
  Clock = nullptr;
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
#ifdef ZOLVANE_SCREENSHOT_DIR
  std::string outDir = ZOLVANE_SCREENSHOT_DIR;
#else
  std::string outDir = "docs/screenshots";
#endif
  std::string runDir = zolvane::DefaultRunDir();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      outDir = argv[++i];
    } else if (arg == "--run-dir" && i + 1 < argc) {
      runDir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: screenshot_harness [--out DIR] [--run-dir DIR]\n");
      return 2;
    }
  }
  // The run folder becomes the current directory: paths given here are taken from the
  // directory the harness was started in.
  outDir = std::filesystem::absolute(outDir).string();
  runDir = std::filesystem::absolute(runDir).string();
  return zolvane::Run(outDir, runDir);
}
