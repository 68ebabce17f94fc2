// The cost of the audio callback: CPU milliseconds per second of sound for the music alone
// and for the music with all twenty effects playing at once, rendered through the game's
// own mixer, effects and music code with the real conversion and synthesiser, but no
// device (the mix is pulled here, block by block, as the device would pull it).
//
//   build/bench/audio_bench [--run-dir DIR] [--seconds N]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sound.h"
#include "bench/pulled_backend.h"
#include "platform/audio.h"
#include "platform/process_memory.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

constexpr int Rate = 44100;  // what the game asks the device for
constexpr int Block = 1024;  // frames per callback, as the device asks for

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Renders seconds of sound; with effects, all twenty are started again every half second,
// so all of them play at once most of the time. Returns CPU ms per second of sound and
// the loudest sample.
double Render(int seconds, bool effects, float& peak) {
  Mixer& mixer = *SoundMixer();
  std::vector<float> out(static_cast<size_t>(Block) * 2);
  const long blocks = static_cast<long>(seconds) * Rate / Block;
  const long restartEvery = Rate / 2 / Block;
  peak = 0;
  const double start = CpuSeconds();
  for (long b = 0; b < blocks; ++b) {
    if (effects && b % restartEvery == 0)
      for (int i = 0; i < EffectCount; ++i) PlayEffect(i, true);
    MusicUpkeep();
    mixer.Mix(out.data(), Block);
    for (float v : out) peak = std::max(peak, v < 0 ? -v : v);
  }
  return (CpuSeconds() - start) * 1000.0 / seconds;
}

int Run(int seconds) {
  const long before = ResidentKiB();
  PulledBackend backend(Rate);
  SetAudioBackend(&backend);
  Config.SoundVolume = 9;
  Config.MusicVolume = 9;
  AudioEnabled = InitSound();
  const long effectsLoaded = ResidentKiB();
  if (!AudioEnabled || !InitMusic() || !PlayMusic(0)) {
    std::fprintf(stderr, "audio_bench: %s\n", MusicError().c_str());
    return 1;
  }
  const long loaded = ResidentKiB();
  float musicPeak = 0, allPeak = 0;
  // A first pass loads the piece's instruments from the SoundFont; the figures are for the
  // pass after it, as the game plays once warm.
  Render(seconds, false, musicPeak);
  PlayMusic(0);
  const double music = Render(seconds, false, musicPeak);
  PlayMusic(0);
  const double all = Render(seconds, true, allPeak);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("rate %d Hz, blocks of %d frames, %d s of sound each, loudest settings\n", Rate,
              Block, seconds);
  std::printf("music alone:            %6.2f ms CPU per s of sound (%.2f %% of a core), peak %.3f\n",
              music, music / 10.0, musicPeak);
  std::printf("music and 20 effects:   %6.2f ms CPU per s of sound (%.2f %% of a core), peak %.3f\n",
              all, all / 10.0, allPeak);
  std::printf("resident memory: %.1f MiB before, +%.1f MiB the effects, +%.1f MiB the "
              "SoundFont and the first piece, peak %.1f MiB\n",
              before / 1024.0, (effectsLoaded - before) / 1024.0, (loaded - effectsLoaded) / 1024.0,
              usage.ru_maxrss / 1024.0);
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
  int seconds = 60;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-dir" && i + 1 < argc) {
      runDir = argv[++i];
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: audio_bench [--run-dir DIR] [--seconds N]\n");
      return 2;
    }
  }
  std::filesystem::current_path(runDir);
  return zolvane::Run(seconds);
}
