// The simulator as a program: its command line, its script, its JSON lines, and games
// played through it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/high_scores.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

// ---- A small JSON reader: enough to hold the simulator to valid JSON in a fixed order.

struct Json {
  enum Type { Null, Bool, Number, String, Array, Object } T = Null;
  bool B = false;
  double N = 0;
  std::string S;
  std::vector<Json> A;
  std::vector<std::pair<std::string, Json>> O;  // in the order written

  const Json& operator[](const std::string& key) const {
    for (const auto& [k, v] : O)
      if (k == key) return v;
    ADD_FAILURE() << "no key " << key;
    static const Json none;
    return none;
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& kv : O) keys.push_back(kv.first);
    return keys;
  }
  int I() const { return static_cast<int>(N); }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : Text(text) {}
  bool Parse(Json& out) {
    if (!Value(out)) return false;
    Blank();
    return Pos == Text.size();
  }

 private:
  void Blank() {
    while (Pos < Text.size() && std::isspace(static_cast<unsigned char>(Text[Pos]))) ++Pos;
  }
  bool Take(char c) {
    Blank();
    if (Pos < Text.size() && Text[Pos] == c) return ++Pos, true;
    return false;
  }
  bool Word(const char* w, Json& out, Json::Type t, bool b) {
    const std::string s(w);
    if (Text.compare(Pos, s.size(), s) != 0) return false;
    Pos += s.size();
    out.T = t;
    out.B = b;
    return true;
  }
  bool Str(std::string& out) {
    if (!Take('"')) return false;
    while (Pos < Text.size() && Text[Pos] != '"') {
      char c = Text[Pos++];
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c == '\\') {
        if (Pos >= Text.size()) return false;
        c = Text[Pos++];
        if (c == 'u') {
          if (Pos + 4 > Text.size()) return false;
          const unsigned code = std::stoul(Text.substr(Pos, 4), nullptr, 16);
          Pos += 4;
          if (code > 0xff) return false;  // the simulator escapes single bytes only
          c = static_cast<char>(code);
        } else if (c != '"' && c != '\\' && c != '/') {
          return false;
        }
      }
      out += c;
    }
    return Take('"');
  }
  bool Value(Json& out) {
    Blank();
    if (Pos >= Text.size()) return false;
    const char c = Text[Pos];
    if (c == '{') {
      ++Pos;
      out.T = Json::Object;
      if (Take('}')) return true;
      do {
        std::string key;
        Json v;
        if (!Str(key) || !Take(':') || !Value(v)) return false;
        out.O.emplace_back(key, std::move(v));
      } while (Take(','));
      return Take('}');
    }
    if (c == '[') {
      ++Pos;
      out.T = Json::Array;
      if (Take(']')) return true;
      do {
        Json v;
        if (!Value(v)) return false;
        out.A.push_back(std::move(v));
      } while (Take(','));
      return Take(']');
    }
    if (c == '"') {
      out.T = Json::String;
      return Str(out.S);
    }
    if (c == 't') return Word("true", out, Json::Bool, true);
    if (c == 'f') return Word("false", out, Json::Bool, false);
    if (c == 'n') return Word("null", out, Json::Null, false);
    size_t used = 0;
    try {
      out.N = std::stod(Text.substr(Pos), &used);
    } catch (...) {
      return false;
    }
    if (!std::isfinite(out.N)) return false;  // "nan" and "inf" are no JSON
    out.T = Json::Number;
    Pos += used;
    return true;
  }
  const std::string& Text;
  size_t Pos = 0;
};

// ---- Running the program.

