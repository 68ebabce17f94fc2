// zolvane-sim: the game's rules without window, GPU or sound, driven by a script of timed
// key snapshots, and the state written as one JSON object per line. For replaying reported
// games, for tests, and for measuring the rules.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/config.h"
#include "app/main_form.h"
#include "app/sim/sim_script.h"
#include "app/sim/sim_verify.h"
#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/replay.h"
#include "game/replay_record.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "menu/menu_state.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/process_memory.h"
#include "platform/program_path.h"
#include "platform/random.h"
#ifdef ZOLVANE_SIM_KEY_NAMES
#include "platform/sdl/keyboard_device.h"
#endif

namespace zolvane {
namespace {

using sim::Command;
using sim::ParseScript;
using sim::ParseUnsigned;
using sim::Quoted;
using sim::ScriptError;

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const Usage =
    "usage: zolvane-sim [--seed N] [--type T] [--config FILE] [--highscores FILE] [--trace]\n"
    "                   [--again] [--memory] [--record FILE] [SCRIPT]\n"
    "       zolvane-sim --verify FILE\n"
    "\n"
    "Plays a game of type T (1 Classic, 2 Advanced, 3 Special, 4 Crazy; default 1) with the\n"
    "random generator seeded with N (default 1), driven by SCRIPT or standard input:\n"
    "  MS [KEY ...]             the clock advances MS milliseconds, exactly the keys named are\n"
    "                           down, and one step of the game runs\n"
    "  repeat COUNT MS [KEY ...]  COUNT such steps\n"
    "  well ROW CELLS           row ROW (1 bottom .. 20 top) becomes CELLS: ten of . or 1-8\n"
    "  falling KIND ROTATION    the falling figure starts again as KIND (1-7), ROTATION (1-4)\n"
    "  next KIND ROTATION       the same for the next figure\n"
    "  print                    write the state now\n"
    "Keys: Up Down Left Right Space Ctrl Enter Escape Pause, A to Z, 0 to 9 (any case).\n"
    "The game's keys are those of the [Keys] of --config FILE, as in the game.\n"
    "The state is written as one JSON line at each print, after every step with --trace,\n"
    "and at the end. --highscores FILE is read at the start and written at the end.\n"
    "A run ends when the game hands back to the menu; with --again a new game of the same\n"
    "type starts then, and each line also tells the games started (\"Games\"). --memory\n"
    "adds the resident memory of the simulator in KiB (\"ResidentKiB\") to each line.\n"
    "--record FILE saves the replay of the game running at the end (the last one with\n"
    "--again); a script that sets the well or a figure cannot be recorded.\n"
    "--verify FILE plays a replay again and prints its score, lines, level and seconds beside\n"
    "the recorded ones: exit 0 when all agree, 1 when not, 2 when the file cannot be read.\n";

struct Options {
  uint32_t Seed = 1;
  int32_t Type = 1;
  std::optional<std::string> ConfigFile;
  std::optional<std::string> HighScoresPath;
  bool Trace = false;
  bool Again = false;
  bool Memory = false;
  std::optional<std::string> Script;
  std::optional<std::string> Record;
  std::optional<std::string> Verify;
};

// ---------------------------------------------------------------------------------------
// Command line

// Returns the exit status to leave with, or nothing to go on.
std::optional<int> ParseArguments(int argc, char** argv, Options& options) {
  auto usage = [](const std::string& problem) {
    std::fprintf(stderr, "zolvane-sim: %s\n%s", problem.c_str(), Usage);
    return ExitUsage;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      return 0;
    } else if (arg == "--trace") {
      options.Trace = true;
    } else if (arg == "--again") {
      options.Again = true;
    } else if (arg == "--memory") {
      options.Memory = true;
    } else if (arg == "--seed") {
      const auto v = value();
      const auto n = v ? ParseUnsigned(*v, UINT32_MAX) : std::nullopt;
      if (!n) return usage("--seed needs a whole number from 0 to 4294967295");
      options.Seed = static_cast<uint32_t>(*n);
    } else if (arg == "--type") {
      const auto v = value();
      const auto n = v ? ParseUnsigned(*v, 4) : std::nullopt;
      if (!n || *n < 1) return usage("--type needs a game type from 1 to 4");
      options.Type = static_cast<int32_t>(*n);
    } else if (arg == "--config" || arg == "--highscores" || arg == "--record" ||
               arg == "--verify") {
      const auto v = value();
      if (!v || v->empty()) return usage(std::string(arg) + " needs a file name");
      auto& target = arg == "--config"       ? options.ConfigFile
                     : arg == "--highscores" ? options.HighScoresPath
                     : arg == "--record"     ? options.Record
                                             : options.Verify;
      target = std::string(*v);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage("unknown option " + Quoted(arg));
    } else if (options.Script) {
      return usage("only one script can be given");
    } else {
      options.Script = std::string(arg);
    }
  }
  if (options.Verify && (options.Script || options.Record || options.HighScoresPath))
    return usage("--verify takes no script, --record or --highscores");
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// Start-up

// Key names as SDL knows them, without starting its video: by a US keyboard's layout.
int KeyNames(const std::string& name) {
#ifdef ZOLVANE_SIM_KEY_NAMES
  return DikFromKeyName(name.c_str());
#else
  (void)name;
  return NoSuchKeyName;  // a build without SDL knows no names
#endif
}

bool FileExists(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

std::string ExecutableFolder() {
  const std::string folder = ProgramFolder();
  return folder.empty() ? "." : folder;
}

// The shapes as the game finds them from its run folder; the simulator also runs from
// elsewhere, so it looks beside itself and in the source tree as well.
std::optional<std::string> FindFigureShapes() {
  std::vector<std::string> places = {FigureShapesFile,
                                     ExecutableFolder() + "/game/" + FigureShapesFile};
#ifdef ZOLVANE_SOURCE_DIR
  places.push_back(std::string(ZOLVANE_SOURCE_DIR) + "/" + FigureShapesFile);
#endif
  for (const std::string& p : places)
    if (FileExists(p)) return p;
  return std::nullopt;
}

bool LoadShapes() {
  const auto shapes = FindFigureShapes();
  if (!shapes) {
    std::fprintf(stderr, "zolvane-sim: %s not found here, beside the program or in the source\n",
                 FigureShapesFile);
    return false;
  }
  try {
    LoadFigureShapes(*shapes);
  } catch (const ShapeFileError& e) {
    std::fprintf(stderr, "zolvane-sim: %s\n", e.what());
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Output

class JsonLine {
 public:
  void Key(const char* name) {
    if (NeedComma) Text += ',';
    Text += '"';
    Text += name;
    Text += "\":";
    NeedComma = false;
  }
  void Int(const char* name, int64_t v) {
    Key(name);
    Text += std::to_string(v);
    NeedComma = true;
  }
  void Float(const char* name, float v) {
    Key(name);
    if (std::isfinite(v)) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v));
      Text += buffer;
    } else {
      Text += "null";  // never produced by the rules; keeps the line valid JSON if it were
    }
    NeedComma = true;
  }
  void Bool(const char* name, bool v) {
    Key(name);
    Text += v ? "true" : "false";
    NeedComma = true;
  }
  void String(const char* name, std::string_view v) {
    Key(name);
    AppendString(v);
    NeedComma = true;
  }
  void Open(const char* name) {
    if (name) Key(name);
    else if (NeedComma) Text += ',';
    Text += '{';
    NeedComma = false;
  }
  void Close() {
    Text += '}';
    NeedComma = true;
  }
  void OpenArray(const char* name) {
    Key(name);
    Text += '[';
    NeedComma = false;
  }
  void CloseArray() {
    Text += ']';
    NeedComma = true;
  }
  void Element(int64_t v) {
    if (NeedComma) Text += ',';
    Text += std::to_string(v);
    NeedComma = true;
  }
  void Element(std::string_view v) {
    if (NeedComma) Text += ',';
    AppendString(v);
    NeedComma = true;
  }
  std::string Text;

 private:
  // Bytes above 126 are taken as Latin-1, so any name or message gives valid UTF-8.
  void AppendString(std::string_view v) {
    Text += '"';
    for (const char ch : v) {
      const auto c = static_cast<unsigned char>(ch);
      if (c == '"' || c == '\\') {
        Text += '\\';
        Text += ch;
      } else if (c < 0x20 || c > 0x7e) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
        Text += buffer;
      } else {
        Text += ch;
      }
    }
    Text += '"';
  }
  bool NeedComma = false;
};

void WriteState(std::vector<int32_t>& effects, const Options& options, int games) {
  JsonLine j;
  j.Open(nullptr);
  j.Int("Score", Game.Score);
  j.Int("ShownScore", Game.ShownScore);
  j.Int("Level", Game.Level);
  j.Int("Lines", Game.Lines);
  j.Int("FiguresLanded", Game.FiguresLanded);
  j.Int("FiguresPerMinute", Game.FiguresPerMinute);
  j.Int("GameSeconds", Game.GameSeconds);
  j.Int("LinesAdded", Game.LinesAdded);
  j.Int("TimeLeft", Game.TimeLeft);
  j.Int("ScorePosition", Game.ScorePosition);
  j.Float("BaseFallSpeed", Game.BaseFallSpeed);
  j.Float("FallSpeed", Game.FallSpeed);
  j.Bool("GameOver", Game.GameOver);
  j.Bool("Paused", Game.Paused);
  j.Bool("AbortQuery", Game.AbortQuery);
  j.Bool("MenuActive", Loop.MenuActive);
  j.Bool("TransitionActive", Loop.TransitionActive);
  j.String("MessageText", Game.MessageText);
  j.Float("MessageAlpha", Game.MessageAlpha);
  j.Int("MessageBonus", Game.MessageBonus);

  const TFigure& f = *Game.FallingFigure;
  j.Open("Falling");
  j.Int("Kind", f.Kind());
  j.Int("Rotation", f.Rotation);
  j.Int("Column", f.Column);
  j.Int("Row", f.Row);
  j.Float("X", f.X);
  j.Float("Y", f.Y);
  j.Float("Scale", f.Scale);
  j.Bool("Turning", f.Turning);
  j.Int("SideMove", static_cast<int>(f.SideMove));
  j.Close();
  j.Open("Next");
  j.Int("Kind", Game.NextFigure->Kind());
  j.Int("Rotation", Game.NextFigure->Rotation);
  j.Close();

  int sparks = 0;
  for (const Spark* s = Game.Sparks; s; s = s->Next) ++sparks;
  j.Int("Sparks", sparks);
  int flying = 0;
  for (const auto& slot : Game.FlyingRows)
    if (slot[0]) ++flying;
  j.Int("FlyingRows", flying);

  j.OpenArray("Effects");
  for (const int32_t e : effects) j.Element(e);
  j.CloseArray();
  effects.clear();

  j.OpenArray("Well");
  for (int r = WellRows; r >= 1; --r) j.Element(WellRowText(r));
  j.CloseArray();
  if (options.Again) j.Int("Games", games);
  if (options.Memory) j.Int("ResidentKiB", ResidentKiB());
  j.Close();
  j.Text += '\n';
  std::fwrite(j.Text.data(), 1, j.Text.size(), stdout);
}

// ---------------------------------------------------------------------------------------
// Running

void SetWellRow(int row, const std::string& cells) {
  for (int c = 1; c <= WellColumns; ++c) {
    WellCell& cell = WellAt(row, c);
    const char ch = cells[static_cast<size_t>(c - 1)];
    cell.Empty = ch == '.';
    if (!cell.Empty && cell.Brick) cell.Brick->Colour = ch - '0';
  }
}

std::optional<std::string> ReadScript(const Options& options) {
  if (!options.Script || *options.Script == "-")
    return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream in(*options.Script, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), {});
  } catch (const std::ios_base::failure&) {
    return std::nullopt;  // a folder opens, but its read fails with errno set
  }
  if (in.bad()) return std::nullopt;
  return text;
}

