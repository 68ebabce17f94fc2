// The effects mixer without a device: Mix is called here as the audio thread would.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "platform/audio.h"

namespace zolvane {
namespace {

// The left channel of the next frames (Mix must overwrite what is there).
std::vector<float> Left(Mixer& mixer, int frames) {
  std::vector<float> out(static_cast<size_t>(frames) * 2, 123.0f), left;
  mixer.Mix(out.data(), frames);
  for (int i = 0; i < frames; ++i) left.push_back(out[i * 2]);
  return left;
}

TEST(Mixer, RestartContinueAndTheEndOfAVoice) {
  Mixer mixer(1000);
  std::vector<float> ramp;  // frame k (1..5) is k / 8 on the left
  for (int k = 1; k <= 5; ++k) ramp.insert(ramp.end(), {k / 8.0f, -k / 8.0f});
  const int v = mixer.AddVoice(ramp);
  const auto eighths = [](std::vector<float> xs) {
    for (float& x : xs) x /= 8;
    return xs;
  };
  EXPECT_EQ(Left(mixer, 2), eighths({0, 0}));  // not played yet
  mixer.Play(v, false);
  EXPECT_EQ(Left(mixer, 2), eighths({1, 2}));
  mixer.Play(v, false);  // goes on
  EXPECT_EQ(Left(mixer, 1), eighths({3}));
  mixer.Play(v, true);  // starts over, the old sound fading out beside it
  EXPECT_TRUE(mixer.Playing(v));
  const std::vector<float> over = Left(mixer, 7);
  EXPECT_GT(over[0], 1 / 8.0f) << "the old sound goes on for a moment";
  EXPECT_EQ(std::vector<float>(over.begin() + 5, over.end()), eighths({0, 0}));
  EXPECT_FALSE(mixer.Playing(v));  // ended by itself
  mixer.Play(v, false);            // a stopped voice starts from its beginning
  EXPECT_EQ(Left(mixer, 1), eighths({1}));
}

TEST(Mixer, VolumeInHundredthsOfADecibel) {
  const struct { int32_t volume; float gain; } cases[] = {
      {Silence, 0.0f}, {-20000, 0.0f}, {0, 1.0f}, {500, 1.0f}, {-2000, 0.1f},
      {-600, 0.501187f}, {-1900, 0.112202f}, {-200, 0.794328f}, {-9999, 1.00115e-5f}};
  for (const auto& c : cases) {
    Mixer mixer(1000);
    const int v = mixer.AddVoice({0.5f, 0.5f});
    mixer.SetVolume(v, c.volume);
    mixer.Play(v, true);
    const float level = Left(mixer, 1)[0];
    if (c.gain == 0.0f || c.gain == 1.0f) EXPECT_EQ(level, 0.5f * c.gain) << c.volume;  // exact
    else EXPECT_NEAR(level, 0.5f * c.gain, c.gain * 1e-4f) << c.volume;
  }
}

class ConstantSource : public AudioSource {
 public:
  explicit ConstantSource(float level, bool slow = false) : Level(level), Slow(slow) {}
  void RenderAdd(float* out, int frames) override {
    Inside = true;
    if (Slow) std::this_thread::sleep_for(std::chrono::microseconds(200));
    for (int i = 0; i < frames * 2; ++i) out[i] += Level;
    ++Renders;
    Inside = false;
  }
  float Level;
  bool Slow;
  std::atomic<int> Renders{0};
  std::atomic<bool> Inside{false};
};

TEST(Mixer, TwoVoicesAndTheSourceSummedAndLimited) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float loud = Mixer::LimitThreshold, top = Mixer::LimitCeiling;
  // Two voices of one frame and the music; the second frame is the music alone. A sum
  // over the threshold comes out between it and the ceiling.
  const struct { float voice, source, sumLow, sumHigh, aloneLow, aloneHigh; } cases[] = {
      {0.75f, 0.0f, loud, top, 0.0f, 0.0f},     {-0.5f, -0.25f, -top, -loud, -0.25f, -0.15f},
      {0.125f, 0.25f, 0.5f, 0.5f, 0.25f, 0.25f}, {0.0f, nan, 0.0f, 0.0f, 0.0f, 0.0f},
      {0.0f, inf, loud, top, loud, top},        {0.0f, -inf, -top, -loud, -top, -loud}};
  for (const auto& c : cases) {
    Mixer mixer(1000);
    ConstantSource music(c.source);
    for (int i = 0; i < 2; ++i) mixer.Play(mixer.AddVoice({c.voice, c.voice}), true);
    mixer.SetSource(&music);
    const std::vector<float> heard = Left(mixer, 2);
    EXPECT_GE(heard[0], c.sumLow) << c.voice << " " << c.source;
    EXPECT_LE(heard[0], c.sumHigh) << c.voice << " " << c.source;
    EXPECT_GE(heard[1], c.aloneLow) << c.voice << " " << c.source;
    EXPECT_LE(heard[1], c.aloneHigh) << c.voice << " " << c.source;
    mixer.SetSource(nullptr);
    Left(mixer, 2);
    EXPECT_EQ(music.Renders, 1);
  }
}

constexpr int Rate = 44100;
constexpr float Pi = 3.14159265f;

// Seconds of a sine on both channels.
std::vector<float> Sine(float amplitude, float hertz, float seconds) {
  std::vector<float> x;
  for (int i = 0; i < static_cast<int>(seconds * Rate); ++i)
    x.insert(x.end(), 2, amplitude * std::sin(2 * Pi * hertz * i / Rate));
  return x;
}

// What a voice of these samples adds to the mix at full volume, exactly.
float Heard(float sample) {
  return static_cast<float>(std::lround(sample * 32768.0f)) * (1.0f / 32768.0f);
}

// Frames of the whole mix, both channels.
std::vector<float> MixFrames(Mixer& mixer, int frames) {
  std::vector<float> out(static_cast<size_t>(frames) * 2);
  mixer.Mix(out.data(), frames);
  return out;
}

float SteepestStep(const std::vector<float>& x, size_t from, size_t to) {
  float step = 0;
  for (size_t i = std::max<size_t>(from, 2); i < std::min(to, x.size()); ++i)
    step = std::max(step, std::fabs(x[i] - x[i - 2]));
  return step;
}

TEST(Mixer, UnderTheThresholdTheMixPassesBitForBitAlsoAfterALoudMoment) {
  Mixer mixer(Rate);
  const std::vector<float> a = Sine(0.5f, 440, 1), b = Sine(0.3f, 97, 1);
  ConstantSource music(0.1f);  // the three peak at 0.9, under the threshold
  const int va = mixer.AddVoice(a), vb = mixer.AddVoice(b);
  const int burst = mixer.AddVoice(Sine(0.9f, 220, 0.1f));
  mixer.SetSource(&music);
  mixer.Play(va, true), mixer.Play(vb, true);
  const auto expectPlainSum = [&](const std::vector<float>& out, size_t at, const char* when) {
    for (size_t i = 0; i < out.size(); ++i) {
      const float sum = Heard(a[at + i]) + Heard(b[at + i]) + 0.1f;
      ASSERT_EQ(out[i], sum) << when << ", sample " << at + i;
    }
  };
  expectPlainSum(MixFrames(mixer, 4410), 0, "before");
  mixer.Play(burst, true);  // 1.8 at its crests: the limiter acts
  const std::vector<float> loud = MixFrames(mixer, 4410);
  EXPECT_LT(*std::max_element(loud.begin(), loud.end()), Mixer::LimitCeiling + 1e-6f);
  MixFrames(mixer, 13230);  // 0.3 s to let go
  expectPlainSum(MixFrames(mixer, 4410), 2 * 22050, "after");
  mixer.SetSource(nullptr);
}

TEST(Mixer, ALoudSumIsTurnedDownSmoothlyUnderTheCeiling) {
  // Two equal voices summing to the peak: once the gain has settled (30 ms) the mix is
  // the sum times one gain, its crests at the threshold; never at full scale before.
  const struct { float peak, hertz; } cases[] = {{1.0f, 60}, {1.2f, 110}, {1.8f, 440},
                                                 {1.98f, 1000}, {1.5f, 5000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.peak << " at " << c.hertz << " Hz");
    Mixer mixer(Rate);
    const std::vector<float> half = Sine(c.peak / 2, c.hertz, 0.3f);
    mixer.Play(mixer.AddVoice(half), true), mixer.Play(mixer.AddVoice(half), true);
    const std::vector<float> out = MixFrames(mixer, Rate / 4);
    float highest = 0, lowestGain = 2, highestGain = 0, settledPeak = 0;
    for (size_t i = 0; i < out.size(); ++i) {
      highest = std::max(highest, std::fabs(out[i]));
      const float in = 2 * Heard(half[i]);
      if (i < 2 * Rate * 30 / 1000 || std::fabs(in) < 0.1f) continue;
      lowestGain = std::min(lowestGain, out[i] / in);
      highestGain = std::max(highestGain, out[i] / in);
      settledPeak = std::max(settledPeak, std::fabs(out[i]));
    }
    EXPECT_LE(highest, Mixer::LimitCeiling);
    EXPECT_LT(highestGain / lowestGain, 1.01f) << "the gain ripples or the crests are cut";
    EXPECT_GT(settledPeak, Mixer::LimitThreshold * 0.98f) << "turned down further than needed";
  }
}

TEST(Mixer, ARestartCrossfadesAndThenIsTheFreshStart) {
  const std::vector<float> tone = Sine(0.8f, 440, 0.3f);
  const float own = SteepestStep(tone, 0, tone.size());
  const int fade = static_cast<int>(std::lround(Rate * Mixer::FadeSeconds));
  // Frames played before the restart, and before a second one (0: none).
  const struct { int first, second; } cases[] = {
      {25, 0}, {1000, 0}, {1003, 0}, {4410, 0}, {1000, 60}, {1000, fade - 1}, {2000, 2 * fade}};
  Mixer fresh(Rate);
  fresh.Play(fresh.AddVoice(tone), true);
  const std::vector<float> start = MixFrames(fresh, 4 * fade);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "restarts after " << c.first << " and " << c.second);
    Mixer mixer(Rate);
    const int v = mixer.AddVoice(tone);
    mixer.Play(v, true);
    std::vector<float> out = MixFrames(mixer, c.first);
    const size_t restart = out.size();
    mixer.Play(v, true);
    int since = 0;
    if (c.second > 0) {
      const std::vector<float> more = MixFrames(mixer, c.second);
      out.insert(out.end(), more.begin(), more.end());
      mixer.Play(v, true);
      since = 0;
    }
    const std::vector<float> last = MixFrames(mixer, 4 * fade);
    out.insert(out.end(), last.begin(), last.end());
    // Two tones of different phase crossfaded may be a little steeper than one; a cut is
    // many times steeper.
    EXPECT_LE(SteepestStep(out, restart, out.size()), own * 1.15f) << "a click at the restart";
    // Once the fade is over the old sound is gone: what plays is the fresh start exactly.
    for (size_t i = 2 * fade + 2 * since; i < last.size(); ++i)
      ASSERT_EQ(last[i], start[i]) << "sample " << i;
  }
}