struct Result {
  int Status = -1;
  std::vector<Json> Lines;
  std::string Out, Err;
  const Json& Last() const { return Lines.back(); }
};

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::exists(Sim)) << "build zolvane-sim first"; }

  // Runs the simulator in the scratch folder (so it must find its data beside itself) with
  // the script on standard input, under a time limit.
  Result Run(const std::string& script, const std::string& args = "") {
    const fs::path scriptFile = Dir / "script.txt", err = Dir / "stderr.txt";
    WriteFile(scriptFile, script);
    const std::string command = "cd '" + Dir.string() + "' && timeout 60 '" + Sim.string() + "' " +
                                args + " < '" + scriptFile.string() + "' 2> '" + err.string() + "'";
    Result r;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
      ADD_FAILURE() << "cannot start " << command;
      return r;
    }
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) r.Out.append(buffer, n);
    const int status = pclose(pipe.release());
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Err = ReadFile(err);
    std::istringstream lines(r.Out);
    std::string line;
    while (std::getline(lines, line)) {
      Json j;
      EXPECT_TRUE(JsonReader(line).Parse(j)) << "not JSON: " << line;
      r.Lines.push_back(std::move(j));
    }
    return r;
  }

  std::vector<std::string> WellOf(const Json& state) {
    std::vector<std::string> rows;
    for (const Json& row : state["Well"].A) rows.push_back(row.S);
    return rows;
  }

  const TempFolder Folder;
  const fs::path Dir = Folder.Path();
  const fs::path Sim = fs::path(ZOLVANE_BINARY_DIR) / "zolvane-sim";
};

TEST_F(SimTest, EveryLineHasAllKeysInOrderWithTheirTypes) {
  const Result r = Run("print\n\n# a comment\n   # another\n16\nrepeat 3 16 left\n");
  ASSERT_EQ(r.Status, 0) << r.Err;
  ASSERT_EQ(r.Lines.size(), 2u);  // the print and the end
  const std::vector<std::string> keys = {
      "Score",         "ShownScore",   "Level",          "Lines",       "FiguresLanded",
      "FiguresPerMinute", "GameSeconds", "LinesAdded",   "TimeLeft",    "ScorePosition",
      "BaseFallSpeed", "FallSpeed",    "GameOver",       "Paused",      "AbortQuery",
      "MenuActive",    "TransitionActive", "MessageText", "MessageAlpha", "MessageBonus",
      "Falling",       "Next",         "Sparks",         "FlyingRows",  "Effects",
      "Well"};
  const std::vector<std::string> falling = {"Kind", "Rotation", "Column", "Row",    "X",
                                            "Y",    "Scale",    "Turning", "SideMove"};
  for (const Json& s : r.Lines) {
    EXPECT_EQ(s.Keys(), keys);
    EXPECT_EQ(s["Falling"].Keys(), falling);
    EXPECT_EQ(s["Next"].Keys(), (std::vector<std::string>{"Kind", "Rotation"}));
    for (const char* k : {"Score", "Level", "BaseFallSpeed", "MessageAlpha", "Sparks"})
      EXPECT_EQ(s[k].T, Json::Number) << k;
    for (const char* k : {"GameOver", "Paused", "AbortQuery", "MenuActive", "TransitionActive"})
      EXPECT_EQ(s[k].T, Json::Bool) << k;
    EXPECT_EQ(s["MessageText"].T, Json::String);
    EXPECT_EQ(s["Falling"]["Turning"].T, Json::Bool);
    EXPECT_EQ(s["Effects"].T, Json::Array);
    ASSERT_EQ(s["Well"].A.size(), 20u);
    for (const Json& row : s["Well"].A) EXPECT_EQ(row.S, "..........");
  }
  // A game as the menu starts it: no rank yet, no fade, the first figure at its spawn place.
  const Json& first = r.Lines[0];
  EXPECT_EQ(first["ScorePosition"].I(), 11);
  EXPECT_FALSE(first["MenuActive"].B);
  EXPECT_FALSE(first["TransitionActive"].B);
  EXPECT_EQ(first["Falling"]["Column"].I(), 4);
  EXPECT_EQ(first["Falling"]["Row"].I(), 20);
  EXPECT_FLOAT_EQ(static_cast<float>(first["BaseFallSpeed"].N), 0.0019f);
  // Lower-case "left" is Left: three passes of it started a move to the left.
  EXPECT_LT(r.Last()["Falling"]["X"].N, 4.0);
}

