// The sound device: one SDL audio device whose callback runs the mixer, wave conversion with
// SDL_AudioStream, and the FluidSynth MIDI player.
#pragma once
#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace zolvane {

class SdlAudioBackend : public AudioBackend {
 public:
  // The sample format to ask the device for; tests ask for 16-bit to exercise that path.
  explicit SdlAudioBackend(SDL_AudioFormat preferred = AUDIO_F32SYS) : RequestedFormat(preferred) {}
  SdlAudioBackend(const SdlAudioBackend&) = delete;
  SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;
  ~SdlAudioBackend() override { Close(); }

  // Stereo at the device's rate, float or 16-bit samples; nullptr when SDL has no device.
  // Opening again while open gives the same mixer.
  Mixer* Open() override;
  void Close() override;
  bool Convert(const WaveFormat& format, const uint8_t* data, size_t bytes, int rate,
               std::vector<float>& out) override;
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int rate, const std::string& soundFont,
                                               std::string* error) override;

  // The device's sample format (AUDIO_F32SYS or AUDIO_S16SYS); 0 when closed.
  SDL_AudioFormat DeviceFormat() const { return Format; }

 private:
  static void Callback(void* self, Uint8* stream, int len);

  SDL_AudioFormat RequestedFormat;
  SDL_AudioDeviceID Device = 0;
  SDL_AudioFormat Format = 0;
  std::unique_ptr<Mixer> TheMixer;
  std::vector<float> Scratch;  // the float mix before it becomes 16-bit
};

}  // namespace zolvane
