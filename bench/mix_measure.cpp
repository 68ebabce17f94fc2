// Figures on what the mix does to the player's ears, rendered through the game's own
// mixer and effects (the real conversion and synthesiser, no device), so that a change to
// the mixer can be measured before and after with the same program:
//
//   mix_measure overlaps [--run-dir DIR] [--music STEP] [--sound STEP]
//       the effects the rules play over each other (a praise line with "linedel" and with
//       "linedellow", a level's sound with "linedel"), each pair at the offset that makes it
//       loudest, at sound volume STEP (default 9) and music volume STEP (default 0, none):
//       peak, samples at full scale, loudness of the overlap.
//   mix_measure clicks [--run-dir DIR] [EFFECT...]
//       an effect restarted while it plays, at every millisecond of its length: the largest
//       sample-to-sample step in the 10 ms from the restart over the effect's own steepest
//       (default: menuchange linedel).
//   mix_measure cost [--run-dir DIR]
//       the mixer's own CPU time (no music): 60 s of sound with all twenty effects started
//       again every half second, most of them restarted while they play.
//   mix_measure stats FILE...
//       a recording of SDL's disk driver (stereo 32-bit float): length, peak, samples at
//       full scale (|x| >= 0.999), loudness (RMS in dBFS).
//   mix_measure replay FILE...
//       the recording played through the mixer as its only source: the same figures for
//       what comes out, and how many samples the mixer changed.
//
// scripts/audio/mix_figures.sh builds it against an older checkout for the "before".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "bench/pulled_backend.h"
#include "platform/audio.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

constexpr int Rate = 44100;  // what the game asks the device for
constexpr int Block = 1024;  // frames per callback, as the device asks for
constexpr float FullScale = 0.999f;

using Stereo = std::vector<float>;  // interleaved

struct Figures {
  float Peak = 0;
  long Full = 0;     // samples with |x| >= FullScale
  double Sum2 = 0;   // of all samples
  long Samples = 0;
  void Add(const float* x, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      const float a = std::fabs(x[i]);
      Peak = std::max(Peak, a);
      Full += a >= FullScale;
      Sum2 += double{x[i]} * x[i];
    }
    Samples += static_cast<long>(n);
  }
  double RmsDb() const {
    return Samples && Sum2 > 0 ? 10 * std::log10(Sum2 / static_cast<double>(Samples)) : -200;
  }
};

Mixer& TheMixer() { return *SoundMixer(); }

void MixInto(Stereo& all, long frames) {
  Stereo block(static_cast<size_t>(Block) * 2);
  while (frames > 0) {
    const int n = static_cast<int>(std::min<long>(frames, Block));
    MusicUpkeep();
    TheMixer().Mix(block.data(), n);
    all.insert(all.end(), block.begin(), block.begin() + 2 * n);
    frames -= n;
  }
}

// Mixes until the voice has ended, a block at a time as the device does.
void MixUntilEnded(Stereo& all, int voice) {
  while (TheMixer().Playing(voice)) MixInto(all, Block);
}

long Frames(const Stereo& x) { return static_cast<long>(x.size() / 2); }

// The effect alone, as the mixer plays it at the volume set (all loaded: voice = effect).
Stereo Alone(int effect) {
  Stereo all;
  PlayEffect(effect, true);
  MixUntilEnded(all, effect);
  while (!all.empty() && all.back() == 0.0f && all[all.size() - 2] == 0.0f) all.resize(all.size() - 2);
  return all;
}

int EffectByName(const std::string& name) {
  for (int i = 0; i < EffectCount; ++i)
    if (name == EffectNames[i]) return i;
  return -1;
}

// The loudest moment of b started offset frames after a: |a[t] + b[t - offset]|.
float SumPeak(const Stereo& a, const Stereo& b, long offset) {
  float peak = 0;
  const long end = std::min(Frames(a), offset + Frames(b));
  for (long t = offset; t < end; ++t)
    for (int c = 0; c < 2; ++c)
      peak = std::max(peak, std::fabs(a[2 * t + c] + b[2 * (t - offset) + c]));
  return peak;
}