TEST_F(SimTest, AnUnreadableLineStopsEverythingWithItsLineNumber) {
  const std::string before = "print\n16 Left\n# fine so far\n";
  const std::vector<std::string> bad = {
      "jump 3",            "16x",                  "-16",           "16 Shift",
      "well 21 ..........", "well 0 ..........",  "well 1 ....x.....", "well 1 .........",
      "well 1 ...........", "well 1",             "falling 8 1",   "falling 1 0",
      "next 1 5",          "falling 1",           "repeat 3",      "repeat -1 16",
      "repeat 2 16 Spacebar", "print now",        "99999999999999999999",
  };
  for (const std::string& line : bad) {
    const Result r = Run(before + line + "\n16\n", "--highscores hs.dat");
    EXPECT_EQ(r.Status, 2) << line;
    EXPECT_NE(r.Err.find("line 4"), std::string::npos) << line << ": " << r.Err;
    EXPECT_TRUE(r.Out.empty()) << line << ": " << r.Out;
    EXPECT_FALSE(fs::exists(Dir / "hs.dat")) << line;
  }
}

TEST_F(SimTest, BadArgumentsGiveTheUsageAndStatus2) {
  for (const std::string args : {"--type 5", "--type 0", "--type", "--seed x", "--seed -1",
                                 "--seed 4294967296", "--config", "--frobnicate", "a.txt b.txt",
                                 "--highscores"}) {
    const Result r = Run("print\n", args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_NE(r.Err.find("usage: zolvane-sim"), std::string::npos) << args;
    EXPECT_TRUE(r.Out.empty()) << args;
  }
  const Result missing = Run("", "no-such-script.txt");
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("no-such-script.txt"), std::string::npos);
  // A folder given as the script opens but cannot be read: reported, not a crash.
  fs::create_directory(Dir / "scripts");
  const Result folder = Run("", "scripts");
  EXPECT_EQ(folder.Status, 2);
  EXPECT_NE(folder.Err.find("scripts: cannot be read"), std::string::npos) << folder.Err;
}

TEST_F(SimTest, AScriptFileReadsLikeStandardInputAndAnUnreadableTableStopsTheStart) {
  const std::string script = "repeat 30 16 Right\nprint\nrepeat 30 16 Space\n";
  WriteFile(Dir / "game.txt", script);
  const Result fromFile = Run("this is not read", "game.txt --seed 5");
  const Result fromInput = Run(script, "--seed 5");
  ASSERT_EQ(fromFile.Status, 0) << fromFile.Err;
  EXPECT_EQ(fromFile.Out, fromInput.Out);
  EXPECT_EQ(fromFile.Lines.size(), 2u);

  // A table that exists but cannot be read is neither replaced by the default one nor run.
  fs::create_directory(Dir / "hs.dat");
  const Result unreadable = Run(script, "--highscores hs.dat");
  EXPECT_EQ(unreadable.Status, 1);
  EXPECT_TRUE(unreadable.Out.empty());
  EXPECT_TRUE(fs::is_directory(Dir / "hs.dat"));
}

TEST_F(SimTest, WellAndFigureLinesSetWhatPrintShowsBack) {
  // CR LF line ends are read like LF.
  const Result r = Run(
      "well 1 12345678..\r\nwell 20 8........1\r\nwell 2 ..........\r\n"
      "falling 7 3\nnext 3 2\nprint\nwell 1 ..........\nprint\n",
      "--seed 99");
  ASSERT_EQ(r.Status, 0) << r.Err;
  ASSERT_EQ(r.Lines.size(), 3u);
  const std::vector<std::string> well = WellOf(r.Lines[0]);
  EXPECT_EQ(well[0], "8........1");
  EXPECT_EQ(well[19], "12345678..");
  for (int i = 1; i < 19; ++i) EXPECT_EQ(well[i], "..........");
  const Json& f = r.Lines[0]["Falling"];
  EXPECT_EQ(f["Kind"].I(), 7);
  EXPECT_EQ(f["Rotation"].I(), 3);
  EXPECT_EQ(f["Column"].I(), 4);
  EXPECT_EQ(f["Row"].I(), 20);
  EXPECT_EQ(f["X"].N, 4.0);
  EXPECT_EQ(f["Y"].N, 20.0);
  EXPECT_EQ(f["Scale"].N, 0.5);
  EXPECT_FALSE(f["Turning"].B);
  EXPECT_EQ(r.Lines[0]["Next"]["Kind"].I(), 3);
  EXPECT_EQ(r.Lines[0]["Next"]["Rotation"].I(), 2);
  EXPECT_EQ(WellOf(r.Lines[1])[19], "..........");
}

