// The sound device: one SDL audio device whose callback runs the mixer, wave conversion with
// SDL_AudioStream, and the FluidSynth MIDI player. The mixer outlives the device: when the
// device goes (headphones pulled, a speaker switched off, the sound server gone) only the
// device is closed, and the default output is opened again at the mixer's rate once there
// is one.
#pragma once
#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace zolvane {

// What a device event or a retry did.
enum class SoundDeviceChange { None, Lost, Back };

class SdlAudioBackend : public AudioBackend {
 public:
  // While the device is gone, the default output is tried this often.
  static constexpr uint64_t RetryMs = 250;

  // The sample format to ask the device for; tests ask for 16-bit to exercise that path.
  explicit SdlAudioBackend(SDL_AudioFormat preferred = AUDIO_F32SYS) : RequestedFormat(preferred) {}
  SdlAudioBackend(const SdlAudioBackend&) = delete;
  SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;
  ~SdlAudioBackend() override { Close(); }

  // Stereo at the device's rate, float or 16-bit samples; nullptr when SDL has no device.
  // Opening again while open, or while the device is gone, gives the same mixer.
  Mixer* Open() override;
  void Close() override;
  bool Convert(const WaveFormat& format, const uint8_t* data, size_t bytes, int rate,
               std::vector<float>& out) override;
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int rate, const std::string& soundFont,
                                               std::string* error) override;
  bool DeviceGone() const override { return Gone; }

  // SDL_AUDIODEVICEREMOVED for the open output device: Lost, the device is closed and the
  // next KeepDeviceOpen tries again at once. Any other event: None. Times in milliseconds
  // of one clock (SDL_GetTicks64 in the game).
  SoundDeviceChange OnDeviceEvent(const SDL_AudioDeviceEvent& event, uint64_t nowMs);
  // Every pass of the main loop: while the device is gone, opens the default output again
  // every RetryMs; Back once it is open and playing.
  SoundDeviceChange KeepDeviceOpen(uint64_t nowMs);

  // The device's sample format (AUDIO_F32SYS or AUDIO_S16SYS); 0 while none is open.
  SDL_AudioFormat DeviceFormat() const { return Device != 0 ? Format : 0; }
  // The open device's SDL id; 0 while none is open.
  SDL_AudioDeviceID DeviceId() const { return Device; }

 private:
  static void Callback(void* self, Uint8* stream, int len);
  SDL_AudioDeviceID OpenDevice(int rate, SDL_AudioFormat format, int flags, SDL_AudioSpec& have);
  bool Reopen();
  void Start(const SDL_AudioSpec& have);
  void CloseDevice();
  bool StartAudio();
  void StopAudio();

  SDL_AudioFormat RequestedFormat;
  std::atomic<SDL_AudioDeviceID> Device{0};  // read by the callback
  SDL_AudioFormat Format = 0;  // of the mix, kept while the device is gone
  bool AudioUp = false;        // this backend holds SDL's audio subsystem
  bool Gone = false;
  uint64_t NextTry = 0;
  std::unique_ptr<Mixer> TheMixer;
  std::vector<float> Scratch;  // the float mix before it becomes 16-bit
};

}  // namespace zolvane
