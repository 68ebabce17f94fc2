// The music cycle: twelve pieces one after another. Without a sound device nothing plays
// and a piece never counts as ended.
#pragma once
#include <cstdint>

namespace zolvane {

// The number of the piece played last; saved as "Music Number" at shutdown.
extern int32_t CurrentMusicNumber;

bool MusicEnded();
// Sets the music's volume from Config.MusicVolume (0..9).
void ApplyMusicVolume();
void NextMusic();
// The per-step upkeep of the game, break and menu steps: start the next piece when the
// current one has ended.
void MusicUpkeep();

}  // namespace zolvane
