// Replays: the file format at its edges, and games recorded through the frame step and
// played back through the same rules.
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "game/replay.h"
#include "game/replay_record.h"
#include "rules_fixture.h"

namespace zolvane {
namespace {

Replay Sample() {
  Replay r;
  r.Header = {3, 12345, 42, 7, 3599, 1765000000, "Ann-Marie"};
  r.Start.Seed = 0xdeadbeef;
  r.Start.KeyRepeatDelay = 340;
  r.Start.RotateClockwise = false;
  r.Start.RotationSpeedBits = 0x3f400000;
  r.Start.DownRepeatTimer = -17;
  r.Start.BrickFlipActive = true;
  r.Start.BrickFlipColumn = 10;
  r.Start.BrickFlipRow = 20;
  r.Start.FadeLevel = 255;
  r.Start.TransitionActive = r.Start.FadeInRunning = true;
  // Runs of 1, 30, 31 (the longest short code), 32 and a long one; negative and huge clock
  // gaps; every input bit.
  auto add = [&r](int n, uint8_t delta, int32_t extra, uint16_t input) {
    r.Steps.insert(r.Steps.end(), n, ReplayStep{delta, extra, input});
  };
  add(1, 0, 0, InputNotPolled);
  add(30, 16, 0, 0);
  add(31, 17, 0, InputLeft);
  add(32, 100, 250000, InputLeft | InputDrop);
  add(1, 100, -5, GameInputMask);
  add(100000, 16, 0, InputFullScreen);
  add(1, 1, INT32_MIN, 0);
  add(1, 1, INT32_MAX, InputNo);
  return r;
}

void ExpectSame(const Replay& a, const Replay& b) {
  EXPECT_EQ(a.Header.GameType, b.Header.GameType);
  EXPECT_EQ(a.Header.Score, b.Header.Score);
  EXPECT_EQ(a.Header.Lines, b.Header.Lines);
  EXPECT_EQ(a.Header.Level, b.Header.Level);
  EXPECT_EQ(a.Header.GameSeconds, b.Header.GameSeconds);
  EXPECT_EQ(a.Header.Date, b.Header.Date);
  EXPECT_EQ(a.Header.Player, b.Header.Player);
  EXPECT_EQ(a.Start.Seed, b.Start.Seed);
  EXPECT_EQ(a.Start.RotateClockwise, b.Start.RotateClockwise);
  EXPECT_EQ(a.Start.RotationSpeedBits, b.Start.RotationSpeedBits);
  EXPECT_EQ(a.Start.DownRepeatTimer, b.Start.DownRepeatTimer);
  EXPECT_EQ(a.Start.BrickFlipRow, b.Start.BrickFlipRow);
  EXPECT_EQ(a.Start.FadeLevel, b.Start.FadeLevel);
  EXPECT_EQ(a.Start.FadeInRunning, b.Start.FadeInRunning);
  ASSERT_EQ(a.Steps.size(), b.Steps.size());
  EXPECT_TRUE(a.Steps == b.Steps);
}

// The bytes with their checksum made right again: what a forger, not a bad disk, would write.
std::string Resealed(std::string bytes) {
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size() - 4));
  for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<char>(crc >> (8 * i));
  return bytes;
}

void PutU32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

// Where the three counts before the packed steps are, for a replay of the Sample's name.
size_t CountsOffset(const Replay& r) {
  return 8 + 2 + 1 + 4 * 4 + 8 + 1 + r.Header.Player.size() + 4 + 4 + 1 + 4 + 5 * 4 + 1 + 1 +
         4 + 1 + 4 * 4 + 4 + 1 + 1 + 4;
}

TEST(ReplayFormat, EncodesAndDecodesEveryValueAtItsEdges) {
  const Replay sample = Sample();
  const std::string bytes = EncodeReplay(sample);
  Replay back;
  ASSERT_EQ(DecodeReplay(bytes, back), "");
  ExpectSame(sample, back);

  // The offsets the forgeries below rely on.
  const size_t counts = CountsOffset(sample);
  uint32_t count;
  std::memcpy(&count, bytes.data() + counts, 4);
  EXPECT_EQ(count, sample.Steps.size());
}

TEST(ReplayFormat, AnHourOfPlayStaysWellUnder200KB) {
  // A display at 60 Hz gives 16 and 17 ms by turns, now and then a late frame; the player
  // presses or lets go of a key about four times a second.
  Replay r;
  r.Header.GameType = 1;
  std::mt19937 random(7);
  uint16_t input = 0;
  for (int step = 0; step < 60 * 60 * 60; ++step) {
    ReplayStep s;
    s.FrameDelta = static_cast<uint8_t>(step % 3 == 2 ? 16 : 17);
    if (random() % 500 == 0) s.FrameDelta = static_cast<uint8_t>(20 + random() % 80);
    if (random() % 15 == 0) input ^= static_cast<uint16_t>(1u << (random() % 11));
    s.Input = input;
    r.Steps.push_back(s);
  }
  const std::string bytes = EncodeReplay(r);
  std::printf("an hour of play: %zu steps, %zu bytes\n", r.Steps.size(), bytes.size());
  EXPECT_LT(bytes.size(), 200u * 1024 / 2);
  Replay back;
  ASSERT_EQ(DecodeReplay(bytes, back), "");
  EXPECT_TRUE(back.Steps == r.Steps);
}

