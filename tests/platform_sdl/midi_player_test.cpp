// The FluidSynth player with the real General MIDI SoundFont and no device: pieces written
// by the test are rendered straight through RenderAdd and measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/fluidsynth/midi_player.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

constexpr int Rate = 48000;

// A chord of program (an organ by default: it holds its level while the keys are down) for
// two quarter notes at 60 bpm: 2 s, where the default tempo would make it 1 s; the end of
// track follows after trailingTicks more. One track, 480 ticks a quarter, channel volume
// volume.
std::vector<uint8_t> ChordFile(uint8_t program = 16, uint16_t trailingTicks = 0,
                               uint8_t volume = 100) {
  std::vector<uint8_t> track = {0, 0xff, 0x51, 3, 0x0f, 0x42, 0x40, 0, 0xc0, program,
                                0, 0xb0, 7, volume};
  for (uint8_t key : {60, 64, 67}) track.insert(track.end(), {0, 0x90, key, 100});
  track.insert(track.end(), {0x87, 0x40, 0x80, 60, 0, 0, 64, 0, 0, 67, 0});  // 960 ticks on
  track.insert(track.end(), {uint8_t(0x80 | trailingTicks >> 7), uint8_t(trailingTicks & 0x7f),
                             0xff, 0x2f, 0});
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0,
                               'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(track.size())};
  for (uint8_t b : track) file.push_back(b);
  return file;
}
std::vector<uint8_t> OrganChord() { return ChordFile(); }

// Waits, without a time limit of its own (the test's is enough), for the player's thread.
void Settle(const MidiPlayer& player) {
  while (player.Loading()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Frames rendered in blocks, on top of a buffer holding base.
std::vector<float> Render(MidiPlayer& player, double seconds, int block = 512, float base = 0) {
  const int frames = static_cast<int>(seconds * Rate);
  std::vector<float> out(static_cast<size_t>(frames) * 2, base);
  for (int at = 0; at < frames; at += block)
    player.RenderAdd(out.data() + static_cast<size_t>(at) * 2, std::min(block, frames - at));
  return out;
}

// Of the samples' distance from base, between two times in seconds.
double Rms(const std::vector<float>& s, double from, double to, float base = 0) {
  const size_t a = static_cast<size_t>(from * Rate) * 2, b = static_cast<size_t>(to * Rate) * 2;
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(s[i] - base) * (s[i] - base);
  return std::sqrt(sum / double(b - a));
}

class FluidPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Folder.emplace();
    Chord = Write("chord.mid", OrganChord());
    std::string error;
    Player = CreateFluidMidiPlayer(Rate, DefaultSoundFont, &error).release();
    ASSERT_NE(Player, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete Player;
    Folder.reset();
  }
  void SetUp() override {
    ASSERT_NE(Player, nullptr);
    Player->SetVolume(0);
    Player->Stop();
    Settle(*Player);
    Render(*Player, 3.0);  // what the test before left ringing dies away
  }
  static bool Start(MidiPlayer& player, const std::string& file) {
    const bool played = player.Play(file);
    Settle(player);
    return played;
  }
  static std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFile(*Folder / name, bytes);
    return (*Folder / name).string();
  }

  static inline std::optional<test::TempFolder> Folder;
  static inline std::string Chord;
  static inline MidiPlayer* Player = nullptr;
};

TEST_F(FluidPlayer, PieceIsHeardAtItsTempoAndEndsAfterItsRelease) {
  ASSERT_TRUE(Start(*Player, Chord));
  const std::vector<float> held = Render(*Player, 1.9, int(1.9 * Rate));  // one request
  const double level = Rms(held, 1.4, 1.9);
  EXPECT_GT(Rms(held, 0.0, 0.05), 0.01) << "the piece starts with the first block";
  EXPECT_GT(level, 0.01) << "still held past 1 s: the tempo counts";
  EXPECT_FALSE(Player->Ended());

  EXPECT_LT(Rms(Render(*Player, 0.7), 0.5, 0.7), level / 20) << "the keys were let go at 2 s";
  Render(*Player, 1.0);
  EXPECT_TRUE(Player->Ended());

  ASSERT_TRUE(Player->Play(Chord));
  Player->Stop();
  Settle(*Player);
  EXPECT_LT(Rms(Render(*Player, 3.0), 1.0, 3.0), level / 100);
  EXPECT_FALSE(Player->Ended()) << "stopped is not ended";
}

