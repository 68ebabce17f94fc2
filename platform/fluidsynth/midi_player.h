// The General MIDI player over FluidSynth: the SoundFont loaded with dynamic sample
// loading, one piece at a time, timed by the samples it renders.
#pragma once
#include <memory>
#include <string>

#include "platform/audio.h"

namespace zolvane {

constexpr const char* DefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// nullptr, with the reason in *error, when the SoundFont cannot be loaded or FluidSynth
// cannot run at the rate. An empty soundFont means DefaultSoundFont.
// Play reads the file on the calling thread and returns false for one that cannot be read
// or parsed as a Standard MIDI File; Ended stays false after that. A piece counts as ended
// two seconds after its last event, when FluidSynth's player has let the notes ring out.
std::unique_ptr<MidiPlayer> CreateFluidMidiPlayer(int rate, const std::string& soundFont,
                                                  std::string* error);

}  // namespace zolvane
