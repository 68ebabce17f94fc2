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

namespace {

int FramesOf(int rate, float seconds) {
  return std::max(1, static_cast<int>(std::lround(rate * seconds)));
}

// Per frame, the part of the way an exponential glide of time constant seconds goes.
float Coefficient(int rate, float seconds) {
  return static_cast<float>(1.0 - std::exp(-1.0 / (std::max(rate, 1) * double{seconds})));
}

// Above the threshold the curve bends smoothly towards the ceiling and never reaches it.
float Knee(float x) {
  constexpr float T = Mixer::LimitThreshold, Width = Mixer::LimitCeiling - Mixer::LimitThreshold;
  const float a = std::fabs(x);
  if (a <= T) return x;
  return std::copysign(T + Width * std::tanh((a - T) / Width), x);
}

// NaN from a broken source becomes silence, infinity full scale, before they reach the gain.
float Finite(float x) {
  if (std::isfinite(x)) return x;
  return std::isnan(x) ? 0.0f : std::copysign(1.0f, x);
}

}  // namespace

Mixer::Mixer(int rate)
    : SampleRate(rate),
      FadeFrames(FramesOf(rate, FadeSeconds)),
      HoldFrames(FramesOf(rate, HoldSeconds)),
      AttackCoefficient(Coefficient(rate, AttackSeconds)),
      ReleaseCoefficient(Coefficient(rate, ReleaseSeconds)),
      Release(static_cast<size_t>(FadeFrames) * 2, 0.0f),
      ReleasePosition(Release.size()) {}

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
  // A restart mid-sound would jump from the old sample to the new start: the old sound
  // fades out while the new one fades in, so no step is steeper than the sounds' own. Not
  // yet heard from its start, it needs no fade.
  if (restart && v.Active && v.Position > 0 && v.Position < v.Samples.size()) {
    Tail* slot = &v.Tails[0];
    if (slot->Left > v.Tails[1].Left) slot = &v.Tails[1];  // the free one or the nearer its end
    const float heard = static_cast<float>(FadeFrames + 1 - v.FadeInLeft) /
                        static_cast<float>(FadeFrames + 1);
    *slot = Tail{v.Position, FadeFrames, v.Current * heard};
    v.FadeInLeft = FadeFrames;
  }
  if (restart || !v.Active) v.Position = 0;
  if (!v.Active) v.Current = v.Gain, v.GlideLeft = 0, v.FadeInLeft = 0;
  v.Active = true;
}

void Mixer::SetVolume(int voice, int32_t hundredthsDb) {
  const float gain = GainFromHundredthsDb(hundredthsDb);
  std::lock_guard<std::mutex> hold(Lock);
  if (voice < 0 || voice >= static_cast<int>(Voices.size())) return;
  Voice& v = Voices[voice];
  v.Gain = gain;
  if (v.Active && v.Current != gain) {
    v.Step = (gain - v.Current) / static_cast<float>(FadeFrames);
    v.GlideLeft = FadeFrames;
  } else {
    v.Current = gain;
    v.GlideLeft = 0;
  }
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
    // The sounding voices fade out of the release while the device plays on; what an
    // earlier Clear left there still plays first.
    const size_t unheard = Release.size() - ReleasePosition;
    std::copy(Release.begin() + static_cast<ptrdiff_t>(ReleasePosition), Release.end(),
              Release.begin());
    std::fill(Release.begin() + static_cast<ptrdiff_t>(unheard), Release.end(), 0.0f);
    bool any = unheard > 0;
    const float step = 1.0f / static_cast<float>(FadeFrames + 1);
    const auto fadeInto = [&](const Voice& v, size_t from, int frames, float gain) {
      const size_t n = std::min(static_cast<size_t>(frames) * 2,
                                v.Samples.size() - std::min(from, v.Samples.size()));
      for (size_t i = 0; i < n; ++i)
        Release[i] += v.Samples[from + i] * (gain / 32768.0f) *
                      static_cast<float>(frames - static_cast<int>(i / 2)) * step;
      any |= n > 0 && gain != 0.0f;
    };
    for (const Voice& v : Voices) {
      if (v.Active) fadeInto(v, v.Position, FadeFrames, v.Current);
      for (const Tail& t : v.Tails)
        if (t.Left > 0) fadeInto(v, t.Position, t.Left, t.Gain);
    }
    ReleasePosition = any ? 0 : Release.size();
    old.swap(Voices);
  }
  SetSource(nullptr);
  // The samples are freed here, outside the lock the audio thread waits on.
}