// Where each 10 ms stretch of x is highest and lowest, loudest stretches first.
std::vector<std::pair<long, int>> Crests(const Stereo& x, int sign, int channel, size_t keep) {
  std::vector<std::pair<float, long>> found;
  const long stretch = Rate / 100;
  for (long s = 0; s < Frames(x); s += stretch) {
    long best = s;
    for (long t = s; t < std::min(Frames(x), s + stretch); ++t)
      if (sign * x[2 * t + channel] > sign * x[2 * best + channel]) best = t;
    found.push_back({sign * x[2 * best + channel], best});
  }
  std::sort(found.begin(), found.end(), [](auto& p, auto& q) { return p.first > q.first; });
  std::vector<std::pair<long, int>> out;
  for (size_t i = 0; i < std::min(keep, found.size()); ++i) out.push_back({found[i].second, sign});
  return out;
}

// The offset (b after a, within a) at which b's crests meet a's of the same sign.
long LoudestOffset(const Stereo& a, const Stereo& b, float* peak) {
  long best = 0;
  *peak = SumPeak(a, b, 0);
  for (int c = 0; c < 2; ++c)
    for (int sign : {1, -1})
      for (auto [ta, _] : Crests(a, sign, c, 12))
        for (auto [tb, __] : Crests(b, sign, c, 12)) {
          const long offset = ta - tb;
          if (offset < 0 || offset >= Frames(a)) continue;
          const float p = SumPeak(a, b, offset);
          if (p > *peak) *peak = p, best = offset;
        }
  return best;
}

struct Overlap {
  std::string Names;
  long Offset;
  float PlainPeak;    // the sum of the two alone, without the music
  double PlainRmsDb;  // of that sum over the overlap
  Figures Heard;      // the mix over the overlap
};

Overlap RenderOverlap(int first, int second, long offset, const Stereo& a, const Stereo& b) {
  Overlap o{std::string(EffectNames[first]) + " then " + EffectNames[second], offset, 0, 0, {}};
  Figures plain;
  const long end = std::min(Frames(a), offset + Frames(b));
  Stereo sum;
  for (long t = offset; t < end; ++t)
    for (int c = 0; c < 2; ++c) sum.push_back(a[2 * t + c] + b[2 * (t - offset) + c]);
  plain.Add(sum.data(), sum.size());
  o.PlainPeak = plain.Peak;
  o.PlainRmsDb = plain.RmsDb();

  Stereo all;
  PlayEffect(first, true);
  MixInto(all, offset);
  PlayEffect(second, true);
  MixUntilEnded(all, first);
  MixUntilEnded(all, second);
  o.Heard.Add(all.data() + 2 * offset, static_cast<size_t>(2 * (end - offset)));
  MixInto(all, Rate / 2);  // the limiter lets go before the next pair
  return o;
}

int Overlaps(int musicStep) {
  std::vector<Stereo> alone(EffectCount);  // without the music
  for (int i = 0; i < EffectCount; ++i) alone[i] = Alone(i);
  if (musicStep > 0) {
    if (!InitMusic() || !PlayMusic(0)) {
      std::fprintf(stderr, "mix_measure: %s\n", MusicError().c_str());
      return 1;
    }
    Stereo warm;
    MixInto(warm, 3L * Rate);
  }

  const std::vector<int> praise = {0, 1, 2, 3, 4, 5, 6};
  const std::vector<int> level = {EffectByName("leveldone"), EffectByName("welldone"),
                                  EffectByName("goodjob")};
  const int lineDel = EffectByName("linedel"), lineDelLow = EffectByName("linedellow");
  struct Kind {
    const char* What;
    std::vector<int> Ones;
    int Other;
    bool AtOnce;  // the rules start them together
  };
  const Kind kinds[] = {{"praise and linedellow, started together", praise, lineDelLow, true},
                        {"praise and linedellow, either over the other", praise, lineDelLow, false},
                        {"praise and linedel, either over the other", praise, lineDel, false},
                        {"level sound and linedel, either over the other", level, lineDel, false}};
  std::printf("sound volume %d, music volume %d; each pair at its loudest offset\n",
              Config.SoundVolume, musicStep);
  std::printf("%-48s %8s %8s %8s %9s %10s %9s\n", "", "pairs", "sum pk", "heard pk", "full",
              "sum dBFS", "heard dBFS");
  Figures all;
  for (const Kind& kind : kinds) {
    std::vector<Overlap> done;
    for (int one : kind.Ones) {
      std::vector<std::pair<int, int>> orders = {{one, kind.Other}};
      if (!kind.AtOnce) orders.push_back({kind.Other, one});
      for (auto [first, second] : orders) {
        float peak = 0;
        const long offset =
            kind.AtOnce ? 0 : LoudestOffset(alone[first], alone[second], &peak);
        done.push_back(RenderOverlap(first, second, offset, alone[first], alone[second]));
      }
    }
    Figures heard;
    float sumPeak = 0;
    double plainSum2 = 0;
    long plainSamples = 0;
    const Overlap* loudest = &done[0];
    for (const Overlap& o : done) {
      heard.Full += o.Heard.Full;
      heard.Peak = std::max(heard.Peak, o.Heard.Peak);
      heard.Sum2 += o.Heard.Sum2;
      heard.Samples += o.Heard.Samples;
      sumPeak = std::max(sumPeak, o.PlainPeak);
      plainSum2 += std::pow(10.0, o.PlainRmsDb / 10) * static_cast<double>(o.Heard.Samples);
      plainSamples += o.Heard.Samples;
      if (o.PlainPeak > loudest->PlainPeak) loudest = &o;
    }
    all.Full += heard.Full;
    std::printf("%-48s %8zu %8.3f %8.3f %9ld %10.2f %9.2f\n", kind.What, done.size(), sumPeak,
                heard.Peak, heard.Full, 10 * std::log10(plainSum2 / double(plainSamples)),
                heard.RmsDb());
    std::printf("  loudest: %s at %.1f ms: sum %.3f, heard %.3f, %ld at full scale, "
                "%.2f / %.2f dBFS\n",
                loudest->Names.c_str(), loudest->Offset * 1000.0 / Rate, loudest->PlainPeak,
                loudest->Heard.Peak, loudest->Heard.Full, loudest->PlainRmsDb,
                loudest->Heard.RmsDb());
  }
  std::printf("samples at full scale in all the overlaps: %ld\n", all.Full);
  return 0;
}