TEST_F(FluidPlayer, VolumeIsInDecibelsAndSilenceAddsNothingWhileTheMusicGoesOn) {
  auto level = [](int32_t volume) {
    Player->SetVolume(volume);
    EXPECT_TRUE(Start(*Player, Chord));
    const double rms = Rms(Render(*Player, 1.0), 0.3, 1.0);
    Player->Stop();
    Settle(*Player);
    Render(*Player, 3.0);
    return rms;
  };
  const double unity = level(0);
  ASSERT_GT(unity, 0.01);
  EXPECT_LT(unity, 0.3) << "0 dB leaves headroom";
  // The chorus runs on between plays, so two plays differ by a few per cent by themselves.
  EXPECT_NEAR(20 * std::log10(level(800) / unity), 8.0, 0.5);
  EXPECT_NEAR(20 * std::log10(level(-1200) / unity), -12.0, 0.5);

  Player->SetVolume(Silence);
  ASSERT_TRUE(Start(*Player, Chord));
  const std::vector<float> silent = Render(*Player, 1.0, 512, 0.5f);
  EXPECT_EQ(std::count(silent.begin(), silent.end(), 0.5f), std::ssize(silent));
  // Turned up after a silent second, half of the chord is left, added to what is there.
  Player->SetVolume(0);
  const std::vector<float> rest = Render(*Player, 1.6, 512, 0.5f);
  EXPECT_GT(Rms(rest, 0.5, 0.9, 0.5f), 0.01);
  EXPECT_LT(Rms(rest, 1.4, 1.6, 0.5f), Rms(rest, 0.5, 0.9, 0.5f) / 20);
}

