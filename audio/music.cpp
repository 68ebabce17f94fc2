#include "audio/music.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "audio/sound.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/logs.h"
#include "platform/settings.h"

namespace zolvane {

const char* const MusicFiles[MusicCount] = {
    "music/theme1.mid", "music/theme2.mid", "music/theme3.mid",  "music/theme4.mid",
    "music/theme5.mid", "music/theme6.mid", "music/theme7.mid",  "music/theme8.mid",
    "music/theme9.mid", "music/theme10.mid", "music/theme11.mid", "music/theme12.mid"};

int32_t CurrentMusicNumber = 0;
uint32_t MusicStartTime = 0;

namespace {

struct MusicState {
  std::unique_ptr<MidiPlayer> Player;
  // A piece that could not be started counts as ended, so the cycle moves past it.
  bool PieceFailed = false;
  std::string SoundFont;
  std::string Error, Warning;
};
MusicState Music;

int32_t MusicVolume() { return MusicVolumeTable[std::clamp<int32_t>(Config.MusicVolume, 0, 9)]; }

}  // namespace

int32_t FirstMusicNumber(int32_t configured) {
  return configured >= 0 && configured < MusicCount ? configured : 0;
}

void SetMusicSoundFont(const std::string& path) { Music.SoundFont = path; }

const std::string& MusicError() { return Music.Error; }
const std::string& MusicWarning() { return Music.Warning; }

bool InitMusic() {
  CloseMusic();
  Music.Error.clear();
  Music.Warning.clear();
  Mixer* mixer = SoundMixer();
  AudioBackend* backend = GetAudioBackend();
  if (!AudioEnabled || !mixer || !backend) {
    Music.Error = "there is no sound device for the music";
    return false;
  }
  std::string error;
  Music.Player = backend->CreateMidiPlayer(mixer->Rate(), Music.SoundFont, &error);
  if (!Music.Player) {
    Music.Error = error.empty() ? "the MIDI player cannot be created" : error;
    return false;
  }
  for (const char* file : MusicFiles) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) continue;
    Music.Warning += Music.Warning.empty() ? "missing music: " : ", ";
    Music.Warning += file;
  }
  Music.Player->SetVolume(MusicVolume());
  mixer->SetSource(Music.Player.get());
  return true;
}

bool PlayMusic(int32_t index) {
  if (!AudioEnabled) return true;
  index = FirstMusicNumber(index);
  const bool played = Music.Player && Music.Player->Play(MusicFiles[index]);
  CurrentMusicNumber = index;
  MusicStartTime = timeGetTime();
  Music.PieceFailed = !played;
  if (!played)
    Music.Error = Music.Player ? std::string(MusicFiles[index]) + " cannot be played"
                               : "the music is not initialised";
  return played;
}

bool MusicEnded() {
  if (!Music.Player) return false;
  return Music.PieceFailed || Music.Player->Ended();
}

void NextMusic() {
  // A piece may count as ended before it has begun to sound; the wait also keeps a run of
  // pieces that fail from being tried one per frame.
  if (timeGetTime() - MusicStartTime > 1000) PlayMusic((CurrentMusicNumber + 1) % MusicCount);
}

void LogMusicOff() {
  WriteLog("Music off: " + Music.Error);
  std::fprintf(stderr, "Zolvane: no music: %s\n", Music.Error.c_str());
}

void MusicUpkeep() {
  // The SoundFont loads while the game starts: one that fails turns the music off here.
  if (Music.Player) {
    if (std::string error = Music.Player->SoundFontError(); !error.empty()) {
      Music.Error = std::move(error);
      LogMusicOff();
      CloseMusic();
      return;
    }
  }
  if (MusicEnded()) NextMusic();
}

void ApplyMusicVolume() {
  if (Music.Player) Music.Player->SetVolume(MusicVolume());
}

void CloseMusic() {
  if (!Music.Player) return;
  // The mixer must let go first: the audio thread may be rendering the player right now.
  if (Mixer* mixer = SoundMixer()) mixer->SetSource(nullptr);
  Music.Player.reset();
  Music.PieceFailed = false;
}

}  // namespace zolvane