TEST_F(SimTest, TheSameSeedReplaysTheSameGameAndAnotherSeedAnother) {
  std::string script;
  for (int i = 0; i < 40; ++i)
    script += "repeat 20 16 Left\nrepeat 5 16 Up\nrepeat 10 16\nrepeat 10 16 Down\nrepeat 30 16\n";
  const Result a = Run(script, "--trace --seed 7");
  const Result b = Run(script, "--trace --seed 7");
  const Result c = Run(script, "--trace --seed 8");
  ASSERT_EQ(a.Status, 0);
  ASSERT_EQ(a.Lines.size(), 40u * 75u + 1u);
  EXPECT_EQ(a.Out, b.Out);

  auto figures = [](const Result& r) {
    std::vector<int> kinds;
    for (const Json& s : r.Lines) {
      const int k = s["Next"]["Kind"].I() * 10 + s["Next"]["Rotation"].I();
      if (kinds.empty() || kinds.back() != k) kinds.push_back(k);
    }
    return kinds;
  };
  EXPECT_GT(figures(a).size(), 5u);
  EXPECT_NE(figures(a), figures(c));
}

TEST_F(SimTest, LeavingTheGameThroughTheFadeEndsTheRun) {
  // Escape asks, Y answers yes, the fade takes 340 ms; the lines after it never run.
  const Result r = Run("16\n16 Escape\n16\n16 Y\nrepeat 100 16\nprint\nwell 1 1111111111\n",
                       "--trace");
  ASSERT_EQ(r.Status, 0) << r.Err;
  const Json& end = r.Last();
  EXPECT_TRUE(end["MenuActive"].B);
  EXPECT_TRUE(end["AbortQuery"].B);
  EXPECT_EQ(WellOf(end)[19], "..........");
  // 3 passes before the answer; the answer's pass starts the fade, which rises 12 per 16 ms
  // pass to 255 in 22 passes; then the end line.
  EXPECT_EQ(r.Lines.size(), 3u + 22u + 1u);
  EXPECT_TRUE(r.Lines[1]["AbortQuery"].B);
  EXPECT_FALSE(r.Lines[2]["TransitionActive"].B);
  EXPECT_TRUE(r.Lines[3]["TransitionActive"].B);
  EXPECT_FALSE(r.Lines[r.Lines.size() - 3]["MenuActive"].B);
}

TEST_F(SimTest, ACtrlDropCompletingTwoRowsScoresAndClearsThem) {
  const Result r = Run(
      "well 1 33333.3333\nwell 2 44444.4444\nwell 3 5.........\n"
      "falling 1 2\n16 Ctrl\nrepeat 14 16\nprint\nrepeat 100 16\n");
  ASSERT_EQ(r.Status, 0) << r.Err;
  const Json& s = r.Lines[0];
  EXPECT_EQ(s["Score"].I(), 5 + 100);
  EXPECT_EQ(s["Lines"].I(), 2);
  EXPECT_EQ(s["FiguresLanded"].I(), 1);
  EXPECT_EQ(s["FlyingRows"].I(), 2);
  EXPECT_GT(s["Sparks"].I(), 0);  // a Ctrl drop trails sparks
  const std::vector<int> effects = {16, 18};
  std::vector<int> got;
  for (const Json& e : s["Effects"].A) got.push_back(e.I());
  EXPECT_EQ(got, effects);
  // Two rows gone: row 3's brick is now in row 1, the I's two upper bricks above it.
  const std::vector<std::string> well = WellOf(s);
  EXPECT_EQ(well[19], "5....1....");
  EXPECT_EQ(well[18], ".....1....");
  EXPECT_EQ(well[17], "..........");
  // Later: the rows have flown away, the sparks died, the score display caught up.
  EXPECT_EQ(r.Last()["FlyingRows"].I(), 0);
  EXPECT_EQ(r.Last()["Sparks"].I(), 0);
  EXPECT_EQ(r.Last()["ShownScore"].I(), 105);
  EXPECT_TRUE(r.Last()["Effects"].A.empty());
}