TEST_F(FluidPlayer, WhatCannotBePlayedOrLoadedIsRefused) {
  std::string error;
  auto fresh = CreateFluidMidiPlayer(Rate, "", &error);  // the default SoundFont
  ASSERT_NE(fresh, nullptr) << error;
  EXPECT_FALSE(fresh->Ended()) << "nothing was started";
  std::vector<uint8_t> cut = OrganChord();
  cut.resize(cut.size() - 10);  // the track is shorter than its header says
  std::filesystem::create_directory(*Folder / "folder.mid");
  for (const std::string& file : {(*Folder / "missing.mid").string(), (*Folder / "folder.mid").string()}) {
    EXPECT_FALSE(Start(*fresh, file)) << file;
    EXPECT_FALSE(fresh->Ended()) << file;
  }
  // There, but found not to parse on the player's thread: over at once, and silent.
  for (const std::string& file : {Write("text.mid", {'h', 'i'}), Write("cut.mid", cut)}) {
    EXPECT_TRUE(Start(*fresh, file)) << file;
    EXPECT_TRUE(fresh->Ended()) << file;
  }
  EXPECT_LT(Rms(Render(*fresh, 0.2), 0.0, 0.2), 1e-6);
  EXPECT_TRUE(Start(*fresh, Chord)) << "a good piece after bad ones";
  EXPECT_FALSE(fresh->Ended());
  EXPECT_GT(Rms(Render(*fresh, 0.2), 0.0, 0.2), 0.01);

  const std::string junk = Write("junk.sf2", {'R', 'I', 'F', 'F'});
  const std::string wave = Write("wave.sf2", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
  for (const std::string& path : {(*Folder / "none.sf2").string(), junk, wave}) {
    EXPECT_EQ(CreateFluidMidiPlayer(Rate, path, &error), nullptr) << path;
    EXPECT_NE(error.find(path), std::string::npos) << error;
  }
  // A SoundFont by its header, damaged past it: found out on the player's thread, after
  // which the player stays silent and a piece asked for never plays nor ends.
  const std::string damaged =
      Write("damaged.sf2", {'R', 'I', 'F', 'F', 40, 0, 0, 0, 's', 'f', 'b', 'k', 'L', 'I', 'S'});
  auto broken = CreateFluidMidiPlayer(Rate, damaged, &error);
  ASSERT_NE(broken, nullptr) << error;
  EXPECT_TRUE(Start(*broken, Chord));
  EXPECT_NE(broken->SoundFontError().find(damaged), std::string::npos) << broken->SoundFontError();
  EXPECT_LT(Rms(Render(*broken, 0.2), 0.0, 0.2), 1e-6);
  EXPECT_FALSE(broken->Ended());
  EXPECT_EQ(CreateFluidMidiPlayer(1000000, DefaultSoundFont, &error), nullptr);
  EXPECT_NE(error.find("1000000"), std::string::npos) << error;
}

// The end counts from the last note, not the end of track, and waits for the release up to
// a second: the next piece follows within a beat of what was heard.
TEST_F(FluidPlayer, APieceEndsWhenItsLastNoteHasDiedAwayOrASecondAfterIt) {
  struct Case {
    const char* Name;
    uint8_t Program, Volume;
    uint16_t TrailingTicks;
    double EarliestEnd, LatestEnd;  // seconds; the keys are let go at 2 s
  };
  const double block = 512.0 / Rate;
  for (const Case& c : {Case{"organ", 16, 100, 0, 2.0, 2.5},
                        Case{"organ, 4 s of silence", 16, 100, 1920, 2.0, 2.5},
                        Case{"warm pad, long release", 89, 100, 0, 2.9, 3.0 + block},
                        Case{"warm pad below hearing", 89, 0, 0, 2.0, 2.0 + block}}) {
    SCOPED_TRACE(c.Name);
    const std::string file = Write("end.mid", ChordFile(c.Program, c.TrailingTicks, c.Volume));
    ASSERT_TRUE(Start(*Player, file));
    int frames = 0;
    while (!Player->Ended() && frames < 10 * Rate) {
      Render(*Player, block);
      frames += 512;
    }
    const double end = double(frames) / Rate;
    EXPECT_GT(end, c.EarliestEnd);
    EXPECT_LE(end, c.LatestEnd);
    Player->Stop();
    Settle(*Player);
    Render(*Player, 3.0);
  }
}

// The file is read on the player's own thread: Play returns while the reader is still busy,
// and the piece is heard once it is done.
TEST_F(FluidPlayer, PlayHandsTheReadingToAnotherThread) {
  std::promise<void> go;
  std::shared_future<void> released = go.get_future().share();
  std::thread::id readerThread;
  auto slowReader = [&](const std::string& path) {
    readerThread = std::this_thread::get_id();
    released.wait_for(std::chrono::seconds(20));
    const std::string bytes = test::ReadFile(path);
    return std::vector<char>(bytes.begin(), bytes.end());
  };
  std::string error;
  auto player = CreateFluidMidiPlayer(Rate, DefaultSoundFont, &error, slowReader);
  ASSERT_NE(player, nullptr) << error;
  ASSERT_TRUE(player->Play(Chord));
  EXPECT_TRUE(player->Loading());
  EXPECT_LT(Rms(Render(*player, 0.1), 0.0, 0.1), 1e-6) << "nothing to play before it is read";
  go.set_value();
  Settle(*player);
  EXPECT_NE(readerThread, std::this_thread::get_id());
  EXPECT_GT(Rms(Render(*player, 0.2), 0.0, 0.2), 0.01);
}

// The SoundFont is loaded on the player's thread, held here until the test lets it go: the
// player is made and a piece asked for meanwhile, silent, and the piece then plays from its
// beginning however long the wait.
class HeldSoundFont {
 public:
  std::function<void()> Hook() {
    return [this] {
      Thread = std::this_thread::get_id();
      Reached.set_value();
      // A load in line never returns to the test to be let go: the wait then runs out.
      LetGoInTime = Released.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    };
  }
  void WaitUntilReached() { Reached.get_future().wait(); }
  void LetGo() { Go.set_value(); }

  std::thread::id Thread;
  bool LetGoInTime = false;

 private:
  std::promise<void> Reached, Go;
  std::shared_future<void> Released = Go.get_future().share();
};

TEST_F(FluidPlayer, TheSoundFontLoadsOnThePlayersThreadAndTheFirstPieceWaitsForIt) {
  HeldSoundFont font;
  std::string error;
  auto player = CreateFluidMidiPlayer(Rate, DefaultSoundFont, &error, {}, font.Hook());
  ASSERT_NE(player, nullptr) << error;
  font.WaitUntilReached();
  ASSERT_TRUE(player->Play(Chord));
  EXPECT_TRUE(player->Loading());
  EXPECT_LT(Rms(Render(*player, 1.0), 0.0, 1.0), 1e-6) << "silent while the SoundFont loads";
  EXPECT_FALSE(player->Ended());
  EXPECT_EQ(player->SoundFontError(), "");
  font.LetGo();
  Settle(*player);
  EXPECT_NE(font.Thread, std::this_thread::get_id());
  EXPECT_TRUE(font.LetGoInTime);
  EXPECT_EQ(player->SoundFontError(), "");
  // The two-second chord whole: the second of waiting did not count against it.
  const std::vector<float> heard = Render(*player, 2.6);
  const double held = Rms(heard, 1.4, 1.9);
  EXPECT_GT(Rms(heard, 0.0, 0.05), 0.01) << "heard from the first block";
  EXPECT_GT(held, 0.01) << "still held at 1.9 s";
  EXPECT_LT(Rms(heard, 2.4, 2.6), held / 20) << "let go at 2 s";
}

// Closed while the SoundFont loads (the window closed at once): no wait for the rest of the
// file, nothing left behind, and a player made afterwards loads its own.
TEST_F(FluidPlayer, APlayerClosedWhileItsSoundFontLoadsEndsCleanly) {
  for (bool asked : {false, true}) {
    SCOPED_TRACE(asked ? "a piece asked for" : "nothing asked for");
    HeldSoundFont font;
    std::string error;
    auto player = CreateFluidMidiPlayer(Rate, DefaultSoundFont, &error, {}, font.Hook());
    ASSERT_NE(player, nullptr) << error;
    font.WaitUntilReached();
    if (asked) {
      ASSERT_TRUE(player->Play(Chord));
    }
    std::thread closing([&] { player.reset(); });
    font.LetGo();
    closing.join();
    EXPECT_TRUE(font.LetGoInTime);
  }
  std::string error;
  auto next = CreateFluidMidiPlayer(Rate, DefaultSoundFont, &error);
  ASSERT_NE(next, nullptr) << error;
  EXPECT_TRUE(Start(*next, Chord));
  EXPECT_GT(Rms(Render(*next, 0.2), 0.0, 0.2), 0.01);
}

}  // namespace
}  // namespace zolvane
