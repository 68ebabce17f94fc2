// The sound layer under audio/: a mixer of our own (one voice per loaded effect, volumes in
// hundredths of a decibel, a music source rendered into the same mix), and the backend
// that gives it a device, converts waves to its format and makes a MIDI player. The SDL
// backend (platform/sdl) makes its players with platform/fluidsynth; tests use the mixer
// without any device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zolvane {

// The fields of a wave file's format block.
struct WaveFormat {
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
};

constexpr int32_t Silence = -10000;  // hundredths of a decibel
// 10^(v/2000); exactly 0 at -10000 and below, never above unity (0 and above give 1).
float GainFromHundredthsDb(int32_t volume);

// Something rendered into the mix beside the effects (the music). Called on the audio
// thread, outside the voices' lock: it must not allocate, and any lock of its own is held
// by the main thread only briefly.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Adds frames of interleaved stereo float samples into out.
  virtual void RenderAdd(float* out, int frames) = 0;
};

// Interleaved stereo float at one rate. The main thread adds voices, plays them and sets
// volumes; the audio thread calls Mix. Both hold the lock only briefly.
//
// Nothing is cut short with a step: a voice restarted while it sounds crossfades from its
// old sound to the new start over FadeSeconds, a volume change on a sounding voice glides
// over the same time, and Clear leaves the sounding voices a fade-out of that length. The
// sum then passes a limiter that only acts above LimitThreshold: it lowers the gain at
// once (AttackSeconds), holds it (HoldSeconds) and lets it back (ReleaseSeconds), and a
// soft knee keeps what the gain has not caught yet under LimitCeiling. It adds no delay,
// and a mix that stays under the threshold comes out bit for bit.
class Mixer {
 public:
  static constexpr float FadeSeconds = 0.005f;
  static constexpr float LimitThreshold = 0.92f;  // about -0.7 dBFS
  static constexpr float LimitCeiling = 0.98f;    // about -0.2 dBFS: never full scale
  static constexpr float AttackSeconds = 0.001f;
  static constexpr float HoldSeconds = 0.010f;    // a period of 100 Hz: no ripple on bass
  static constexpr float ReleaseSeconds = 0.040f;

  explicit Mixer(int rate);
  int Rate() const { return SampleRate; }

  // A voice holds samples already converted to the mixer's format; returns its number.
  int AddVoice(std::vector<float> stereo);
  // Restart: from the start, whether playing or not. Otherwise a playing voice goes on and
  // a stopped one starts from the start.
  void Play(int voice, bool restart);
  void SetVolume(int voice, int32_t hundredthsDb);
  bool Playing(int voice) const;
  // The music; nullptr for none. Waits for a render under way, so once it returns the old
  // source is no longer used and may be destroyed.
  void SetSource(AudioSource* source);
  // Frees every voice and forgets the source.
  void Clear();
  int VoiceCount() const;

  // Audio thread: writes frames of the limited mix into out, each sample within
  // -LimitCeiling..LimitCeiling.
  void Mix(float* out, int frames);

 private:
  // The old sound of a restarted voice, fading out.
  struct Tail {
    size_t Position = 0;  // in floats
    int Left = 0;         // frames still to fade; 0 when unused
    float Gain = 0.0f;
  };
  struct Voice {
    std::vector<int16_t> Samples;  // 16 bits, as the waves were made: half the memory of floats
    size_t Position = 0;  // in floats
    bool Active = false;
    float Gain = 1.0f;     // as set
    float Current = 1.0f;  // as heard: glides to Gain
    float Step = 0.0f;     // per frame, while GlideLeft > 0
    int GlideLeft = 0;
    int FadeInLeft = 0;    // frames of a restart's start still fading in
    Tail Tails[2];  // two restarts within one fade keep both old sounds fading
  };
  struct Limiter {
    float Gain = 1.0f;  // applied
    float Held = 1.0f;  // the lowest gain asked for lately, released after the hold
    int HoldLeft = 0;
  };
  void MixVoice(Voice& v, float* out, size_t count);
  void MixTails(Voice& v, float* out, size_t count);
  void MixRelease(float* out, size_t count);
  void Limit(float* out, size_t count);

  int SampleRate;
  int FadeFrames;
  int HoldFrames;
  float AttackCoefficient;
  float ReleaseCoefficient;
  mutable std::mutex Lock;  // the voices and the release
  std::vector<Voice> Voices;
  std::vector<float> Release;  // FadeFrames of what Clear cut off, faded
  size_t ReleasePosition = 0;  // in floats; Release.size() when played out
  std::mutex SourceLock;  // held while the source renders
  AudioSource* Source = nullptr;
  Limiter Limits;  // the audio thread's alone
};

// A General MIDI player rendering one piece at a time into the mix.
class MidiPlayer : public AudioSource {
 public:
  // Stops what plays and starts the file from its beginning; false when it is not there.
  // Returns at once: the file is read and prepared on another thread, and the piece starts
  // when that is done. One that turns out not to parse ends at once.
  virtual bool Play(const std::string& midiFile) = 0;
  virtual void Stop() = 0;
  // The piece has played to its end (false while it plays or before any was started).
  virtual bool Ended() const = 0;
  // The last Play or Stop has not yet taken effect.
  virtual bool Loading() const { return false; }
  // Why the SoundFont, loaded after the player was made, could not be: the player then
  // plays nothing. Empty while it loads and once it is in.
  virtual std::string SoundFontError() const { return {}; }
  virtual void SetVolume(int32_t hundredthsDb) = 0;
};

// The device side. Open makes the mixer at the device's rate and starts the device calling
// its Mix on the device's own thread; nullptr when there is no sound device. The mixer
// belongs to the backend until Close. Convert turns PCM samples of the format into the
// mixer's interleaved stereo float at rate; false for a format it cannot convert.
class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  virtual Mixer* Open() = 0;
  virtual void Close() = 0;
  virtual bool Convert(const WaveFormat& format, const uint8_t* data, size_t bytes, int rate,
                       std::vector<float>& out) = 0;
  // A player for the mixer's rate and the SoundFont; nullptr with the reason in *error
  // when the SoundFont cannot be opened. It may load the SoundFont after it returns (see
  // MidiPlayer::SoundFontError).
  virtual std::unique_ptr<MidiPlayer> CreateMidiPlayer(int rate, const std::string& soundFont,
                                                       std::string* error) = 0;
  // The device opened has gone and none is back yet. The mixer stays and waits; what is
  // played on it now would only sound late, once a device is back.
  virtual bool DeviceGone() const { return false; }
};

// The application plugs the real backend in; none means no sound device.
void SetAudioBackend(AudioBackend* backend);
AudioBackend* GetAudioBackend();

}  // namespace zolvane