TEST_F(SimTest, TheConfigurationDecidesTheTurningDirection) {
  WriteFile(Dir / "clockwise.ini", "[Settings]\nRotation=1\n");
  const std::string script = "falling 1 1\n16 Up\nrepeat 20 16\n";
  const Result clockwise = Run(script, "--config clockwise.ini");
  const Result missing = Run(script, "--config nothing-here.ini");
  const Result none = Run(script);
  ASSERT_EQ(clockwise.Status, 0) << clockwise.Err;
  ASSERT_EQ(missing.Status, 0) << missing.Err;
  EXPECT_EQ(clockwise.Last()["Falling"]["Rotation"].I(), 2);
  // A missing config.ini reads "Rotation" as 0: counter-clockwise.
  EXPECT_EQ(missing.Last()["Falling"]["Rotation"].I(), 4);
  EXPECT_EQ(none.Out, missing.Out);
}

// The script presses keys; the [Keys] of the config decides what they do, as in the game.
TEST_F(SimTest, TheKeysOfTheConfigAreTheGamesKeys) {
  WriteFile(Dir / "keys.ini", "[Keys]\nLeft=A\nDrop=Up\n");
  const std::string script = "repeat 10 16 Left\nprint\nrepeat 10 16 a\n";
  const Result r = Run(script, "--config keys.ini");
  ASSERT_EQ(r.Status, 0) << r.Err;
  ASSERT_EQ(r.Lines.size(), 2u);
  EXPECT_EQ(r.Lines[0]["Falling"]["Column"].I(), 4) << "the arrow is no longer Left";
  EXPECT_EQ(r.Last()["Falling"]["Column"].I(), 3);
  EXPECT_EQ(r.Err, "zolvane-sim: keys.ini line 3: Drop=Up: \"Up\" is already Turn's key; Drop "
                   "keeps its default keys\n");
}

TEST_F(SimTest, TheTableIsReadAtTheStartAndSavedAtTheEnd) {
  // No file: the default table, written at the end.
  const Result fresh = Run("16\n", "--highscores hs.dat");
  ASSERT_EQ(fresh.Status, 0) << fresh.Err;
  ASSERT_TRUE(LoadHighScores((Dir / "hs.dat").string()));
  EXPECT_EQ(HighScores[4][10].Name, "Noname");

  // A stack up to row 17 under the spawn place: the first figure locks there and the game
  // is over with 5 points, which rank first; Space leaves through the fade, the result is
  // entered with an empty name and a fresh game is set up.
  std::string script;
  for (int row = 1; row <= 17; ++row) script += "well " + std::to_string(row) + " 222222222.\n";
  script += "repeat 3 16\nprint\nrepeat 40 16 Space\n";
  const Result over = Run(script, "--highscores hs.dat --type 3");
  ASSERT_EQ(over.Status, 0) << over.Err;
  EXPECT_TRUE(over.Lines[0]["GameOver"].B);
  EXPECT_EQ(over.Lines[0]["ScorePosition"].I(), 1);
  EXPECT_TRUE(over.Last()["MenuActive"].B);
  EXPECT_EQ(WellOf(over.Last())[19], "..........");  // NewGame after the entry
  ASSERT_TRUE(LoadHighScores((Dir / "hs.dat").string()));
  EXPECT_EQ(HighScores[3][1].Name, "");
  EXPECT_EQ(HighScores[3][1].Score, 5);
  EXPECT_EQ(HighScores[3][2].Name, "Noname");
  EXPECT_EQ(HighScores[1][1].Name, "Noname");

  // The table read at the start decides the rank of the running game.
  for (int r = 1; r <= 10; ++r) HighScores[3][r] = {"x", 2000 - 100 * r};
  ASSERT_TRUE(SaveHighScores((Dir / "hs.dat").string()));
  const Result ranked = Run(script, "--highscores hs.dat --type 3");
  EXPECT_EQ(ranked.Lines[0]["ScorePosition"].I(), 11);
  SetDefaultHighScores();
}

