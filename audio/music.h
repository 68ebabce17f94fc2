// The music cycle: twelve General MIDI pieces one after another, endlessly, rendered by a
// MIDI player into the effects' mixer. Without a sound device nothing plays and a piece
// never counts as ended.
#pragma once
#include <cstdint>
#include <string>

namespace zolvane {

constexpr int MusicCount = 12;
// Relative to the run folder; index i holds theme i+1.
extern const char* const MusicFiles[MusicCount];
// The master volume of each MusicVolume step, in hundredths of a decibel: step 0 is
// silence, steps 6 to 9 lift the music above unity.
constexpr int32_t MusicVolumeTable[10] = {-10000, -1900, -1500, -1200, -800,
                                          -400,   150,   400,   650,   800};

// The number of the piece started last; saved as "Music Number" at shutdown.
extern int32_t CurrentMusicNumber;
// When that piece was started (timeGetTime).
extern uint32_t MusicStartTime;

// The piece to start with for a configured "Music Number": itself when 0..11, else 0.
int32_t FirstMusicNumber(int32_t configured);

// The SoundFont InitMusic loads; empty (the default) lets the backend choose.
void SetMusicSoundFont(const std::string& path);

// Makes the player for the open mixer, sets its volume and plugs it into the mix. False,
// with the reason in MusicError, without AudioEnabled, a mixer, a backend or a player.
// The player may still be loading its SoundFont: the first piece waits for it, and a
// SoundFont that then fails to load turns the music off in MusicUpkeep.
// A missing piece does not fail it: it is named in MusicWarning and skipped when its turn
// comes.
bool InitMusic();
// Starts piece index (outside 0..11: piece 0) and makes it the current one even when it
// fails. Returns at once: the player reads the piece on its own thread. Without
// AudioEnabled: nothing, and true. False, with the file named in MusicError, when the
// piece is not there; it then counts as ended, as one that turns out not to parse does.
bool PlayMusic(int32_t index);
bool MusicEnded();
// The next piece, once more than 1000 ms have passed since the current one was started.
void NextMusic();
// The per-step upkeep of the game, break and menu steps: start the next piece when the
// current one has ended; close the player, logged as LogMusicOff does, when its SoundFont
// has failed to load.
void MusicUpkeep();
// Sets the music's volume from Config.MusicVolume (0..9).
void ApplyMusicVolume();
// Takes the player out of the mix and frees it; safe without InitMusic and when repeated.
void CloseMusic();

// Writes "Music off: " and MusicError to debug.txt, and the reason to standard error.
void LogMusicOff();
// Why InitMusic or PlayMusic last failed.
const std::string& MusicError();
// The pieces InitMusic found missing, for the start-up's log; empty when all are there.
const std::string& MusicWarning();

}  // namespace zolvane
