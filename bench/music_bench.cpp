// The music cycle from piece to piece as a player hears it: the real player and cycle, the
// mix pulled block by block as the device would pull it, on a clock that follows the
// samples. For each change of piece: when the piece was last heard (above -60 dBFS), when
// the cycle changed, when the next was first heard, the silence between (its longest
// stretch below -60 dBFS, up to ten seconds after the change; it includes any quiet
// opening of the next piece), and the main thread's time in the step that changed.
//
//   build/bench/music_bench [--run-dir DIR] [--from N] [--changes N]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "bench/pulled_backend.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

constexpr int Rate = 44100;
constexpr int Block = 1024;
constexpr int Chunk = 64;                // frames per loudness figure
constexpr float Audible = 0.001f;        // -60 dBFS
constexpr double PacedSeconds = 3.0;  // after a change, pulled in real time
constexpr double LongestPieceSeconds = 600;

struct Change {
  int From;
  long long Frame;        // the first frame rendered after the upkeep that changed piece
  double UpkeepMs;        // main thread's time in that upkeep, by the wall clock
  double UpkeepCpuMs;     // and by its own processor time: without other processes' share
};

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int Run(int from, int changes) {
  PulledBackend backend(Rate);
  SetAudioBackend(&backend);
  Config.MusicVolume = 6;  // the default step
  Config.SoundVolume = 0;
  ManualClock clock(1000);
  AudioEnabled = InitSound();
  if (!AudioEnabled || !InitMusic()) {
    std::fprintf(stderr, "music_bench: %s\n", MusicError().c_str());
    return 1;
  }
  Mixer& mixer = *SoundMixer();
  std::vector<float> out(Block * 2);
  std::vector<float> loud;  // the peak of each chunk
  std::vector<Change> found;
  std::vector<double> firstPlayMs;
  using Steady = std::chrono::steady_clock;
  auto t0 = Steady::now();
  PlayMusic(from);
  firstPlayMs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t0).count());
  long long frames = 0, pacedUntil = static_cast<long long>(PacedSeconds * Rate);
  long long lastChange = 0;
  auto paceStart = Steady::now();
  // The piece's loading runs at the pace of the processor, not of the mix: a device pulls
  // no faster than it plays.
  auto renderBlock = [&] {
    if (frames < pacedUntil)
      std::this_thread::sleep_until(
          paceStart + std::chrono::duration_cast<Steady::duration>(
                          std::chrono::duration<double>(double(frames - lastChange) / Rate)));
    mixer.Mix(out.data(), Block);
    for (int c = 0; c < Block / Chunk; ++c) {
      float peak = 0;
      for (int i = c * Chunk * 2; i < (c + 1) * Chunk * 2; ++i)
        peak = std::max(peak, std::fabs(out[i]));
      loud.push_back(peak);
    }
    frames += Block;
    clock.Now = 1000 + static_cast<uint32_t>(frames * 1000 / Rate);
  };
  while (static_cast<int>(found.size()) < changes) {
    const int before = CurrentMusicNumber;
    const double cpu0 = ThreadCpuMs();
    t0 = Steady::now();
    MusicUpkeep();
    const double ms = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
    const double cpuMs = ThreadCpuMs() - cpu0;
    if (CurrentMusicNumber != before) {
      found.push_back({before, frames, ms, cpuMs});
      lastChange = frames;
      pacedUntil = frames + static_cast<long long>(PacedSeconds * Rate);
      paceStart = Steady::now();
    }
    if (frames - lastChange > LongestPieceSeconds * Rate) {
      std::fprintf(stderr, "music_bench: piece %d has not ended after %.0f s\n",
                   CurrentMusicNumber + 1, LongestPieceSeconds);
      return 1;
    }
    renderBlock();
  }
  // Ten more seconds after the last change.
  for (int b = 0; b < 10 * Rate / Block; ++b) renderBlock();

  std::printf("piece -> next   last sound   change at  next heard   silence   upkeep ms (wall, cpu)\n");
  std::vector<double> gaps, upkeeps = firstPlayMs, upkeepsCpu;
  for (const Change& c : found) {
    const long long at = c.Frame / Chunk;
    long long last = at - 1;
    while (last >= 0 && loud[static_cast<size_t>(last)] < Audible) --last;
    const long long end = std::min<long long>(static_cast<long long>(loud.size()), at + 10 * Rate / Chunk);
    long long longest = 0, run = 0;
    for (long long k = last + 1; k < end; ++k) {
      run = loud[static_cast<size_t>(k)] < Audible ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    long long first = at;  // the first sound after the change that is not the tail
    while (first < end && loud[static_cast<size_t>(first)] >= Audible) ++first;
    while (first < end && loud[static_cast<size_t>(first)] < Audible) ++first;
    if (first == end || longest == 0) first = at;
    const double gapMs = longest * Chunk * 1000.0 / Rate;
    gaps.push_back(gapMs);
    upkeeps.push_back(c.UpkeepMs);
    upkeepsCpu.push_back(c.UpkeepCpuMs);
    std::printf("%5d -> %-5d %9.2f s %10.2f s %9.2f s %8.0f ms %9.2f %9.2f\n", c.From + 1,
                (c.From + 1) % MusicCount + 1, double(last + 1) * Chunk / Rate,
                double(c.Frame) / Rate, double(first) * Chunk / Rate, gapMs, c.UpkeepMs,
                c.UpkeepCpuMs);
  }
  std::printf("silence: max %.0f ms, median %.0f ms; main thread per piece started: max %.2f ms, "
              "median %.2f ms (first piece %.2f ms); its processor time: max %.2f ms, median %.2f ms\n",
              *std::max_element(gaps.begin(), gaps.end()), Median(gaps),
              *std::max_element(upkeeps.begin(), upkeeps.end()), Median(upkeeps), firstPlayMs[0],
              *std::max_element(upkeepsCpu.begin(), upkeepsCpu.end()), Median(upkeepsCpu));
  CloseMusic();
  FreeSound();
  SetAudioBackend(nullptr);
  return 0;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
#ifdef ZOLVANE_RUN_DIR
  std::string runDir = ZOLVANE_RUN_DIR;
#else
  std::string runDir = ".";
#endif
  int from = 0, changes = 12;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-dir" && i + 1 < argc) {
      runDir = argv[++i];
    } else if (arg == "--from" && i + 1 < argc) {
      from = std::atoi(argv[++i]);
    } else if (arg == "--changes" && i + 1 < argc) {
      changes = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: music_bench [--run-dir DIR] [--from N] [--changes N]\n");
      return 2;
    }
  }
  std::filesystem::current_path(runDir);
  return zolvane::Run(from, changes);
}
