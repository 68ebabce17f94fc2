#include "platform/fluidsynth/midi_player.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace zolvane {

namespace {

constexpr int MaxBlock = 8192;  // frames rendered per call into the scratch buffer
constexpr int FluidBlock = 64;  // FluidSynth renders and runs its timers in blocks of this
// FluidSynth's own default gain: a busy General MIDI piece peaks near -12 dBFS with it, which
// leaves room for the +8 dB of the loudest music step and the effects on top.
constexpr double BaseGain = 0.2;

// Read through the stream, which turns a read error (a folder's name) into a failed state;
// a buffer iterator would let the buffer's exception through.
std::vector<char> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes;
  char block[1 << 14];
  while (in) {
    in.read(block, sizeof block);
    bytes.insert(bytes.end(), block, block + in.gcount());
  }
  return in.bad() ? std::vector<char>() : bytes;
}

class FluidMidiPlayer : public MidiPlayer {
 public:
  FluidMidiPlayer(fluid_settings_t* settings, fluid_synth_t* synth)
      : Settings(settings), Synth(synth), Scratch(MaxBlock * 2), Primed(FluidBlock * 2) {}

  ~FluidMidiPlayer() override {
    {
      std::lock_guard<std::mutex> guard(Lock);
      DropPlayer();
    }
    delete_fluid_synth(Synth);
    delete_fluid_settings(Settings);
  }

  bool Play(const std::string& midiFile) override {
    // Read here, not by FluidSynth: it would open the file from the audio thread.
    std::vector<char> bytes = ReadWholeFile(midiFile);
    std::lock_guard<std::mutex> guard(Lock);
    DropPlayer();
    ReleaseChannels();
    if (bytes.size() < 14 || !std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) return false;
    Player = new_fluid_player(Synth);
    if (!Player) return false;
    if (fluid_player_add_mem(Player, bytes.data(), bytes.size()) != FLUID_OK ||
        fluid_player_play(Player) != FLUID_OK) {
      DropPlayer();
      return false;
    }
    // The player parses the file and selects its instruments in its first block, and the
    // SoundFont's samples for them are read from disk then: do that here, on the main
    // thread, rather than in the audio callback. The frames are kept for RenderAdd.
    fluid_synth_write_float(Synth, FluidBlock, Primed.data(), 0, 2, Primed.data(), 1, 2);
    PrimedFrames = FluidBlock;
    PrimedPosition = 0;
    // Done already: the data did not parse.
    if (fluid_player_get_status(Player) == FLUID_PLAYER_DONE) {
      DropPlayer();
      return false;
    }
    return true;
  }

  void Stop() override {
    std::lock_guard<std::mutex> guard(Lock);
    DropPlayer();
    ReleaseChannels();
  }

  bool Ended() const override {
    // Only the main thread changes Player; the status itself is atomic in FluidSynth.
    return Player && fluid_player_get_status(Player) == FLUID_PLAYER_DONE;
  }

  void SetVolume(int32_t hundredthsDb) override {
    Gain.store(hundredthsDb <= Silence ? 0.0f
                                       : static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0)),
               std::memory_order_relaxed);
  }

  void RenderAdd(float* out, int frames) override {
    // Play holds the lock while it reads in a piece's instruments; the music then skips
    // a block rather than stall the effects.
    std::unique_lock<std::mutex> guard(Lock, std::try_to_lock);
    if (!guard.owns_lock()) return;
    // Rendered even when silent: the player is timed by these samples and must go on.
    const float gain = Gain.load(std::memory_order_relaxed);
    while (frames > 0 && PrimedPosition < PrimedFrames) {
      if (gain > 0.0f) {
        out[0] += Primed[PrimedPosition * 2] * gain;
        out[1] += Primed[PrimedPosition * 2 + 1] * gain;
      }
      ++PrimedPosition;
      out += 2;
      --frames;
    }
    while (frames > 0) {
      const int n = std::min(frames, MaxBlock);
      fluid_synth_write_float(Synth, n, Scratch.data(), 0, 2, Scratch.data(), 1, 2);
      if (gain > 0.0f)
        for (int i = 0; i < n * 2; ++i) out[i] += Scratch[i] * gain;
      out += n * 2;
      frames -= n;
    }
  }

 private:
  // Caller holds Lock: deleting the player takes its timer out of the synth, which the
  // audio thread must not be running at the time.
  void DropPlayer() {
    if (!Player) return;
    fluid_player_stop(Player);
    delete_fluid_player(Player);
    Player = nullptr;
    PrimedFrames = PrimedPosition = 0;
  }

  // Lets what sounds die away naturally (as a note-off would) and gives the next piece the
  // channels as a fresh synthesiser has them. A full synth reset would cut the release
  // tails off with a click.
  void ReleaseChannels() {
    for (int ch = 0; ch < 16; ++ch) {
      fluid_synth_cc(Synth, ch, 64, 0);  // sustain pedal up
      fluid_synth_cc(Synth, ch, 66, 0);  // sostenuto up
      fluid_synth_all_notes_off(Synth, ch);
      fluid_synth_cc(Synth, ch, 121, 0);  // reset all controllers
      // What the reset leaves as it was: volume, pan, reverb and chorus sends.
      fluid_synth_cc(Synth, ch, 7, 100);
      fluid_synth_cc(Synth, ch, 10, 64);
      fluid_synth_cc(Synth, ch, 91, 0);
      fluid_synth_cc(Synth, ch, 93, 0);
      if (ch != 9) fluid_synth_bank_select(Synth, ch, 0);
      fluid_synth_program_change(Synth, ch, 0);
    }
  }

  fluid_settings_t* Settings;
  fluid_synth_t* Synth;
  fluid_player_t* Player = nullptr;
  std::mutex Lock;  // the player and the synth's rendering
  std::atomic<float> Gain{1.0f};
  std::vector<float> Scratch;
  std::vector<float> Primed;  // frames rendered by Play, played first
  int PrimedFrames = 0, PrimedPosition = 0;
};

}  // namespace

std::unique_ptr<MidiPlayer> CreateFluidMidiPlayer(int rate, const std::string& soundFont,
                                                  std::string* error) {
  const std::string path = soundFont.empty() ? DefaultSoundFont : soundFont;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  auto fail = [&](const std::string& reason) {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
    if (error) *error = reason;
    return nullptr;
  };
  if (!settings) return fail("cannot create the FluidSynth settings");
  // The synthesiser would run at its own rate on a bad one, playing every piece off key.
  if (fluid_settings_setnum(settings, "synth.sample-rate", rate) != FLUID_OK)
    return fail("the sample rate " + std::to_string(rate) + " Hz is not supported by FluidSynth");
  // Only the instruments in use are read in: the whole General MIDI set would cost about
  // 120 MiB of memory.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  // The player follows the rendered samples, so the audio callback times the music.
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  // Play resets the channels itself, letting the last notes ring out.
  fluid_settings_setint(settings, "player.reset-synth", 0);
  // Enough for dense pieces with long releases; caps the worst case of the callback.
  fluid_settings_setint(settings, "synth.polyphony", 128);
  fluid_settings_setnum(settings, "synth.gain", BaseGain);

  synth = new_fluid_synth(settings);
  if (!synth) return fail("cannot create the FluidSynth synthesiser");
  if (!std::ifstream(path, std::ios::binary)) return fail("cannot open the SoundFont " + path);
  if (fluid_synth_sfload(synth, path.c_str(), 1) == FLUID_FAILED)
    return fail("cannot load the SoundFont " + path);
  return std::make_unique<FluidMidiPlayer>(settings, synth);
}

}  // namespace zolvane
