// The real conversion and synthesiser behind a mixer that nobody else pulls: the benches
// call Mix themselves, block by block, as the device would.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/sdl/sdl_audio.h"

namespace zolvane {

class PulledBackend : public AudioBackend {
 public:
  explicit PulledBackend(int rate) : Rate(rate) {}
  Mixer* Open() override {
    TheMixer = std::make_unique<Mixer>(Rate);
    return TheMixer.get();
  }
  void Close() override { TheMixer.reset(); }
  bool Convert(const WaveFormat& format, const uint8_t* data, size_t bytes, int rate,
               std::vector<float>& out) override {
    return Real.Convert(format, data, bytes, rate, out);
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int rate, const std::string& soundFont,
                                               std::string* error) override {
    return Real.CreateMidiPlayer(rate, soundFont, error);
  }

 private:
  int Rate;
  SdlAudioBackend Real;
  std::unique_ptr<Mixer> TheMixer;
};

}  // namespace zolvane
