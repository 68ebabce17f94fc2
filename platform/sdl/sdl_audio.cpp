#include "platform/sdl/sdl_audio.h"

#include <algorithm>
#include <cstring>

#include "platform/fluidsynth/midi_player.h"

namespace zolvane {

namespace {

constexpr int PreferredRate = 44100;  // the rate the sounds are made at: most load unconverted
constexpr Uint16 PreferredFrames = 1024;  // about 21 ms a callback at 48 kHz

// Source rates outside this range are broken headers, and a wild ratio would turn a small
// file into gigabytes of samples.
constexpr uint32_t LowestRate = 1000;
constexpr uint32_t HighestRate = 384000;

}  // namespace

SDL_AudioDeviceID SdlAudioBackend::OpenDevice(int rate, SDL_AudioFormat format, int flags,
                                              SDL_AudioSpec& have) {
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = format;
  want.channels = 2;
  want.samples = PreferredFrames;
  want.callback = Callback;
  want.userdata = this;
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, flags);
}

bool SdlAudioBackend::StartAudio() {
  if (!AudioUp) AudioUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  return AudioUp;
}

void SdlAudioBackend::StopAudio() {
  if (AudioUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  AudioUp = false;
}

void SdlAudioBackend::CloseDevice() {
  if (Device == 0) return;
  SDL_CloseAudioDevice(Device);  // returns once the callback has stopped for good
  Device = 0;
}

// The device starts paused, so the callback never sees the mixer or the scratch buffer
// half made.
void SdlAudioBackend::Start(const SDL_AudioSpec& have) {
  Scratch.assign(static_cast<size_t>(std::max<Uint16>(have.samples, 256)) * 2, 0.0f);
  SDL_PauseAudioDevice(Device, 0);
}

Mixer* SdlAudioBackend::Open() {
  if (TheMixer) return TheMixer.get();
  if (!StartAudio()) return nullptr;
  SDL_AudioSpec have{};
  const int anyRate = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE;
  Device =
      OpenDevice(PreferredRate, RequestedFormat, anyRate | SDL_AUDIO_ALLOW_FORMAT_CHANGE, have);
  if (Device != 0 && have.format != AUDIO_F32SYS && have.format != AUDIO_S16SYS) {
    // Any other native format: SDL converts from float for us.
    CloseDevice();
    Device = OpenDevice(PreferredRate, AUDIO_F32SYS, anyRate, have);
  }
  if (Device == 0 || have.freq <= 0) {
    CloseDevice();
    StopAudio();
    return nullptr;
  }
  Format = have.format;
  TheMixer = std::make_unique<Mixer>(have.freq);
  Start(have);
  return TheMixer.get();
}

// The mixer's rate and format whatever the new device's own: SDL converts, so the effects'
// samples and the MIDI player's rate stay right.
bool SdlAudioBackend::Reopen() {
  if (!StartAudio()) return false;
  SDL_AudioSpec have{};
  Device = OpenDevice(TheMixer->Rate(), Format, SDL_AUDIO_ALLOW_SAMPLES_CHANGE, have);
  if (Device == 0) return false;
  Start(have);
  return true;
}

void SdlAudioBackend::Close() {
  CloseDevice();
  Gone = false;
  TheMixer.reset();
  StopAudio();
}

SoundDeviceChange SdlAudioBackend::OnDeviceEvent(const SDL_AudioDeviceEvent& event,
                                                 uint64_t nowMs) {
  if (event.type != SDL_AUDIODEVICEREMOVED || event.iscapture || Device == 0 ||
      event.which != Device)
    return SoundDeviceChange::None;
  // The subsystem stays: each device has its own connection (to the PulseAudio server, say),
  // and SDL 2.26 starting its PulseAudio driver crashes on a server that has no sink.
  CloseDevice();
  Gone = true;
  NextTry = nowMs;
  return SoundDeviceChange::Lost;
}

SoundDeviceChange SdlAudioBackend::KeepDeviceOpen(uint64_t nowMs) {
  if (!Gone || nowMs < NextTry) return SoundDeviceChange::None;
  NextTry = nowMs + RetryMs;
  if (!Reopen()) return SoundDeviceChange::None;
  Gone = false;
  return SoundDeviceChange::Back;
}

void SdlAudioBackend::Callback(void* self, Uint8* stream, int len) {
  auto* backend = static_cast<SdlAudioBackend*>(self);
  Mixer* mixer = backend->TheMixer.get();
  // A lost device's thread goes on calling until it is closed, with nobody listening: the
  // music waits where it was last heard rather than run on unheard.
  if (!mixer || len <= 0 || SDL_GetAudioDeviceStatus(backend->Device) != SDL_AUDIO_PLAYING) {
    std::memset(stream, 0, static_cast<size_t>(std::max(len, 0)));
    return;
  }
  if (backend->Format == AUDIO_F32SYS) {
    const int frames = len / static_cast<int>(2 * sizeof(float));
    mixer->Mix(reinterpret_cast<float*>(stream), frames);
    return;
  }
  // 16-bit: mix into the scratch buffer a piece at a time; nothing is allocated here.
  auto* out = reinterpret_cast<int16_t*>(stream);
  int frames = len / static_cast<int>(2 * sizeof(int16_t));
  const int piece = static_cast<int>(backend->Scratch.size() / 2);
  while (frames > 0) {
    const int n = std::min(frames, piece);
    mixer->Mix(backend->Scratch.data(), n);
    for (int i = 0; i < 2 * n; ++i)
      out[i] = static_cast<int16_t>(backend->Scratch[i] * 32767.0f);  // Mix clipped it
    out += 2 * n;
    frames -= n;
  }
}

bool SdlAudioBackend::Convert(const WaveFormat& format, const uint8_t* data, size_t bytes,
                              int rate, std::vector<float>& out) {
  out.clear();
  SDL_AudioFormat from = 0;
  switch (format.BitsPerSample) {
    case 8: from = AUDIO_U8; break;
    case 16: from = AUDIO_S16LSB; break;
    case 32: from = AUDIO_S32LSB; break;
    default: return false;
  }
  if (format.Channels == 0 || format.Channels > 8 || rate <= 0 ||
      format.SamplesPerSec < LowestRate || format.SamplesPerSec > HighestRate)
    return false;
  SDL_AudioStream* stream =
      SDL_NewAudioStream(from, static_cast<Uint8>(format.Channels),
                         static_cast<int>(format.SamplesPerSec), AUDIO_F32SYS, 2, rate);
  if (!stream) return false;

  // The stream takes whole frames only; a torn last frame is dropped.
  const size_t frame = static_cast<size_t>(format.Channels) * format.BitsPerSample / 8;
  const size_t whole = bytes / frame * frame;
  const size_t piece = (size_t{1} << 20) / frame * frame;
  bool ok = true;
  for (size_t at = 0; ok && at < whole; at += piece)
    ok = SDL_AudioStreamPut(stream, data + at, static_cast<int>(std::min(piece, whole - at))) == 0;
  // The resampler keeps its last input back and a flush does not always let it go: feed
  // silence after the wave and cut the output to the wave's own length.
  const size_t frames = whole / frame;
  const size_t padFrames = 1024 * (1 + format.SamplesPerSec / static_cast<uint32_t>(rate));
  const std::vector<uint8_t> silence(padFrames * frame, from == AUDIO_U8 ? 0x80 : 0);
  if (ok) ok = SDL_AudioStreamPut(stream, silence.data(), static_cast<int>(silence.size())) == 0;
  if (ok) ok = SDL_AudioStreamFlush(stream) == 0;
  while (ok) {
    const int available = SDL_AudioStreamAvailable(stream);
    if (available <= 0) break;
    const size_t had = out.size();
    out.resize(had + static_cast<size_t>(available) / sizeof(float));
    const int got = SDL_AudioStreamGet(stream, out.data() + had, available);
    if (got < 0) ok = false;
    out.resize(had + static_cast<size_t>(std::max(got, 0)) / sizeof(float));
    if (got <= 0) break;
  }
  SDL_FreeAudioStream(stream);
  if (!ok) {
    out.clear();
    return false;
  }
  const uint64_t sourceRate = format.SamplesPerSec;
  const uint64_t length = (frames * static_cast<uint64_t>(rate) + sourceRate / 2) / sourceRate;
  out.resize(static_cast<size_t>(length) * 2, 0.0f);
  return true;
}

std::unique_ptr<MidiPlayer> SdlAudioBackend::CreateMidiPlayer(int rate,
                                                              const std::string& soundFont,
                                                              std::string* error) {
  return CreateFluidMidiPlayer(rate, soundFont, error);
}

}  // namespace zolvane