// The whole script is checked before any of it runs; nothing when it cannot be read or
// parsed, after saying why.
std::optional<std::vector<Command>> LoadScript(const Options& options) {
  const std::string scriptName =
      options.Script && *options.Script != "-" ? *options.Script : "standard input";
  const auto text = ReadScript(options);
  if (!text) {
    std::fprintf(stderr, "zolvane-sim: %s: cannot be read: %s\n", scriptName.c_str(),
                 std::strerror(errno));
    return std::nullopt;
  }
  try {
    std::vector<Command> script = ParseScript(*text);
    for (const Command& cmd : script)
      if (options.Record && cmd.What != Command::Pass && cmd.What != Command::Print) {
        std::fprintf(stderr, "zolvane-sim: %s: a game whose well or figures the script sets "
                     "cannot be recorded (--record)\n", scriptName.c_str());
        return std::nullopt;
      }
    return script;
  } catch (const ScriptError& e) {
    std::fprintf(stderr, "zolvane-sim: %s line %d: %s\n", scriptName.c_str(), e.Line,
                 e.Message.c_str());
    return std::nullopt;
  }
}

// What stands in for the clock, the keyboard and the sound, and the games started.
struct Session {
  ManualClock Clock;
  ManualKeyboard Keyboard;
  std::vector<int32_t> Effects;
  int Games = 0;
};