// The largest step from one sample to the next on either channel, over frames from..to.
float SteepestStep(const Stereo& x, long from = 1, long to = -1) {
  float step = 0;
  if (to < 0 || to > Frames(x)) to = Frames(x);
  for (long t = std::max(from, 1L); t < to; ++t)
    for (int c = 0; c < 2; ++c) step = std::max(step, std::fabs(x[2 * t + c] - x[2 * t - 2 + c]));
  return step;
}

int Clicks(std::vector<std::string> names) {
  if (names.empty()) names = {"menuchange", "linedel"};
  std::printf("sound volume 9, no music; restarted at every millisecond of the effect\n");
  std::printf("%-12s %12s %12s %10s %10s %10s\n", "effect", "own steepest", "restart worst",
              "worst", "median", "at ms");
  for (const std::string& name : names) {
    const int effect = EffectByName(name);
    if (effect < 0) {
      std::fprintf(stderr, "mix_measure: no effect named %s\n", name.c_str());
      return 2;
    }
    Stereo alone = Alone(effect);
    alone.insert(alone.begin(), {0.0f, 0.0f});  // from the silence before it
    const float own = SteepestStep(alone);
    std::vector<float> ratios;
    float worst = 0;
    long worstAt = 0;
    for (long at = Rate / 1000; at + Rate / 1000 < Frames(alone); at += Rate / 1000) {
      Stereo all;
      PlayEffect(effect, true);
      MixInto(all, at);
      PlayEffect(effect, true);
      MixUntilEnded(all, effect);
      const float step = SteepestStep(all, at, at + Rate / 100);  // the next 10 ms
      ratios.push_back(step / own);
      if (step > worst) worst = step, worstAt = at;
      MixInto(all, Rate / 20);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-12s %12.4f %12.4f %10.2f %10.2f %10.1f\n", name.c_str(), own, worst,
                worst / own, ratios[ratios.size() / 2], worstAt * 1000.0 / Rate);
  }
  return 0;
}

std::vector<float> ReadRecording(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<float> all;
  std::vector<float> block(65536);
  while (in.read(reinterpret_cast<char*>(block.data()), block.size() * sizeof(float)) ||
         in.gcount() > 0) {
    all.insert(all.end(), block.begin(), block.begin() + in.gcount() / sizeof(float));
    if (!in) break;
  }
  all.resize(all.size() / 2 * 2);
  return all;
}

int Stats(const std::vector<std::string>& files) {
  std::printf("%-40s %8s %8s %9s %9s\n", "recording", "seconds", "peak", "full", "RMS dBFS");
  for (const std::string& file : files) {
    const std::vector<float> x = ReadRecording(file);
    if (x.empty()) {
      std::fprintf(stderr, "mix_measure: nothing to read in %s\n", file.c_str());
      return 1;
    }
    Figures f;
    f.Add(x.data(), x.size());
    std::printf("%-40s %8.1f %8.4f %9ld %9.2f\n",
                std::filesystem::path(file).filename().c_str(), f.Samples / 2.0 / Rate, f.Peak,
                f.Full, f.RmsDb());
  }
  return 0;
}