TEST(ReplayFormat, RefusesDamagedTruncatedForeignAndNewerFilesSayingWhy) {
  const Replay sample = Sample();
  const std::string good = EncodeReplay(sample);
  const size_t counts = CountsOffset(sample);
  auto with = [&good](size_t at, char byte) {
    std::string b = good;
    b[at] = byte;
    return b;
  };
  auto forged = [&](size_t at, uint32_t v) {
    std::string b = good;
    PutU32(b, at, v);
    return Resealed(b);
  };
  std::string textCopy = good;
  textCopy.erase(4, 1);  // "\r\n" became "\n"
  const struct {
    const char* what;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"empty", "", "not a replay"},
      {"foreign", "PK\x03\x04 something else entirely", "not a replay"},
      {"magic only", good.substr(0, 8), "truncated"},
      {"cut in the header", good.substr(0, 30), "truncated"},
      {"cut in the steps", good.substr(0, good.size() - 9), "truncated"},
      {"last byte gone", good.substr(0, good.size() - 1), "truncated"},
      {"a byte more", good + "x", "after its end"},
      {"text-mode copy", textCopy, "copy as text"},
      {"newer version", with(8, 2), "newer version"},
      {"version 0", with(8, 0).replace(9, 1, 1, '\0'), "format 0"},
      {"flipped score bit", with(12, static_cast<char>(good[12] ^ 0x10)), "checksum"},
      {"flipped step byte", with(good.size() - 6, static_cast<char>(good[good.size() - 6] ^ 1)),
       "checksum"},
      {"flipped checksum", with(good.size() - 1, static_cast<char>(good[good.size() - 1] ^ 1)),
       "checksum"},
      {"game type 9", Resealed(with(10, 9)), "game type"},
      {"huge step count", forged(counts, 0xffffffffu), "more than any game"},
      {"fewer steps said", forged(counts, static_cast<uint32_t>(sample.Steps.size() - 1)),
       "more steps than"},
      {"more steps said", forged(counts, static_cast<uint32_t>(sample.Steps.size() + 1)),
       "fewer steps than"},
      {"huge unpacked size", forged(counts + 4, 0xfffffff0u), "impossible"},
      {"more unpacked bytes than one step takes", [&] {
         std::string b = good;
         PutU32(b, counts, 1);
         PutU32(b, counts + 4, 16);
         return Resealed(b);
       }(), "impossible"},
      {"wrong unpacked size", forged(counts + 4, 3), "cannot be unpacked"},
      {"huge packed size", forged(counts + 8, 0xfffffff0u), "truncated"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Replay out = Sample();
    out.Header.Player = "unchanged";
    const std::string problem = DecodeReplay(c.bytes, out);
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    EXPECT_EQ(out.Header.Player, "unchanged");
  }
  // Every single byte flipped is caught, wherever it lies.
  for (size_t at = 0; at < good.size(); ++at) {
    Replay out;
    EXPECT_NE(DecodeReplay(with(at, static_cast<char>(good[at] ^ 0x40)), out), "") << at;
  }
}

