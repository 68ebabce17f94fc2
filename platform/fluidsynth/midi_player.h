// The General MIDI player over FluidSynth: the SoundFont loaded with dynamic sample
// loading, one piece at a time, timed by the samples it renders.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace zolvane {

constexpr const char* DefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// Reads a whole file; empty for one that cannot be read.
using MidiFileReader = std::function<std::vector<char>(const std::string& path)>;

// nullptr, with the reason in *error, when the SoundFont cannot be opened or is no
// SoundFont file, or FluidSynth cannot run at the rate. An empty soundFont means the first
// General MIDI SoundFont found where distributions install one, DefaultSoundFont first.
// The SoundFont is loaded on the player's own thread, which beforeSoundFont (tests) runs on
// first: the player is silent until then, a Play asked before waits for it and starts from
// its beginning once it is in, and one that fails to load leaves the player silent for
// good, the reason in SoundFontError.
// Play only checks that the file is there and hands it to the player's own thread, which
// reads and parses it and loads its instruments; the piece starts in the first render
// after that (Loading tells when). A piece that does not parse ends at once. A piece ends
// when its last channel event has played and its voices have died away or fallen below
// -60 dBFS, or a second after that event at the latest.
// reader stands in for the file system (tests); empty means the real one.
std::unique_ptr<MidiPlayer> CreateFluidMidiPlayer(int rate, const std::string& soundFont,
                                                  std::string* error,
                                                  MidiFileReader reader = {},
                                                  std::function<void()> beforeSoundFont = {});

}  // namespace zolvane
