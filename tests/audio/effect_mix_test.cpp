// The run folder's own effects through the mixer at full volume, loaded as the game loads
// them, in the overlaps the rules make and restarted while they play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "audio/sound.h"
#include "platform/audio.h"
#include "platform/settings.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

constexpr int Rate = 44100;
using Stereo = std::vector<float>;

// 16-bit PCM, mono or stereo, at the rate or half of it (the praise is made at 22050 Hz),
// as stereo float at 44100 Hz; halfway samples are interpolated.
class HalfRateBackend : public AudioBackend {
 public:
  Mixer* Open() override {
    TheMixer = std::make_unique<Mixer>(Rate);
    return TheMixer.get();
  }
  void Close() override { TheMixer.reset(); }
  bool Convert(const WaveFormat& f, const uint8_t* data, size_t bytes, int rate,
               std::vector<float>& out) override {
    if (f.BitsPerSample != 16 || (f.Channels != 1 && f.Channels != 2)) return false;
    if (f.SamplesPerSec != uint32_t(rate) && f.SamplesPerSec * 2 != uint32_t(rate)) return false;
    std::vector<float> in;  // stereo at the file's rate
    for (size_t i = 0; i + 2 * f.Channels <= bytes; i += 2 * f.Channels)
      for (int c = 0; c < 2; ++c) {
        const size_t at = i + 2 * std::min<size_t>(c, f.Channels - 1);
        in.push_back(int16_t(data[at] | data[at + 1] << 8) / 32768.0f);
      }
    if (f.SamplesPerSec == uint32_t(rate)) {
      out = std::move(in);
      return true;
    }
    for (size_t i = 0; i < in.size(); i += 2)
      for (int half = 0; half < 2; ++half)
        for (int c = 0; c < 2; ++c) {
          const float next = i + 2 < in.size() ? in[i + 2 + c] : 0.0f;
          out.push_back(half == 0 ? in[i + c] : (in[i + c] + next) / 2);
        }
    return true;
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int, const std::string&, std::string*) override {
    return nullptr;
  }
  std::unique_ptr<Mixer> TheMixer;
};

// Music at its loudest step peaks near 0.4: a low tone that loud stands in for it.
class LoudMusic : public AudioSource {
 public:
  void RenderAdd(float* out, int frames) override {
    for (int i = 0; i < frames; ++i, ++Frame) {
      const float x = 0.4f * std::sin(2 * 3.14159265f * 110 * float(Frame) / Rate);
      out[2 * i] += x, out[2 * i + 1] += x;
    }
  }
  long Frame = 0;
};

class EffectMix : public ::testing::Test {
 protected:
  void SetUp() override {
    Config.SoundVolume = 9;
    SetAudioBackend(&Backend);
    ASSERT_TRUE(InitSound());
    ASSERT_EQ(SoundMixer()->VoiceCount(), EffectCount) << "the run folder's sounds/ all load";
    AudioEnabled = true;
  }
  void TearDown() override {
    FreeSound();
    SetAudioBackend(nullptr);
    Config = Saved;
  }
  Stereo Mix(long frames) {
    Stereo out(size_t(frames) * 2);
    SoundMixer()->Mix(out.data(), int(frames));
    return out;
  }
  void MixOn(Stereo& all, long frames) {
    const Stereo more = Mix(frames);
    all.insert(all.end(), more.begin(), more.end());
  }
  // Until the effect has ended (voice i is effect i), a block at a time as the device does.
  void MixUntilEnded(Stereo& all, int effect) {
    while (SoundMixer()->Playing(effect)) MixOn(all, 1024);
  }
  Stereo Alone(int effect) {
    Stereo all;
    PlayEffect(effect, true);
    MixUntilEnded(all, effect);
    return all;
  }

  const test::CurrentFolder In{ZOLVANE_RUN_DIR};
  GameSettings Saved = Config;
  HalfRateBackend Backend;
};

int Named(const char* name) {
  for (int i = 0; i < EffectCount; ++i)
    if (std::string(name) == EffectNames[i]) return i;
  ADD_FAILURE() << "no effect " << name;
  return 0;
}

long Frames(const Stereo& x) { return long(x.size() / 2); }

// The offset of b after a at which their highest crests (of one sign, on one channel) meet.
long LoudestOffset(const Stereo& a, const Stereo& b) {
  long best = 0;
  float loudest = 0;
  for (int c = 0; c < 2; ++c)
    for (float sign : {1.0f, -1.0f}) {
      // The crest of each 10 ms of a and of b.
      std::vector<std::pair<long, float>> ca, cb;
      for (auto [x, crests] : {std::pair{&a, &ca}, std::pair{&b, &cb}})
        for (long s = 0; s < Frames(*x); s += Rate / 100) {
          long top = s;
          for (long t = s; t < std::min(Frames(*x), s + Rate / 100); ++t)
            if (sign * (*x)[2 * t + c] > sign * (*x)[2 * top + c]) top = t;
          crests->push_back({top, sign * (*x)[2 * top + c]});
        }
      for (auto [ta, va] : ca)
        for (auto [tb, vb] : cb)
          if (ta >= tb && va + vb > loudest) loudest = va + vb, best = ta - tb;
    }
  return best;
}

