#include "audio/sound.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/audio.h"
#include "platform/settings.h"

namespace zolvane {

const std::array<std::string, EffectCount> EffectFileNames = [] {
  std::array<std::string, EffectCount> files;
  for (size_t i = 0; i < files.size(); ++i) files[i] = std::string(EffectNames[i]) + ".wav";
  return files;
}();

bool AudioEnabled = false;

namespace {

constexpr int NoVoice = -1;

struct SoundState {
  AudioBackend* OpenBackend = nullptr;  // the backend whose device we opened
  Mixer* TheMixer = nullptr;
  std::array<int, EffectCount> Voices;  // the mixer's voice of each effect
  std::vector<int32_t>* Recorder = nullptr;
  SoundState() { Voices.fill(NoVoice); }
};
SoundState Sound;

int32_t EffectVolume() {
  return EffectVolumeTable[std::clamp<int32_t>(Config.SoundVolume, 0, 9)];
}

std::vector<uint8_t> ReadSoundFile(const std::string& path) {
  struct Closer {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file)
    throw SoundFileError(path, std::string("cannot be opened (") + std::strerror(errno) + ")");
  std::vector<uint8_t> bytes;
  uint8_t block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
    bytes.insert(bytes.end(), block, block + got);
  if (std::ferror(file.get()))
    throw SoundFileError(path, std::string("cannot be read (") + std::strerror(errno) + ")");
  return bytes;
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}

}  // namespace

bool LoadWaveFile(int32_t slot, const std::string& name) {
  if (slot < 0 || slot >= EffectCount) return false;
  const std::vector<uint8_t> file = ReadSoundFile("sounds/" + name);

  // The format block is taken from its canonical place, the samples found by searching.
  if (file.size() < 36) return false;
  WaveFormat format;
  format.Channels = static_cast<uint16_t>(Le16(file, 22));
  format.SamplesPerSec = Le32(file, 24);
  format.AvgBytesPerSec = Le32(file, 28);
  format.BlockAlign = static_cast<uint16_t>(Le16(file, 32));
  format.BitsPerSample = static_cast<uint16_t>(Le16(file, 34));
  size_t at = 34;
  while (at + 4 <= file.size() && std::memcmp(&file[at], "data", 4) != 0) ++at;
  if (at + 8 > file.size()) return false;  // no "data", or no length after it
  const size_t length = Le32(file, at + 4);
  const size_t start = at + 8;
  if (length > file.size() - start) return false;

  if (!Sound.TheMixer || !Sound.OpenBackend) return false;
  std::vector<float> samples;
  if (!Sound.OpenBackend->Convert(format, file.data() + start, length, Sound.TheMixer->Rate(),
                                  samples))
    return false;
  const int voice = Sound.TheMixer->AddVoice(std::move(samples));
  Sound.TheMixer->SetVolume(voice, EffectVolume());
  Sound.Voices[slot] = voice;
  return true;
}

bool LoadEffects() {
  for (int32_t i = 0; i < EffectCount; ++i)
    if (!LoadWaveFile(i, EffectFileNames[i])) return false;
  return true;
}

bool InitSound() {
  FreeSound();
  AudioBackend* backend = GetAudioBackend();
  if (!backend) return false;
  Mixer* mixer = backend->Open();
  if (!mixer) return false;
  Sound.OpenBackend = backend;
  Sound.TheMixer = mixer;
  try {
    LoadEffects();
  } catch (...) {
    // The start-up ends on this; leave no device running behind it.
    FreeSound();
    throw;
  }
  return true;
}

void FreeSound() {
  if (Sound.TheMixer) Sound.TheMixer->Clear();
  if (Sound.OpenBackend) Sound.OpenBackend->Close();
  Sound.OpenBackend = nullptr;
  Sound.TheMixer = nullptr;
  Sound.Voices.fill(NoVoice);
  AudioEnabled = false;  // nothing left to play on
}

Mixer* SoundMixer() { return Sound.TheMixer; }

void SetEffectRecorder(std::vector<int32_t>* recorder) { Sound.Recorder = recorder; }

void ApplySoundVolume() {
  if (!Sound.TheMixer) return;
  const int32_t volume = EffectVolume();
  for (int voice : Sound.Voices)
    if (voice != NoVoice) Sound.TheMixer->SetVolume(voice, volume);
}

void PlayEffect(int32_t index, bool restart) {
  if (index < 0 || index >= EffectCount) return;
  if (Sound.Recorder) Sound.Recorder->push_back(index);
  // Asked for while the device is gone, an effect would burst out when it is back.
  if (!AudioEnabled || !Sound.TheMixer || Sound.OpenBackend->DeviceGone()) return;
  const int voice = Sound.Voices[index];
  if (voice != NoVoice) Sound.TheMixer->Play(voice, restart);
}

}  // namespace zolvane
