// Sound effects by index. Without a sound device (AudioEnabled false) every play is
// silent; the game runs the same.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/data_file_error.h"
#include "platform/data_files.h"

namespace zolvane {

class Mixer;

// The wave file of each effect, in the folder "sounds/": its name in EffectNames and ".wav".
extern const std::array<std::string, EffectCount> EffectFileNames;

// Volume of the effects at each SoundVolume step, in hundredths of a decibel.
constexpr int32_t EffectVolumeTable[10] = {-10000, -1900, -1500, -1300, -1100,
                                           -900,   -750,  -500,  -200,  0};

// A wave file that is missing or cannot be read: the start-up reports it and ends.
class SoundFileError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// Set by the start-up from InitSound's result.
extern bool AudioEnabled;

// Opens the device of the installed audio backend and loads the effects. False when there
// is no backend or no device; effects that fail to load are silent but do not make it
// false. Throws SoundFileError for a wave file that cannot be read (the device is closed
// again first).
bool InitSound();
// Effects 0..19 in order; stops at the first that fails to load and returns false.
bool LoadEffects();
// Loads sounds/<name> into the effect slot. False for a file the game cannot use (no data
// block, a length past the end, a format the device cannot take); SoundFileError when the
// file cannot be read at all.
bool LoadWaveFile(int32_t slot, const std::string& name);
// Closes the device and forgets every effect; safe without InitSound and when repeated.
void FreeSound();

// Restart makes a playing effect start again from its beginning.
void PlayEffect(int32_t index, bool restart);
inline void PlayEffect(Effect effect, bool restart) {
  PlayEffect(static_cast<int32_t>(effect), restart);
}

// Sets every effect's volume from Config.SoundVolume (0..9).
void ApplySoundVolume();

// The open device's mixer (the music renders into it); nullptr without a device.
Mixer* SoundMixer();

// Where the effects asked for are written, in order, for tests and the simulator;
// nullptr (the default) records nothing. Recording works with or without a device.
void SetEffectRecorder(std::vector<int32_t>* recorder);

}  // namespace zolvane
