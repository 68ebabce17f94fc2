// Loading and playing the effects over a fake backend whose "device" is a mixer the test
// mixes by hand, with wave files written into a scratch run folder.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "platform/audio.h"
#include "platform/settings.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;

// 16-bit mono without resampling; refuses anything else.
class FakeBackend : public AudioBackend {
 public:
  Mixer* Open() override {
    if (HasDevice) TheMixer = std::make_unique<Mixer>(8000);
    return TheMixer.get();
  }
  void Close() override { ++Closes, TheMixer.reset(); }
  bool Convert(const WaveFormat& f, const uint8_t* data, size_t bytes, int,
               std::vector<float>& out) override {
    Formats.push_back(f);
    if (f.BitsPerSample != 16 || f.Channels != 1) return false;
    for (size_t i = 0; i + 1 < bytes; i += 2)
      out.insert(out.end(), 2, int16_t(data[i] | data[i + 1] << 8) / 32768.0f);
    return true;
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int, const std::string&, std::string*) override {
    return nullptr;
  }
  bool DeviceGone() const override { return Gone; }
  bool HasDevice = true;
  bool Gone = false;
  int Closes = 0;
  std::vector<WaveFormat> Formats;
  std::unique_ptr<Mixer> TheMixer;
};

// A canonical 44-byte-header wave of 16-bit mono at 8000 Hz; `before` goes between the
// format block and the data, `extra` is added to the data length written.
std::vector<uint8_t> Wave(const std::vector<int16_t>& samples, uint16_t bits = 16,
                          const std::string& before = "", uint32_t extra = 0) {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> 8 * i));
  };
  auto text = [&](const std::string& s) { b.insert(b.end(), s.begin(), s.end()); };
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  text("RIFF"), put(36 + uint32_t(before.size()) + dataBytes, 4), text("WAVEfmt "), put(16, 4);
  put(1, 2), put(1, 2), put(8000, 4), put(8000 * bits / 8, 4), put(bits / 8, 2), put(bits, 2);
  text(before), text("data"), put(dataBytes + extra, 4);
  for (int16_t s : samples) put(uint16_t(s), 2);
  return b;
}

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(Folder / "sounds");
    Config.SoundVolume = 9;
    SetAudioBackend(&Backend);
  }
  void TearDown() override {
    FreeSound();
    SetAudioBackend(nullptr);
    SetEffectRecorder(nullptr);
    Config = Saved;
  }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFile(Folder / "sounds" / name, bytes);
  }
  // Effect i: a level of (i + 1) * 1000 for four frames.
  void WriteAllEffects() {
    for (int i = 0; i < EffectCount; ++i)
      Write(EffectFileNames[i], Wave(std::vector<int16_t>(4, int16_t((i + 1) * 1000))));
  }
  // The left channel of the next frames.
  std::vector<float> Left(int frames) {
    std::vector<float> out(size_t(frames) * 2), left;
    SoundMixer()->Mix(out.data(), frames);
    for (int i = 0; i < frames; ++i) left.push_back(out[i * 2]);
    return left;
  }
  float LevelOf(int effect) {
    PlayEffect(effect, true);
    return Left(5)[0];  // and the four frames are over
  }

  const test::TempFolder Folder;
  const test::CurrentFolder In{Folder.Path()};
  GameSettings Saved = Config;
  FakeBackend Backend;
};