// In the order the program performs it, up to the first game. Returns the exit status to
// leave with, or nothing to go on.
std::optional<int> StartUpAsTheProgram(const Options& options, Session& session) {
  SetKeyboardSource(&session.Keyboard);
  KeyboardReady = true;
  SetEffectRecorder(&session.Effects);

  // Without --config the settings are those of a missing config.ini.
  const std::string configPath = options.ConfigFile.value_or("");
  ReadDisplayOptions(configPath);
  GetOptions(configPath);
  // A player's [Keys] moves the game's actions to other keys here as in the game: the
  // script presses keys, not actions. What the game would log goes to standard error.
  for (const std::string& message : ReadKeyBindings(configPath, KeyNames))
    std::fprintf(stderr, "zolvane-sim: %s\n", message.c_str());
  RandomSeed(options.Seed);

  if (!LoadShapes()) return ExitFailure;
  CreateGameScene();
  Loop.LastFrameTime = timeGetTime();

  if (options.HighScoresPath) {
    // An unreadable table is not replaced by a default one at the end.
    if (!LoadHighScores(*options.HighScoresPath)) return ExitFailure;
  } else {
    SetDefaultHighScores();
  }
  frmD3D.HighScoresLoaded = true;

  StartGameNow(options.Type);
  session.Games = 1;
  return std::nullopt;
}

