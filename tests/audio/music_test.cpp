// The music cycle over a fake player from a fake backend, in a scratch run folder, with
// the sound layer's mixer mixed by hand and a manual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;

struct FakeMusic {
  std::vector<std::string> Played;
  std::string Failing;  // the file Play refuses
  std::string FontError;  // the SoundFont found damaged after the player was made
  bool Ended = false;
  int32_t Volume = 1;
  int Alive = 0;
  bool MixedWhileFreed = false;
  Mixer* TheMixer = nullptr;
};

class FakePlayer : public MidiPlayer {
 public:
  explicit FakePlayer(FakeMusic& m) : M(m) { ++M.Alive; }
  ~FakePlayer() override {
    // It must be out of the mix before it is freed: mixing now must not reach it.
    std::vector<float> out(2);
    if (M.TheMixer) M.TheMixer->Mix(out.data(), 1);
    M.MixedWhileFreed |= out[0] != 0.0f;
    --M.Alive;
  }
  bool Play(const std::string& file) override {
    M.Played.push_back(file);
    M.Ended = false;
    return file != M.Failing;
  }
  void Stop() override {}
  bool Ended() const override { return M.Ended; }
  std::string SoundFontError() const override { return M.FontError; }
  void SetVolume(int32_t hundredthsDb) override { M.Volume = hundredthsDb; }
  void RenderAdd(float* out, int frames) override {
    for (int i = 0; i < frames * 2; ++i) out[i] += 0.25f;
  }
  FakeMusic& M;
};

class FakeBackend : public AudioBackend {
 public:
  Mixer* Open() override {
    if (HasDevice) Owned = std::make_unique<Mixer>(22050);
    return M.TheMixer = Owned.get();
  }
  void Close() override {
    M.TheMixer = nullptr;
    Owned.reset();
  }
  bool Convert(const WaveFormat&, const uint8_t*, size_t, int, std::vector<float>&) override {
    return false;
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int rate, const std::string& soundFont,
                                               std::string* error) override {
    Asked = std::to_string(rate) + " " + soundFont;
    if (Error.empty()) return std::make_unique<FakePlayer>(M);
    *error = Error;
    return nullptr;
  }
  bool HasDevice = true;
  std::string Error, Asked;
  FakeMusic M;
  std::unique_ptr<Mixer> Owned;
};

class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(Folder / "sounds" / EffectFileNames[0], "");  // empty: opens with no effect
    for (const char* file : MusicFiles) test::WriteFile(Folder / file, "MThd");
    Saved = Config;
    Config.MusicVolume = 6;
    SetAudioBackend(&Backend);
  }
  void TearDown() override {
    CloseMusic();
    FreeSound();
    SetAudioBackend(nullptr);
    SetMusicSoundFont("");
    Config = Saved;
    CurrentMusicNumber = 0;
    EXPECT_EQ(Backend.M.Alive, 0) << "a player outlived CloseMusic";
    EXPECT_FALSE(Backend.M.MixedWhileFreed);
  }
  void StartMusic() {
    ASSERT_TRUE(AudioEnabled = InitSound());
    ASSERT_TRUE(InitMusic()) << MusicError();
  }
  float MixedLevel() {
    float out[2] = {};
    SoundMixer()->Mix(out, 1);
    return out[0];
  }
  const std::vector<std::string>& Played() const { return Backend.M.Played; }

  ManualClock Clock{5000};
  const test::TempFolder Folder;
  const test::CurrentFolder In{Folder.Path()};
  GameSettings Saved;
  FakeBackend Backend;
};

TEST_F(Music, PlayStartsTheConfiguredPieceInTheMix) {
  SetMusicSoundFont("/elsewhere/gm.sf2");
  StartMusic();
  EXPECT_EQ(Backend.Asked, "22050 /elsewhere/gm.sf2");
  EXPECT_EQ(Backend.M.Volume, 150);
  EXPECT_EQ(MusicWarning(), "");
  EXPECT_FLOAT_EQ(MixedLevel(), 0.25f);
  EXPECT_FALSE(MusicEnded()) << "nothing was started";

  const struct {
    int32_t configured;
    const char* file;
    int32_t number;
  } cases[] = {{4, "music/theme5.mid", 4},  {11, "music/theme12.mid", 11},
               {12, "music/theme1.mid", 0}, {-1, "music/theme1.mid", 0}};
  for (const auto& c : cases) {
    Clock.Advance(37);
    EXPECT_EQ(FirstMusicNumber(c.configured), c.number) << c.configured;
    EXPECT_TRUE(PlayMusic(c.configured));
    EXPECT_EQ(Played().back(), c.file) << c.configured;
    EXPECT_EQ(CurrentMusicNumber, c.number) << c.configured;
    EXPECT_EQ(MusicStartTime, Clock.Now) << c.configured;
  }
}