TEST_F(Sound, WaveFilesAcceptedAndRefused) {
  const std::vector<int16_t> samples = {1000, -2000, 3000};
  const std::vector<uint8_t> good = Wave(samples);
  std::vector<uint8_t> noData = good;
  noData[36] = 'D';
  const struct { const char* what; std::vector<uint8_t> bytes; bool loads; } cases[] = {
      {"canonical", good, true},
      {"a LIST chunk before the data",
       Wave(samples, 16, std::string("LIST\x06\0\0\0INFO\0\0", 14)), true},
      {"no data block", noData, false},
      {"length past the end", Wave(samples, 16, "", 1), false},
      {"data without its length", {good.begin(), good.begin() + 42}, false},
      {"header cut at 35 bytes", {good.begin(), good.begin() + 35}, false},
      {"empty file", {}, false},
      {"a format the device refuses", Wave(samples, 8), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(EffectFileNames[0], {});  // the device opens with nothing loaded
    ASSERT_TRUE(InitSound());
    Write("effect.wav", c.bytes);
    Backend.Formats.clear();
    ASSERT_EQ(LoadWaveFile(3, "effect.wav"), c.loads);
    AudioEnabled = true;
    PlayEffect(3, true);
    if (!c.loads) {
      EXPECT_EQ(SoundMixer()->VoiceCount(), 0);
      continue;
    }
    ASSERT_EQ(Backend.Formats.size(), 1u);
    const WaveFormat& f = Backend.Formats[0];
    EXPECT_EQ(std::vector<uint32_t>(
                  {f.Channels, f.SamplesPerSec, f.AvgBytesPerSec, f.BlockAlign, f.BitsPerSample}),
              std::vector<uint32_t>({1, 8000, 16000, 2, 16}));
    EXPECT_EQ(Left(4), (std::vector<float>{1000 / 32768.0f, -2000 / 32768.0f, 3000 / 32768.0f, 0}));
  }
}

TEST_F(Sound, UnreadableWaveFileThrowsNamingIt) {
  WriteAllEffects();
  ASSERT_TRUE(InitSound());
  fs::create_directory(Folder / "sounds" / "folder.wav");
  for (const std::string name : {"missing.wav", "folder.wav"}) {
    try {
      LoadWaveFile(0, name);
      ADD_FAILURE() << name << " loaded";
    } catch (const SoundFileError& e) {
      EXPECT_NE(std::string(e.what()).find("sounds/" + name), std::string::npos) << e.what();
    }
  }
  // Met during InitSound, it leaves no device open behind it.
  fs::remove(Folder / "sounds" / EffectFileNames[19]);
  EXPECT_THROW(InitSound(), SoundFileError);
  EXPECT_EQ(Backend.TheMixer, nullptr);
  EXPECT_EQ(SoundMixer(), nullptr);
}

TEST_F(Sound, InitLoadsUntilTheFirstFailureAndFreeForgetsAll) {
  WriteAllEffects();
  SetAudioBackend(nullptr);
  EXPECT_FALSE(InitSound());
  SetAudioBackend(&Backend);
  Backend.HasDevice = false;
  EXPECT_FALSE(InitSound());
  Backend.HasDevice = true;

  Write(EffectFileNames[5], {'R', 'I', 'F', 'F'});
  fs::remove(Folder / "sounds" / EffectFileNames[7]);  // would throw if loading went on
  ASSERT_TRUE(InitSound());                             // the device is there all the same
  AudioEnabled = true;
  for (int i = 0; i < EffectCount; ++i)
    EXPECT_FLOAT_EQ(LevelOf(i), i < 5 ? (i + 1) * 1000 / 32768.0f : 0.0f) << "effect " << i;
  EXPECT_FALSE(LoadEffects());
  WriteAllEffects();
  EXPECT_TRUE(LoadEffects());

  FreeSound();
  FreeSound();
  EXPECT_EQ(Backend.Closes, 1);
  EXPECT_EQ(SoundMixer(), nullptr);
  PlayEffect(0, true);  // nothing left to play on, and no crash
}

TEST_F(Sound, PlayEffectRecordsAlwaysAndSoundsOnlyWithAudio) {
  WriteAllEffects();
  std::vector<int16_t> ramp;  // sample i is 100 (i + 1)
  for (int i = 0; i < 200; ++i) ramp.push_back(int16_t(100 * (i + 1)));
  Write(EffectFileNames[7], Wave(ramp));
  ASSERT_TRUE(InitSound());
  std::vector<int32_t> recorded;
  SetEffectRecorder(&recorded);
  AudioEnabled = false;
  PlayEffect(7, true);
  EXPECT_EQ(Left(2), (std::vector<float>{0, 0}));
  AudioEnabled = true;
  // A restart crossfades from the old sound for a moment: the frame after that moment
  // tells where the effect is.
  const int fade = int(std::lround(8000 * Mixer::FadeSeconds));
  const struct { bool restart; int16_t next; } plays[] = {
      {true, int16_t(100 * (fade + 1))}, {false, int16_t(100 * (2 * fade + 2))},
      {true, int16_t(100 * (fade + 1))}};
  for (const auto& p : plays) {
    PlayEffect(7, p.restart);
    EXPECT_FLOAT_EQ(Left(fade + 1)[fade], p.next / 32768.0f) << "restart " << p.restart;
  }
  Left(200);  // the ramp plays out
  // Asked for while the device is gone, it would sound late, once one is back.
  Backend.Gone = true;
  PlayEffect(7, true);
  Backend.Gone = false;
  EXPECT_EQ(Left(2), (std::vector<float>{0, 0}));
  PlayEffect(20, true);
  EXPECT_EQ(recorded, (std::vector<int32_t>{7, 7, 7, 7, 7}));
}

TEST_F(Sound, SoundVolumeStepsSetEveryEffect) {
  WriteAllEffects();
  Config.SoundVolume = 0;
  ASSERT_TRUE(InitSound());
  AudioEnabled = true;
  EXPECT_EQ(LevelOf(12), 0.0f);  // loaded silent at step 0
  const auto dB = [](double d) { return std::pow(10.0, d / 20); };
  const struct { int32_t setting; double gain; } cases[] = {
      {9, 1.0}, {0, 0.0}, {5, dB(-9)}, {1, dB(-19)}, {8, dB(-2)}, {42, 1.0}, {-3, 0.0}};
  for (const auto& c : cases) {
    Config.SoundVolume = c.setting;
    ApplySoundVolume();
    for (int i : {0, 12, 19})
      EXPECT_NEAR(LevelOf(i), c.gain * (i + 1) * 1000 / 32768.0, 1e-6) << "setting " << c.setting;
  }
}

}  // namespace
}  // namespace zolvane