double RmsDb(const Stereo& x, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
  return 10 * std::log10(sum / double(to - from));
}

TEST_F(EffectMix, TheLoudestOverlapsStayUnderFullScaleAndKeepTheirLoudness) {
  std::vector<Stereo> alone;
  for (int i = 0; i < EffectCount; ++i) alone.push_back(Alone(i));
  LoudMusic music;
  const Stereo musicAlone = [&] {
    Stereo x(size_t(Rate) * 4, 0.0f);
    LoudMusic m;
    m.RenderAdd(x.data(), Rate * 2);
    return x;
  }();
  SoundMixer()->SetSource(&music);

  // A praise line with either row sound (the rules start it with "linedellow" and the next
  // clear may come while it speaks), a level's sound with "linedel"; either may come first.
  std::vector<std::pair<int, int>> pairs;
  for (const char* praise : {"youaregood", "spectacular", "smashing", "perfect", "great",
                             "fantastic", "excellent"})
    for (const char* rows : {"linedel", "linedellow"})
      pairs.push_back({Named(praise), Named(rows)});
  for (const char* level : {"leveldone", "welldone", "goodjob"})
    pairs.push_back({Named(level), Named("linedel")});
  float loudestSum = 0;
  for (auto [one, other] : pairs)
    for (auto [first, second] : {std::pair{one, other}, std::pair{other, one}}) {
      SCOPED_TRACE(std::string(EffectNames[first]) + " then " + EffectNames[second]);
      const Stereo &a = alone[first], &b = alone[second];
      const long offset = LoudestOffset(a, b), end = std::min(Frames(a), offset + Frames(b));
      Stereo heard;
      PlayEffect(first, true);
      MixOn(heard, offset);
      const long musicAt = music.Frame - offset;
      PlayEffect(second, true);
      MixUntilEnded(heard, first);
      MixUntilEnded(heard, second);
      // The plain sum over the overlap, music and all, as a mixer without limits adds it.
      Stereo sum;
      for (long t = offset; t < end; ++t)
        for (int c = 0; c < 2; ++c)
          sum.push_back(a[2 * t + c] + b[2 * (t - offset) + c] +
                        musicAlone[2 * ((musicAt + t) % Rate) + c]);
      float peak = 0;
      for (float x : heard) peak = std::max(peak, std::fabs(x));
      EXPECT_LT(peak, 0.999f) << "at " << offset << " frames";
      // Turned down where it must be, not all along: the overlap loses at most three quarters
      // of what the plain sum would lose turned down as a whole to fit under the threshold.
      const float sumPeak = std::fabs(*std::max_element(
          sum.begin(), sum.end(), [](float x, float y) { return std::fabs(x) < std::fabs(y); }));
      loudestSum = std::max(loudestSum, sumPeak);
      const double asAWhole = 20 * std::log10(std::min(1.0f, Mixer::LimitThreshold / sumPeak));
      const double lost = RmsDb(heard, 2 * offset, 2 * end) - RmsDb(sum, 0, sum.size());
      EXPECT_GT(lost, 0.75 * asAWhole - 0.05) << "at " << offset << " frames, " << sumPeak;
      MixOn(heard, Rate / 2);  // the limiter lets go before the next pair
    }
  EXPECT_GT(loudestSum, 1.5f) << "the pairs would go far past full scale unlimited";
  SoundMixer()->SetSource(nullptr);
}

TEST_F(EffectMix, ARestartIsNoSteeperThanTheEffectItself) {
  const auto steepest = [](const Stereo& x, long from, long to) {
    float step = 0;
    for (long t = std::max(from, 1L); t < std::min(to, Frames(x)); ++t)
      for (int c = 0; c < 2; ++c) step = std::max(step, std::fabs(x[2 * t + c] - x[2 * t - 2 + c]));
    return step;
  };
  // Every effect the game restarts while it may still play ("warning" only ever goes on).
  for (int effect = 0; effect < EffectCount; ++effect) {
    if (std::string(EffectNames[effect]) == "warning") continue;
    SCOPED_TRACE(EffectNames[effect]);
    Stereo alone = Alone(effect);
    alone.insert(alone.begin(), {0.0f, 0.0f});  // from the silence before it
    const float own = steepest(alone, 1, Frames(alone));
    // Fast presses and quick clears restart it early: every 4 ms of its first 0.6 s.
    for (long at = Rate / 1000; at < std::min(Frames(alone) - Rate / 100, long(Rate * 0.6));
         at += 4 * Rate / 1000) {
      Stereo heard;
      PlayEffect(effect, true);
      MixOn(heard, at);
      PlayEffect(effect, true);
      MixOn(heard, Rate / 100);
      ASSERT_LE(steepest(heard, at, Frames(heard)), own * 1.01f) << "restarted at " << at;
      while (SoundMixer()->Playing(effect)) Mix(4096);
    }
  }
}

}  // namespace
}  // namespace zolvane