TEST_F(Music, NextPieceOnlyMoreThan1000MsAfterTheStartAcrossTheClockWrap) {
  StartMusic();
  ASSERT_TRUE(PlayMusic(10));
  Clock.Advance(5000);
  MusicUpkeep();
  EXPECT_EQ(Played().size(), 1u) << "a piece still playing is not replaced";

  Clock.Now = UINT32_MAX - 200;
  ASSERT_TRUE(PlayMusic(10));
  Backend.M.Ended = true;  // at once
  for (uint32_t wait : {0u, 100u, 900u}) {
    Clock.Advance(wait);
    MusicUpkeep();
    EXPECT_EQ(Played().size(), 2u) << "at " << Clock.Now - MusicStartTime << " ms";
  }
  Clock.Advance(1);
  MusicUpkeep();
  EXPECT_EQ(Played().back(), "music/theme12.mid");
  EXPECT_EQ(CurrentMusicNumber, 11);
  EXPECT_FALSE(MusicEnded());

  Backend.M.Ended = true;
  Clock.Advance(1001);
  MusicUpkeep();
  EXPECT_EQ(Played().back(), "music/theme1.mid") << "the last piece is followed by the first";
  EXPECT_EQ(CurrentMusicNumber, 0);
}

TEST_F(Music, VolumeStepsGiveTheTableAndClamp) {
  StartMusic();
  const std::pair<int32_t, int32_t> cases[] = {
      {0, -10000}, {1, -1900}, {2, -1500}, {3, -1200}, {4, -800},    {5, -400},
      {6, 150},    {7, 400},   {8, 650},   {9, 800},   {-3, -10000}, {10, 800}};
  for (const auto& [step, volume] : cases) {
    Config.MusicVolume = step;
    ApplyMusicVolume();
    EXPECT_EQ(Backend.M.Volume, volume) << "step " << step;
  }
}

TEST_F(Music, NothingPlaysWithoutTheSoundDevice) {
  Backend.HasDevice = false;
  ASSERT_FALSE(AudioEnabled = InitSound());
  EXPECT_FALSE(InitMusic());
  EXPECT_NE(MusicError(), "");
  EXPECT_TRUE(PlayMusic(3));
  EXPECT_FALSE(MusicEnded());
  EXPECT_EQ(Backend.Asked, "") << "no player was even asked for";
}

TEST_F(Music, FailuresAreNamedAndAPieceThatFailsIsSkipped) {
  Backend.Error = "cannot open the SoundFont /nowhere/gm.sf2";
  ASSERT_TRUE(AudioEnabled = InitSound());
  EXPECT_FALSE(InitMusic());
  EXPECT_EQ(MusicError(), Backend.Error);
  EXPECT_FALSE(MusicEnded());
  EXPECT_FALSE(PlayMusic(0)) << "sound without music must reach the start-up";

  Backend.Error.clear();
  fs::remove("music/theme4.mid");
  Backend.M.Failing = "music/theme4.mid";
  ASSERT_TRUE(InitMusic());
  EXPECT_NE(MusicWarning().find("music/theme4.mid"), std::string::npos) << MusicWarning();
  EXPECT_EQ(MusicWarning().find("theme5"), std::string::npos) << MusicWarning();
  EXPECT_FALSE(PlayMusic(3));
  EXPECT_NE(MusicError().find("music/theme4.mid"), std::string::npos) << MusicError();
  EXPECT_EQ(CurrentMusicNumber, 3);
  EXPECT_TRUE(MusicEnded()) << "a piece that failed must not stop the cycle";
  Clock.Advance(1001);
  MusicUpkeep();
  EXPECT_EQ(Played().back(), "music/theme5.mid");
}

// The SoundFont loads while the game starts: one found damaged then turns the music off in
// the next upkeep, logged as at the start-up, the effects and the piece's number kept.
TEST_F(Music, ASoundFontThatFailsAfterTheStartUpTurnsTheMusicOffInTheUpkeep) {
  StartMusic();
  const int effects = SoundMixer()->VoiceCount();
  ASSERT_TRUE(PlayMusic(4));
  MusicUpkeep();
  EXPECT_EQ(Backend.M.Alive, 1) << "a player still loading is kept";
  Backend.M.FontError = "cannot load the SoundFont /elsewhere/gm.sf2";
  Clock.Advance(5000);
  MusicUpkeep();
  EXPECT_EQ(Backend.M.Alive, 0);
  EXPECT_EQ(MusicError(), Backend.M.FontError);
  EXPECT_EQ(test::ReadFile("debug.txt"), "Music off: cannot load the SoundFont /elsewhere/gm.sf2\r\n");
  EXPECT_FLOAT_EQ(MixedLevel(), 0.0f);
  EXPECT_EQ(SoundMixer()->VoiceCount(), effects) << "the effects play on";
  MusicUpkeep();
  EXPECT_EQ(Played(), std::vector<std::string>{"music/theme5.mid"}) << "no cycle without music";
  EXPECT_EQ(CurrentMusicNumber, 4);
}

TEST_F(Music, CloseLeavesTheMixFirstAndMayBeRepeated) {
  CloseMusic();
  StartMusic();
  ASSERT_TRUE(InitMusic());  // again: the first player is freed
  EXPECT_EQ(Backend.M.Alive, 1);
  ASSERT_TRUE(PlayMusic(1));
  CloseMusic();
  EXPECT_EQ(Backend.M.Alive, 0);
  EXPECT_FLOAT_EQ(MixedLevel(), 0.0f);
  EXPECT_FALSE(MusicEnded());
  CloseMusic();
  EXPECT_FALSE(PlayMusic(2));
}

}  // namespace
}  // namespace zolvane