// With --again, both ways back to the menu (the abort question answered yes, a game over)
// start the next game where a run would end; --memory adds the simulator's own size.
TEST_F(SimTest, AgainPlaysGameAfterGameInOneRun) {
  std::string script = "16\n16 Escape\n16\n16 Y\nrepeat 30 16\nprint\n";
  for (int row = 1; row <= 17; ++row) script += "well " + std::to_string(row) + " 222222222.\n";
  script += "repeat 3 16\n16 Space\n16 Space\nrepeat 30 16\nprint\nwell 1 1111111111\n";

  const Result once = Run(script, "--memory");
  ASSERT_EQ(once.Status, 0) << once.Err;
  ASSERT_EQ(once.Lines.size(), 1u);  // the run ended at the abort
  EXPECT_TRUE(once.Last()["MenuActive"].B);
  EXPECT_EQ(once.Last().Keys().back(), "ResidentKiB");
  EXPECT_GT(once.Last()["ResidentKiB"].I(), 100);

  const Result again = Run(script, "--again --highscores hs.dat --type 3");
  ASSERT_EQ(again.Status, 0) << again.Err;
  ASSERT_EQ(again.Lines.size(), 3u);
  const std::vector<int> games = {2, 3, 3};
  for (size_t i = 0; i < again.Lines.size(); ++i) {
    const Json& s = again.Lines[i];
    SCOPED_TRACE("line " + std::to_string(i));
    EXPECT_EQ(s.Keys().back(), "Games");
    EXPECT_EQ(s["Games"].I(), games[i]);
    EXPECT_FALSE(s["MenuActive"].B);
    EXPECT_FALSE(s["AbortQuery"].B);
    EXPECT_FALSE(s["GameOver"].B);
    EXPECT_EQ(s["Score"].I(), 0);
  }
  EXPECT_EQ(WellOf(again.Lines[1])[19], "..........");  // the stack went with the game
  EXPECT_EQ(WellOf(again.Last())[19], "1111111111");   // and the script went on after it
  ASSERT_TRUE(LoadHighScores((Dir / "hs.dat").string()));
  EXPECT_EQ(HighScores[3][1].Score, 5);  // the game that ended over ranked
  SetDefaultHighScores();
}

// Several minutes of play in every game type, by a player who moves, turns and drops, and
// who now and then gets the upper half of the well emptied so that the game lasts: the
// facts of each type's rules must hold at the end.
TEST_F(SimTest, LongGamesFollowTheirTypesRules) {
  std::string script;
  for (int i = 0; i < 120; ++i) {
    script += "repeat 30 16 Left\nrepeat 8 16 Up\nrepeat 40 16 Down\nrepeat 60 16 Right\n"
              "repeat 100 16\nrepeat 20 16 Down\nrepeat 5 100\n";
    for (int row = 9; row <= 20; ++row) script += "well " + std::to_string(row) + " ..........\n";
  }
  for (int type = 1; type <= 4; ++type) {
    const Result r = Run(script, "--seed 3 --type " + std::to_string(type));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const Json& s = r.Last();
    const int seconds = s["GameSeconds"].I();
    SCOPED_TRACE("type " + std::to_string(type) + ", " + std::to_string(seconds) + " s");
    EXPECT_GT(seconds, 240);
    EXPECT_GT(s["FiguresLanded"].I(), 60);
    EXPECT_EQ(s["Score"].I() % 5, 0);
    EXPECT_GE(s["Score"].I(), 5 * s["FiguresLanded"].I());
    EXPECT_EQ(s["TimeLeft"].I(), (s["LinesAdded"].I() + 1) * 45 - seconds);
    const bool garbage = type == 2 || type == 4;
    EXPECT_EQ(s["LinesAdded"].I(), garbage ? seconds / 45 : 0);
    const int level = type == 2   ? 1 + seconds / 120
                      : type == 3 ? 1 + seconds / 90
                                  : 1 + s["Score"].I() / 1000;
    EXPECT_EQ(s["Level"].I(), level);
  }
}

}  // namespace
}  // namespace zolvane
