// The effects mixer without a device: Mix is called here as the audio thread would.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
  mixer.Play(v, true);  // starts over
  EXPECT_TRUE(mixer.Playing(v));
  EXPECT_EQ(Left(mixer, 7), eighths({1, 2, 3, 4, 5, 0, 0}));
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

TEST(Mixer, TwoVoicesAndTheSourceSummedAndClipped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Two voices of one frame and the music; the second frame is the music alone.
  const struct { float voice, source, sum, alone; } cases[] = {
      {0.75f, 0.0f, 1.0f, 0.0f},      {-0.5f, -0.25f, -1.0f, -0.25f},
      {0.125f, 0.25f, 0.5f, 0.25f},   {0.0f, nan, 0.0f, 0.0f},
      {0.0f, inf, 1.0f, 1.0f},        {0.0f, -inf, -1.0f, -1.0f}};
  for (const auto& c : cases) {
    Mixer mixer(1000);
    ConstantSource music(c.source);
    for (int i = 0; i < 2; ++i) mixer.Play(mixer.AddVoice({c.voice, c.voice}), true);
    mixer.SetSource(&music);
    EXPECT_EQ(Left(mixer, 2), (std::vector<float>{c.sum, c.alone})) << c.voice << " " << c.source;
    mixer.SetSource(nullptr);
    Left(mixer, 2);
    EXPECT_EQ(music.Renders, 1);
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
