#include "audio/music.h"

#include "audio/sound.h"

namespace zolvane {

int32_t CurrentMusicNumber = 0;

// The music player arrives with the audio device; until it is there nothing plays.
bool MusicEnded() { return false; }
void NextMusic() {}
void ApplyMusicVolume() {}

void MusicUpkeep() {
  if (MusicEnded()) NextMusic();
}

}  // namespace zolvane
