#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/audio.h"

namespace zolvane {

float GainFromHundredthsDb(int32_t volume) {
  if (volume <= Silence) return 0.0f;
  if (volume >= 0) return 1.0f;  // a sound buffer cannot amplify
  return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

Mixer::Mixer(int rate) : SampleRate(rate) {}

int Mixer::AddVoice(std::vector<float> stereo) {
  Voice voice;
  voice.Samples.resize(stereo.size());
  std::transform(stereo.begin(), stereo.end(), voice.Samples.begin(), [](float x) {
    return static_cast<int16_t>(std::clamp(std::lround(x * 32768.0f), -32768L, 32767L));
  });
  std::lock_guard<std::mutex> hold(Lock);
  Voices.push_back(std::move(voice));
  return static_cast<int>(Voices.size()) - 1;
}

void Mixer::Play(int voice, bool restart) {
  std::lock_guard<std::mutex> hold(Lock);
  if (voice < 0 || voice >= static_cast<int>(Voices.size())) return;
  Voice& v = Voices[voice];
  if (restart || !v.Active) v.Position = 0;
  v.Active = true;
}

void Mixer::SetVolume(int voice, int32_t hundredthsDb) {
  const float gain = GainFromHundredthsDb(hundredthsDb);
  std::lock_guard<std::mutex> hold(Lock);
  if (voice < 0 || voice >= static_cast<int>(Voices.size())) return;
  Voices[voice].Gain = gain;
}

bool Mixer::Playing(int voice) const {
  std::lock_guard<std::mutex> hold(Lock);
  return voice >= 0 && voice < static_cast<int>(Voices.size()) && Voices[voice].Active;
}

int Mixer::VoiceCount() const {
  std::lock_guard<std::mutex> hold(Lock);
  return static_cast<int>(Voices.size());
}

void Mixer::SetSource(AudioSource* source) {
  std::lock_guard<std::mutex> hold(SourceLock);
  Source = source;
}

void Mixer::Clear() {
  std::vector<Voice> old;
  {
    std::lock_guard<std::mutex> hold(Lock);
    old.swap(Voices);
  }
  SetSource(nullptr);
  // The samples are freed here, outside the lock the audio thread waits on.
}

void Mixer::Mix(float* out, int frames) {
  if (frames <= 0) return;
  const size_t count = static_cast<size_t>(frames) * 2;
  std::fill(out, out + count, 0.0f);
  {
    std::lock_guard<std::mutex> hold(Lock);
    for (Voice& v : Voices) {
      if (!v.Active) continue;
      const size_t left = v.Samples.size() - std::min(v.Position, v.Samples.size());
      const size_t n = std::min(left, count);
      // A silent voice still runs its course, as a muted buffer plays on.
      if (v.Gain != 0.0f) {
        const int16_t* from = v.Samples.data() + v.Position;
        const float gain = v.Gain / 32768.0f;
        for (size_t i = 0; i < n; ++i) out[i] += static_cast<float>(from[i]) * gain;
      }
      v.Position += n;
      if (v.Position >= v.Samples.size()) v.Active = false;
    }
  }
  {
    std::lock_guard<std::mutex> hold(SourceLock);
    if (Source) Source->RenderAdd(out, frames);
  }
  // Clip rather than let a 16-bit device wrap a loud sum round; NaN from a broken source
  // becomes silence instead of reaching an integer conversion. A silent source's -0 becomes
  // 0, so silence is all zero bytes on a float device too.
  for (size_t i = 0; i < count; ++i) {
    const float x = out[i];
    if (std::isnan(x) || x == 0.0f) out[i] = 0.0f;
    else if (x > 1.0f) out[i] = 1.0f;
    else if (x < -1.0f) out[i] = -1.0f;
  }
}

namespace {
AudioBackend* Backend = nullptr;
}  // namespace

void SetAudioBackend(AudioBackend* backend) { Backend = backend; }
AudioBackend* GetAudioBackend() { return Backend; }

}  // namespace zolvane