TEST(ReplayFormat, StepsThatTheRulesCouldNotTakeAreRefusedEvenWithARightChecksum) {
  const struct {
    const char* what;
    ReplayStep step;
    const char* says;
  } cases[] = {
      {"a frame over 100 ms", {101, 0, 0}, "longer than the game allows"},
      {"an unknown key", {16, 0, static_cast<uint16_t>(GameInputMask + 1)}, "keys the game"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Replay r = Sample();
    r.Steps.push_back(c.step);
    Replay out;
    EXPECT_NE(DecodeReplay(EncodeReplay(r), out).find(c.says), std::string::npos);
  }
  Replay r = Sample();
  r.Start.BrickFlipColumn = 11;
  Replay out;
  EXPECT_NE(DecodeReplay(EncodeReplay(r), out).find("outside the well"), std::string::npos);
}

// ---- Through the rules.

class ReplayRulesTest : public RulesTest {
 protected:
  // Random keys as a player might press them, on a clock with uneven and late frames, the
  // game paused, the abort question answered No, and a switch to full screen.
  void PlayRandomly(int steps, uint32_t seed) {
    std::mt19937 random(seed);
    const int keys[] = {DIK_LEFT, DIK_RIGHT, DIK_UP, DIK_DOWN, DIK_SPACE, DIK_LCONTROL,
                        DIK_P, DIK_ESCAPE, DIK_N};
    const uint32_t frames[] = {0, 1, 16, 17, 17, 33, 140};
    for (int i = 0; i < steps && !Loop.MenuActive && !Game.GameOver; ++i) {
      keyboard.ReleaseAll();
      if (random() % 3) keyboard.Press(keys[random() % (random() % 4 ? 5 : 9)]);
      if (i == 200) {
        Config.FullScreen = true;
        clock.Advance(900);
        SkipTime(900);
      }
      Pass(frames[random() % 7]);
    }
  }

  // Over and left, or aborted, through the fade to the menus.
  void EndGame() {
    for (int i = 0; i < 2000 && !Loop.MenuActive; ++i) {
      keyboard.ReleaseAll();
      keyboard.Press(Game.GameOver ? DIK_RETURN : Game.AbortQuery ? DIK_Y : DIK_ESCAPE);
      Pass(17);
    }
    ASSERT_TRUE(Loop.MenuActive);
  }
};

TEST_F(ReplayRulesTest, AGameAfterAnotherPlaysBackToTheSameWellAndFigures) {
  // A first game leaves its timers, flip and sideways move to the second.
  PlayRandomly(400, 1);
  EndGame();
  Config.KeyRepeatDelay = 200;
  Config.RotateClockwise = false;
  StartGameNow(2);
  Loop.LastFrameTime = clock.Now;
  PlayRandomly(6000, 2);
  const Replay recorded = RecordedGame();
  ASSERT_GT(recorded.Steps.size(), 300u);
  ASSERT_TRUE(Config.FullScreen) << "the switch came in the game";
  const std::vector<int> well = WellBits();
  const int32_t score = Game.Score;
  EXPECT_GT(Game.FiguresLanded, 5);

  // Played back with other settings in force, which the replay sets for itself.
  Replay decoded;
  ASSERT_EQ(DecodeReplay(EncodeReplay(recorded), decoded), "");
  Config = GameSettings{};
  const uint32_t clockBefore = timeGetTime();
  const ReplayOutcome outcome = PlayReplay(decoded);
  EXPECT_EQ(outcome, RecordedOutcome(recorded.Header));
  EXPECT_EQ(outcome.Score, score);
  EXPECT_EQ(WellBits(), well);
  EXPECT_EQ(Config.KeyRepeatDelay, GameSettings{}.KeyRepeatDelay);
  EXPECT_EQ(timeGetTime(), clockBefore) << "the test's clock is back";

  // One step changed: the game it gives is another.
  Replay changed = decoded;
  for (ReplayStep& step : changed.Steps)
    if (!(step.Input & InputNotPolled)) {
      step.Input = InputDrop;
      break;
    }
  CreateGameScene();
  PlayReplay(changed);
  EXPECT_NE(WellBits(), well);
}

TEST_F(ReplayRulesTest, AGameStartedFromTheMenusThroughTheirFadePlaysBack) {
  // The fades and the menus' steps around NewGame, with a key held through them.
  EndGame();
  for (int i = 0; i < 100 && Loop.TransitionActive; ++i) Pass(17);
  keyboard.ReleaseAll();
  keyboard.Press(DIK_LEFT);
  BeginNewGame(3);
  for (int i = 0; i < 100 && Loop.MenuActive; ++i) Pass(17);
  ASSERT_FALSE(Loop.MenuActive);
  ASSERT_TRUE(Loop.TransitionActive) << "the game starts in its fade";
  PlayRandomly(3000, 5);
  const Replay recorded = RecordedGame();
  const std::vector<int> well = WellBits();
  CreateGameScene();
  EXPECT_EQ(PlayReplay(recorded), RecordedOutcome(recorded.Header));
  EXPECT_EQ(WellBits(), well);
}

TEST_F(ReplayRulesTest, AGameEndedByItsFadeKeepsItsRecordAfterTheFreshWell) {
  // The well fills: with no key the figures pile up until the game is over.
  for (int i = 0; i < 20000 && !Loop.MenuActive; ++i) {
    keyboard.ReleaseAll();
    if (Game.GameOver) keyboard.Press(DIK_RETURN);
    Pass(17);
  }
  ASSERT_TRUE(Loop.MenuActive);
  const Replay game = RecordedGame();
  EXPECT_GT(game.Header.Score, 0);
  EXPECT_EQ(Game.Score, 0) << "the well is fresh behind the name entry";
  CreateGameScene();
  EXPECT_EQ(PlayReplay(game), RecordedOutcome(game.Header));
}

}  // namespace
}  // namespace zolvane