// A recording as the mixer's source.
class Replay : public AudioSource {
 public:
  explicit Replay(const std::vector<float>& x) : X(x) {}
  void RenderAdd(float* out, int frames) override {
    for (int i = 0; i < 2 * frames && At < X.size(); ++i) out[i] += X[At++];
  }
  const std::vector<float>& X;
  size_t At = 0;
};

int Replays(const std::vector<std::string>& files) {
  std::printf("%-32s %8s %8s %8s %9s %9s %9s %9s\n", "recording", "seconds", "peak", "full",
              "RMS dBFS", "out peak", "out full", "out RMS");
  for (const std::string& file : files) {
    const std::vector<float> x = ReadRecording(file);
    if (x.empty()) {
      std::fprintf(stderr, "mix_measure: nothing to read in %s\n", file.c_str());
      return 1;
    }
    Mixer mixer(Rate);
    Replay source(x);
    mixer.SetSource(&source);
    std::vector<float> out(x.size());
    for (size_t at = 0; at < x.size(); at += 2 * Block)
      mixer.Mix(out.data() + at, static_cast<int>(std::min<size_t>(Block, (x.size() - at) / 2)));
    mixer.SetSource(nullptr);
    Figures in, heard;
    in.Add(x.data(), x.size());
    heard.Add(out.data(), out.size());
    long changed = 0;
    for (size_t i = 0; i < x.size(); ++i) changed += out[i] != x[i];
    std::printf("%-32s %8.1f %8.4f %8ld %9.2f %9.4f %9ld %9.2f   %ld samples changed\n",
                std::filesystem::path(file).filename().c_str(), in.Samples / 2.0 / Rate, in.Peak,
                in.Full, in.RmsDb(), heard.Peak, heard.Full, heard.RmsDb(), changed);
  }
  return 0;
}

int Cost() {
  const int seconds = 60;
  Stereo block(static_cast<size_t>(Block) * 2);
  const long blocks = static_cast<long>(seconds) * Rate / Block, every = Rate / 2 / Block;
  timespec start{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  for (long b = 0; b < blocks; ++b) {
    if (b % every == 0)
      for (int i = 0; i < EffectCount; ++i) PlayEffect(i, true);
    TheMixer().Mix(block.data(), Block);
  }
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  const double ms = ((end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) * 1e-6);
  std::printf("the mixer alone, twenty effects: %.3f ms CPU per s of sound (%.3f %% of a core)\n",
              ms / seconds, ms / seconds / 10);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: mix_measure overlaps [--run-dir DIR] [--music STEP] [--sound STEP]\n"
               "       mix_measure clicks [--run-dir DIR] [EFFECT...]\n"
               "       mix_measure cost [--run-dir DIR]\n"
               "       mix_measure stats FILE...\n"
               "       mix_measure replay FILE...\n");
  return 2;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  using namespace zolvane;
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
#ifdef ZOLVANE_RUN_DIR
  std::string runDir = ZOLVANE_RUN_DIR;
#else
  std::string runDir = ".";
#endif
  int music = 0, sound = 9;
  std::vector<std::string> rest;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-dir" && i + 1 < argc) runDir = argv[++i];
    else if (arg == "--music" && i + 1 < argc) music = std::clamp(std::atoi(argv[++i]), 0, 9);
    else if (arg == "--sound" && i + 1 < argc) sound = std::clamp(std::atoi(argv[++i]), 0, 9);
    else rest.push_back(arg);
  }
  if (mode == "stats") return rest.empty() ? Usage() : Stats(rest);
  if (mode == "replay") return rest.empty() ? Usage() : Replays(rest);
  if (mode != "overlaps" && mode != "clicks" && mode != "cost") return Usage();

  std::filesystem::current_path(runDir);
  PulledBackend backend(Rate);
  SetAudioBackend(&backend);
  Config.SoundVolume = mode == "overlaps" ? sound : 9;
  Config.MusicVolume = music;
  AudioEnabled = InitSound();
  if (!AudioEnabled || SoundMixer()->VoiceCount() != EffectCount) {
    std::fprintf(stderr, "mix_measure: the effects of %s/sounds did not all load\n",
                 runDir.c_str());
    return 1;
  }
  const int status = mode == "overlaps" ? Overlaps(music) : mode == "cost" ? Cost() : Clicks(rest);
  CloseMusic();
  FreeSound();
  SetAudioBackend(nullptr);
  return status;
}