TEST(Mixer, ClearAndAVolumeChangeFadeInsteadOfStepping) {
  const int fade = static_cast<int>(std::lround(Rate * Mixer::FadeSeconds));
  const struct { const char* what; bool clear; int32_t volume; float end; } cases[] = {
      {"cleared", true, 0, 0.0f},
      {"turned to silence", false, Silence, 0.0f},
      {"turned down 10 dB", false, -1000, 0.5f * 0.316228f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Mixer mixer(Rate);
    const int v = mixer.AddVoice(std::vector<float>(Rate * 2, 0.5f));  // a step is all click
    mixer.Play(v, true);
    std::vector<float> out = MixFrames(mixer, 100);
    if (c.clear) mixer.Clear();
    else mixer.SetVolume(v, c.volume);
    const std::vector<float> after = MixFrames(mixer, 3 * fade);
    out.insert(out.end(), after.begin(), after.end());
    EXPECT_LE(SteepestStep(out, 0, out.size()), (0.5f - c.end) / fade * 1.05f);
    EXPECT_NEAR(out.back(), c.end, 1e-6f);
    if (c.clear) {
      const std::vector<float> silence = MixFrames(mixer, 64), zero(128, 0.0f);
      EXPECT_EQ(std::memcmp(silence.data(), zero.data(), 128 * sizeof(float)), 0)
          << "silence is all zero bytes";
    }
  }
}

// The audio thread mixes all along while the main thread loads, plays and swaps the music.
TEST(Mixer, MainThreadChangesWhileTheAudioThreadMixes) {
  Mixer mixer(1000);
  ConstantSource music(0.0f, true);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> out(512);
    while (!stop) mixer.Mix(out.data(), 256);
  });
  for (int i = 0; i < 300; ++i) {
    mixer.Play(mixer.AddVoice(std::vector<float>(64, 0.001f)), i % 2 == 0);
    mixer.SetVolume(i, -100 * (i % 50));
  }
  mixer.SetSource(&music);
  while (music.Renders < 5 || !music.Inside) std::this_thread::yield();  // caught mid-render
  mixer.SetSource(nullptr);
  // From here the old source may be destroyed: it is not rendering and will not be asked.
  EXPECT_FALSE(music.Inside);
  const int renders = music.Renders;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(music.Renders, renders);
  mixer.Clear();
  stop = true;
  audio.join();
  EXPECT_EQ(mixer.VoiceCount(), 0);
}

}  // namespace
}  // namespace zolvane