void Mixer::MixVoice(Voice& v, float* out, size_t count) {
  const size_t left = v.Samples.size() - std::min(v.Position, v.Samples.size());
  const size_t n = std::min(left, count);
  const int16_t* from = v.Samples.data() + v.Position;
  size_t i = 0;
  const float fade = 1.0f / static_cast<float>(FadeFrames + 1);
  for (; i + 1 < n && (v.GlideLeft > 0 || v.FadeInLeft > 0); i += 2) {
    if (v.GlideLeft > 0) v.Current = --v.GlideLeft == 0 ? v.Gain : v.Current + v.Step;
    float gain = v.Current / 32768.0f;
    if (v.FadeInLeft > 0) gain *= static_cast<float>(FadeFrames + 1 - v.FadeInLeft--) * fade;
    out[i] += static_cast<float>(from[i]) * gain;
    out[i + 1] += static_cast<float>(from[i + 1]) * gain;
  }
  // A silent voice still runs its course, as a muted buffer plays on.
  if (v.Current != 0.0f) {
    const float gain = v.Current / 32768.0f;
    for (; i < n; ++i) out[i] += static_cast<float>(from[i]) * gain;
  }
  v.Position += n;
  if (v.Position >= v.Samples.size()) {
    v.Active = false;
    v.Current = v.Gain, v.GlideLeft = 0, v.FadeInLeft = 0;
  }
}

void Mixer::MixTails(Voice& v, float* out, size_t count) {
  const float step = 1.0f / static_cast<float>(FadeFrames + 1);
  for (Tail& t : v.Tails) {
    if (t.Left <= 0) continue;
    const size_t left = v.Samples.size() - std::min(t.Position, v.Samples.size());
    const size_t frames = std::min({count / 2, left / 2, static_cast<size_t>(t.Left)});
    const int16_t* from = v.Samples.data() + t.Position;
    const float gain = t.Gain / 32768.0f * step;
    for (size_t k = 0; k < frames; ++k) {
      const float w = gain * static_cast<float>(t.Left - static_cast<int>(k));
      out[2 * k] += static_cast<float>(from[2 * k]) * w;
      out[2 * k + 1] += static_cast<float>(from[2 * k + 1]) * w;
    }
    t.Position += frames * 2;
    t.Left -= static_cast<int>(frames);
    if (t.Position >= v.Samples.size()) t.Left = 0;
  }
}

void Mixer::MixRelease(float* out, size_t count) {
  const size_t n = std::min(count, Release.size() - ReleasePosition);
  for (size_t i = 0; i < n; ++i) out[i] += Release[ReleasePosition + i];
  ReleasePosition += n;
}

void Mixer::Limit(float* out, size_t count) {
  constexpr float T = LimitThreshold;
  float gain = Limits.Gain, held = Limits.Held;
  int holdLeft = Limits.HoldLeft;
  for (size_t i = 0; i < count; i += 2) {
    float l = Finite(out[i]), r = Finite(out[i + 1]);
    const float peak = std::max(std::fabs(l), std::fabs(r));
    const float need = peak > T ? T / peak : 1.0f;
    // A crest about as high as the one held renews the hold: the gain stays put over a
    // steady loud tone instead of rising between its crests.
    if (need < 1.0f && need <= held * 1.01f) {
      held = std::min(held, need);
      holdLeft = HoldFrames;
    } else if (holdLeft > 0) {
      --holdLeft;
    } else if (held < 1.0f) {
      // Aimed a little past unity, so that it gets back to exactly 1 (bit for bit again).
      held = std::min({need, held + (1.002f - held) * ReleaseCoefficient, 1.0f});
    }
    gain = gain > held ? gain + (held - gain) * AttackCoefficient : held;
    if (gain != 1.0f) l *= gain, r *= gain;
    // The knee takes what the gain has not caught yet; the clamp is a last resort. A
    // silent source's -0 becomes 0, so silence is all zero bytes on a float device too.
    l = std::clamp(Knee(l), -LimitCeiling, LimitCeiling);
    r = std::clamp(Knee(r), -LimitCeiling, LimitCeiling);
    out[i] = l == 0.0f ? 0.0f : l;
    out[i + 1] = r == 0.0f ? 0.0f : r;
  }
  Limits.Gain = gain, Limits.Held = held, Limits.HoldLeft = holdLeft;
}

void Mixer::Mix(float* out, int frames) {
  if (frames <= 0) return;
  const size_t count = static_cast<size_t>(frames) * 2;
  std::fill(out, out + count, 0.0f);
  {
    std::lock_guard<std::mutex> hold(Lock);
    for (Voice& v : Voices) {
      if (v.Tails[0].Left > 0 || v.Tails[1].Left > 0) MixTails(v, out, count);
      if (v.Active) MixVoice(v, out, count);
    }
    if (ReleasePosition < Release.size()) MixRelease(out, count);
  }
  {
    std::lock_guard<std::mutex> hold(SourceLock);
    if (Source) Source->RenderAdd(out, frames);
  }
  Limit(out, count);
}

namespace {
AudioBackend* Backend = nullptr;
}  // namespace

void SetAudioBackend(AudioBackend* backend) { Backend = backend; }
AudioBackend* GetAudioBackend() { return Backend; }

}  // namespace zolvane
