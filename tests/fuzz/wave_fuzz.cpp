// Wave files through LoadWaveFile, over a backend that takes the formats the SDL backend
// takes and reads every byte it is given, so a block reaching past the file is caught.
#include <algorithm>
#include <memory>

#include "audio/sound.h"
#include "fuzz_support.h"
#include "platform/audio.h"

using namespace zolvane;

namespace {

class ReadingBackend : public AudioBackend {
 public:
  Mixer* Open() override {
    TheMixer = std::make_unique<Mixer>(22050);
    return TheMixer.get();
  }
  void Close() override { TheMixer.reset(); }
  bool Convert(const WaveFormat& f, const uint8_t* data, size_t bytes, int,
               std::vector<float>& out) override {
    if (f.BitsPerSample != 8 && f.BitsPerSample != 16 && f.BitsPerSample != 32) return false;
    if (f.Channels == 0 || f.Channels > 8) return false;
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += data[i];
    // A short mono rendering: enough to hand the mixer a voice without costing memory.
    out.assign(std::min<size_t>(bytes, 4096) & ~size_t{1}, static_cast<float>(sum % 7) / 7.0f);
    return true;
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int, const std::string&, std::string*) override {
    return nullptr;
  }
  std::unique_ptr<Mixer> TheMixer;
};

ReadingBackend Backend;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    // An unusable first effect ends LoadEffects at once; the device stays open.
    fuzz::WriteFile(std::string("sounds/") + EffectFileNames[0], "");
    SetAudioBackend(&Backend);
    return true;
  }();
  (void)ready;
  fuzz::WriteFile("sounds/fuzz.wav", data, size);
  fuzz::Require(InitSound(), "the fake device did not open");
  AudioEnabled = true;
  LoadWaveFile(3, "fuzz.wav");
  PlayEffect(3, true);
  FreeSound();
  return 0;
}
