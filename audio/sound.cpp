#include "audio/sound.h"

namespace zolvane {

bool AudioEnabled = false;

namespace {
std::vector<int32_t>* Recorder = nullptr;
EffectPlayer* Player = nullptr;
}  // namespace

void SetEffectRecorder(std::vector<int32_t>* recorder) { Recorder = recorder; }
void SetEffectPlayer(EffectPlayer* player) { Player = player; }

// The mixer that takes the volume arrives with the audio device.
void ApplySoundVolume() {}

void PlayEffect(int32_t index, bool restart) {
  if (index < 0 || index >= EffectCount) return;
  if (Recorder) Recorder->push_back(index);
  if (AudioEnabled && Player) Player->Play(index, restart);
}

}  // namespace zolvane
