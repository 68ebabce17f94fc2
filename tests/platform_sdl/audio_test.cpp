// The SDL sound device: waves converted through SDL_AudioStream, the device opened with
// SDL's dummy driver, and what reaches the output heard through its disk driver; a disk
// device writing into a pipe whose reader goes away is a device lost for real.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// Frame n of the music carries n itself: the left channel its low ten bits, the right the
// next ten, each as (k + 1) / 2048 so that no frame is silence and floats carry it exactly.
class NumberedSource : public AudioSource {
 public:
  void RenderAdd(float* out, int frames) override {
    for (int i = 0; i < frames; ++i, ++Next) {
      out[i * 2] += float(Next % 1024 + 1) / 2048.0f;
      out[i * 2 + 1] += float(Next / 1024 % 1024 + 1) / 2048.0f;
    }
  }
  static long Number(float left, float right) {
    return std::lround(left * 2048.0f) - 1 + (std::lround(right * 2048.0f) - 1) * 1024;
  }
  std::atomic<long> Next{0};
};

// Reads what a disk device writes into a named pipe, on a thread of its own; Leave closes
// the pipe, and the device's next write fails as a pulled plug would.
class PipeEar {
 public:
  PipeEar(const std::string& path, SDL_AudioFormat format) : Format(format) {
    mkfifo(path.c_str(), 0600);
    Fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);  // so the device's open does not block
    Reader = std::thread([this] { Read(); });
  }
  ~PipeEar() { Leave(); }
  void Leave() {
    Stop = true;
    if (Reader.joinable()) Reader.join();
    if (Fd >= 0) close(Fd);
    Fd = -1;
  }
  // The numbers of the frames heard that are not silence, in order.
  std::vector<long> Numbers() {
    std::lock_guard<std::mutex> hold(Lock);
    std::vector<long> numbers;
    const size_t size = Format == AUDIO_F32SYS ? 4 : 2;
    for (size_t at = 0; at + 2 * size <= Bytes.size(); at += 2 * size) {
      float lr[2];
      for (int c : {0, 1}) {
        int16_t s16;
        std::memcpy(size == 4 ? static_cast<void*>(&lr[c]) : &s16, &Bytes[at + c * size], size);
        if (size == 2) lr[c] = s16 / 32767.0f;
      }
      if (lr[0] != 0.0f) numbers.push_back(NumberedSource::Number(lr[0], lr[1]));
    }
    return numbers;
  }
  // Waits (5 s at most) until so many numbered frames are heard.
  bool Heard(size_t frames) {
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      if (Numbers().size() >= frames) return true;
    return false;
  }

 private:
  void Read() {
    char block[8192];
    while (!Stop) {
      const ssize_t got = read(Fd, block, sizeof block);
      if (got > 0) {
        std::lock_guard<std::mutex> hold(Lock);
        Bytes.insert(Bytes.end(), block, block + got);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
  }
  SDL_AudioFormat Format;
  int Fd = -1;
  std::atomic<bool> Stop{false};
  std::mutex Lock;
  std::string Bytes;
  std::thread Reader;
};

// The removal SDL itself reports for the open device; false after 5 s without one.
bool WaitForRemoval(SDL_AudioDeviceID device, SDL_AudioDeviceEvent& removed) {
  SDL_Event e;
  for (int i = 0; i < 50; ++i)
    while (SDL_WaitEventTimeout(&e, 100))
      if (e.type == SDL_AUDIODEVICEREMOVED && e.adevice.which == device) {
        removed = e.adevice;
        return true;
      }
  return false;
}

TEST(SdlAudio, ALostDeviceKeepsTheMusicWhereItWasHeardUntilOneIsBack) {
  SDL_InitSubSystem(SDL_INIT_EVENTS);  // the queue outlives the audio subsystem
  struct sigaction ignore {}, old{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);  // a write to the abandoned pipe fails instead
  for (SDL_AudioFormat format : {AUDIO_F32SYS, AUDIO_S16SYS}) {
    SCOPED_TRACE(format);
    const test::TempFolder folder;
    const std::string first = (folder / "first").string(), second = (folder / "second").string();
    PipeEar ear(first, format);
    ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", first);
    SdlAudioBackend backend(format);
    Mixer* mixer = backend.Open();
    ASSERT_NE(mixer, nullptr) << SDL_GetError();
    NumberedSource music;
    mixer->SetSource(&music);
    ASSERT_TRUE(ear.Heard(4096));

    // Removals of other devices, or of a recording one, change nothing.
    SDL_AudioDeviceEvent other{};
    other.type = SDL_AUDIODEVICEREMOVED;
    other.which = backend.DeviceId() + 1;
    EXPECT_EQ(backend.OnDeviceEvent(other, 0), SoundDeviceChange::None);
    other.which = backend.DeviceId(), other.iscapture = 1;
    EXPECT_EQ(backend.OnDeviceEvent(other, 0), SoundDeviceChange::None);
    EXPECT_FALSE(backend.DeviceGone());

    ear.Leave();
    SDL_AudioDeviceEvent removed{};
    ASSERT_TRUE(WaitForRemoval(backend.DeviceId(), removed));
    // SDL goes on calling a lost device's callback; the music must not run on unheard.
    const long stoppedAt = music.Next;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(music.Next, stoppedAt) << "the music ran on while nobody heard it";

    // No device yet: the output's folder is missing.
    setenv("SDL_DISKAUDIOFILE", (folder / "unplugged" / "out").c_str(), 1);
    EXPECT_EQ(backend.OnDeviceEvent(removed, 1000), SoundDeviceChange::Lost);
    EXPECT_TRUE(backend.DeviceGone());
    EXPECT_EQ(backend.DeviceFormat(), 0);
    EXPECT_EQ(backend.KeepDeviceOpen(1000), SoundDeviceChange::None);
    EXPECT_EQ(backend.Open(), mixer) << "the mixer outlives its device";

    PipeEar back(second, format);
    setenv("SDL_DISKAUDIOFILE", second.c_str(), 1);
    EXPECT_EQ(backend.KeepDeviceOpen(1000 + SdlAudioBackend::RetryMs - 1), SoundDeviceChange::None)
        << "tried again before its time";
    ASSERT_EQ(backend.KeepDeviceOpen(1000 + SdlAudioBackend::RetryMs), SoundDeviceChange::Back)
        << SDL_GetError();
    EXPECT_FALSE(backend.DeviceGone());
    EXPECT_EQ(backend.DeviceFormat(), format);
    ASSERT_TRUE(back.Heard(4096)) << "the mixer is not heard on the new device";

    // The music goes on from the frames last heard: at most the write that failed and what
    // SDL held back for it are lost, far less than the 300 ms it waited.
    const std::vector<long> before = ear.Numbers(), after = back.Numbers();
    ASSERT_FALSE(before.empty());
    const long lost = after.front() - before.back() - 1;
    EXPECT_GE(lost, 0) << "the music started again";
    EXPECT_LE(lost, 3 * 1024) << "the music ran on while the device was gone";
    for (size_t i = 1; i < after.size(); ++i) ASSERT_EQ(after[i], after[i - 1] + 1) << i;
    backend.Close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  }
  sigaction(SIGPIPE, &old, nullptr);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace
}  // namespace zolvane
