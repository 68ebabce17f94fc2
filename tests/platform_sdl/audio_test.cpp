// The SDL sound device: waves converted through SDL_AudioStream, the device opened with
// SDL's dummy driver, and what reaches the output heard through its disk driver.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sdl/sdl_audio.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : Name(name) {
    if (const char* old = std::getenv(name)) Old = old, HadOld = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { HadOld ? setenv(Name, Old.c_str(), 1) : unsetenv(Name); }

 private:
  const char* Name;
  std::string Old;
  bool HadOld = false;
};

// Mean and RMS of one channel over the middle half, away from the resampler's edges.
std::pair<double, double> Level(const std::vector<float>& stereo, int channel) {
  const size_t from = stereo.size() / 8, to = stereo.size() * 3 / 8;
  double sum = 0, squares = 0;
  for (size_t i = from; i < to; ++i) {
    const double x = stereo[i * 2 + channel];
    sum += x, squares += x * x;
  }
  return {sum / double(to - from), std::sqrt(squares / double(to - from))};
}

TEST(SdlAudio, WavesBecomeStereoFloatAtTheMixersRate) {
  const std::vector<uint8_t> mono(11025, 192);  // 8-bit, a level of +0.5
  std::vector<uint8_t> stereo;                  // 16-bit: a sine of 0.5 left, -0.25 right
  for (int i = 0; i < 22050; ++i) {
    const double sine = std::sin(2 * std::numbers::pi * 441 * i / 44100.0);
    for (int s : {int(std::lround(16384 * sine)), -8192})
      stereo.insert(stereo.end(), {uint8_t(s), uint8_t(s >> 8)});
  }
  const struct {
    WaveFormat format;
    const std::vector<uint8_t>& data;
    size_t frames;
    std::pair<double, double> left, right;  // mean and RMS
  } cases[] = {
      {{1, 11025, 11025, 1, 8}, mono, 48000, {0.5, 0.5}, {0.5, 0.5}},
      {{2, 44100, 176400, 4, 16}, stereo, 24000, {0.0, 0.5 / std::sqrt(2.0)}, {-0.25, 0.25}}};
  SdlAudioBackend backend;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format.BitsPerSample);
    std::vector<float> out = {42.0f};  // replaced, not appended to
    ASSERT_TRUE(backend.Convert(c.format, c.data.data(), c.data.size(), 48000, out));
    ASSERT_EQ(out.size(), c.frames * 2);
    for (int channel : {0, 1}) {
      const auto [mean, rms] = Level(out, channel);
      const auto& want = channel == 0 ? c.left : c.right;
      EXPECT_NEAR(mean, want.first, 0.005);
      EXPECT_NEAR(rms, want.second, 0.005);
    }
    // The end of the wave is there too, not kept back in the resampler.
    EXPECT_NEAR(out[(c.frames - 300) * 2 + 1], c.right.first, 0.01);
  }

  const WaveFormat refused[] = {{0, 22050, 0, 0, 16}, {9, 22050, 0, 18, 16}, {1, 22050, 0, 3, 24},
                                {1, 22050, 0, 1, 12}, {1, 0, 0, 2, 16},      {1, 10, 20, 2, 16}};
  for (const WaveFormat& f : refused) {
    std::vector<float> out = {1.0f};
    EXPECT_FALSE(backend.Convert(f, mono.data(), 4000, 48000, out))
        << f.Channels << " channels " << f.BitsPerSample << " bits " << f.SamplesPerSec << " Hz";
    EXPECT_TRUE(out.empty());
  }
}

class CountingSource : public AudioSource {
 public:
  void RenderAdd(float*, int frames) override { Frames += frames; }
  std::atomic<long> Frames{0};
};

TEST(SdlAudio, DummyDriverRunsTheMixerAndAMissingDriverGivesNone) {
  {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    SdlAudioBackend backend;
    Mixer* mixer = backend.Open();
    ASSERT_NE(mixer, nullptr) << SDL_GetError();
    EXPECT_GT(mixer->Rate(), 0);
    CountingSource source;
    mixer->SetSource(&source);
    for (int i = 0; i < 200 && source.Frames == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(source.Frames, 0) << "the device never called the mixer";
    backend.Close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
  ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
  SdlAudioBackend backend;
  EXPECT_EQ(backend.Open(), nullptr);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST(SdlAudio, DiskDriverHearsTheMixLimitedInFloatAnd16Bit) {
  for (SDL_AudioFormat format : {AUDIO_F32SYS, AUDIO_S16SYS}) {
    SCOPED_TRACE(format);
    const test::TempFolder folder;
    const std::string path = (folder / "heard.raw").string();
    int rate = 0;
    {
      ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", path);
      SdlAudioBackend backend(format);
      Mixer* mixer = backend.Open();
      ASSERT_NE(mixer, nullptr) << SDL_GetError();
      ASSERT_EQ(backend.DeviceFormat(), format);
      // A quarter second of two voices summing to 1.5 left and -0.5 right.
      rate = mixer->Rate();
      std::vector<float> loud;
      for (int i = 0; i < rate / 4; ++i) loud.insert(loud.end(), {0.75f, -0.25f});
      const int a = mixer->AddVoice(loud), b = mixer->AddVoice(loud);
      mixer->Play(a, true), mixer->Play(b, true);
      while (mixer->Playing(a)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string bytes = test::ReadFile(path);
    std::vector<float> heard;
    const size_t size = format == AUDIO_F32SYS ? 4 : 2;
    for (size_t i = 0; i + size <= bytes.size(); i += size) {
      int16_t s16;
      float f;
      std::memcpy(size == 4 ? static_cast<void*>(&f) : &s16, &bytes[i], size);
      heard.push_back(size == 4 ? f : s16 / 32767.0f);
    }
    // Silence, the sum for exactly its length, silence again.
    size_t start = 0, end;
    while (start < heard.size() && heard[start] == 0.0f) start += 2;
    for (end = start; end + 1 < heard.size() && heard[end] != 0.0f; end += 2) {
      // Turned down under full scale by the limiter, both sides alike, not wrapped.
      ASSERT_GE(heard[end], 0.9f);
      ASSERT_LE(heard[end], Mixer::LimitCeiling + 1e-4f);
      ASSERT_GE(heard[end + 1], -0.5f);
      ASSERT_LE(heard[end + 1], -0.25f);
    }
    EXPECT_EQ((end - start) / 2, size_t(rate / 4));
    for (size_t i = end; i < heard.size(); ++i) ASSERT_EQ(heard[i], 0.0f);
  }
}

}  // namespace
}  // namespace zolvane