// The steps of one "MS [KEY ...]" or "repeat" line, up to the end of the game unless
// --again starts the next one.
void RunPasses(const Command& cmd, const Options& options, Session& session) {
  for (uint32_t n = 0; n < cmd.Count; ++n) {
    session.Clock.Advance(cmd.Ms);
    session.Keyboard.ReleaseAll();
    for (const int code : cmd.Keys) session.Keyboard.Press(code);
    StepFrame();
    if (options.Trace) WriteState(session.Effects, options, session.Games);
    if (Loop.MenuActive) {
      if (!options.Again) return;
      StartGameNow(options.Type);
      ++session.Games;
    }
  }
}

void RunCommand(const Command& cmd, const Options& options, Session& session) {
  switch (cmd.What) {
    case Command::Pass:
      RunPasses(cmd, options, session);
      break;
    case Command::SetRow:
      SetWellRow(cmd.Row, cmd.Cells);
      break;
    case Command::SetFalling:
      Game.FallingFigure->ResetFigure(cmd.FigureKind, cmd.Rotation, 4, 20, 0, 0.5f);
      break;
    case Command::SetNext:
      Game.NextFigure->ResetFigure(cmd.FigureKind, cmd.Rotation, -6, 18, 0, 0.4f);
      break;
    case Command::Print:
      WriteState(session.Effects, options, session.Games);
      break;
  }
}

void PlayScript(const std::vector<Command>& script, const Options& options, Session& session) {
  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
  for (const Command& cmd : script) {
    RunCommand(cmd, options, session);
    // Back in the menu without --again: the game is over for the simulator.
    if (Loop.MenuActive) break;
  }
}

// The last state, the table saved, everything let go; the exit status.
int Finish(const Options& options, Session& session) {
  WriteState(session.Effects, options, session.Games);

  int status = 0;
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "zolvane-sim: standard output: %s\n", std::strerror(errno));
    status = ExitFailure;
  }
  if (options.HighScoresPath && !SaveHighScores(*options.HighScoresPath)) status = ExitFailure;
  if (options.Record) {
    Replay game = RecordedGame();
    game.Header.Player = "Simulator";
    const std::string problem = SaveReplay(*options.Record, game);
    if (!problem.empty()) {
      std::fprintf(stderr, "zolvane-sim: %s\n", problem.c_str());
      status = ExitFailure;
    }
  }

  SetEffectRecorder(nullptr);
  SetKeyboardSource(nullptr);
  ResetGameState();
  return status;
}

int Run(int argc, char** argv) {
  Options options;
  if (const auto status = ParseArguments(argc, argv, options)) return *status;
  if (options.Verify) {
    if (!LoadShapes()) return sim::VerifyUnreadable;
    return sim::VerifyReplayFile(*options.Verify);
  }
  const auto script = LoadScript(options);
  if (!script) return ExitUsage;
  Session session;
  if (const auto status = StartUpAsTheProgram(options, session)) return *status;
  PlayScript(*script, options, session);
  return Finish(options, session);
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) { return zolvane::Run(argc, argv); }
