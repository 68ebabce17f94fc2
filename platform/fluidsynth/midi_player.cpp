#include "platform/fluidsynth/midi_player.h"

#include <fluidsynth.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/fluidsynth/midi_file.h"

namespace zolvane {

namespace {

constexpr int MaxBlock = 8192;  // frames rendered per call into the scratch buffer
// FluidSynth's own default gain: a busy General MIDI piece peaks near -12 dBFS with it, which
// leaves room for the +8 dB of the loudest music step and the effects on top.
constexpr double BaseGain = 0.2;
// The pieces play on the first sixteen channels; the others hold a selection of every
// preset the coming piece uses, so their samples are read in by the loading thread.
constexpr int MusicChannels = 16;
constexpr int HoldChannels = 32;
// A piece is over this long after its last event even while long releases still ring: the
// next one then starts within a beat of the last note.
constexpr double ReleaseCapSeconds = 1.0;
// Or sooner, once what it renders stays below -60 dBFS at unity: voices can linger far
// below hearing.
constexpr float Inaudible = 0.001f;

const char* const SoundFontPlaces[] = {
    DefaultSoundFont, "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"};

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

// The SoundFont is read through files of our own, so that a player closed while it loads
// stops the read at once rather than at the end of the file. A file opened on the loading
// thread heeds that thread's player; one opened elsewhere (a sample read in by the audio
// thread) is never cut off.
thread_local const std::atomic<bool>* LoaderClosing = nullptr;

// Only our loader knows this name: after a failed load FluidSynth tries its own loader,
// which would read a cancelled SoundFont through to the end.
constexpr const char FontPrefix[] = "zolvane-sf:";

// FluidSynth's errors about the name above are its other loaders failing on it, and a
// cancelled load's are no fault: neither is shown. A real failure is told by SoundFontError.
void FilterLog(int level, const char* message, void* data) {
  if (std::string_view(message).find(FontPrefix) != std::string_view::npos) return;
  if (LoaderClosing && LoaderClosing->load()) return;
  fluid_default_log_function(level, message, data);
}

struct FontFile {
  std::FILE* File;
  const std::atomic<bool>* Closing;
};

void* OpenFont(const char* name) {
  const std::string path(name);
  if (path.rfind(FontPrefix, 0) != 0) return nullptr;
  std::FILE* file = std::fopen(path.c_str() + sizeof FontPrefix - 1, "rb");
  return file ? new FontFile{file, LoaderClosing} : nullptr;
}
int ReadFont(void* buffer, fluid_long_long_t count, void* handle) {
  auto* f = static_cast<FontFile*>(handle);
  if (f->Closing && f->Closing->load()) return FLUID_FAILED;
  return std::fread(buffer, static_cast<size_t>(count), 1, f->File) == 1 ? FLUID_OK : FLUID_FAILED;
}
int SeekFont(void* handle, fluid_long_long_t offset, int origin) {
  return fseeko(static_cast<FontFile*>(handle)->File, static_cast<off_t>(offset), origin) == 0
             ? FLUID_OK
             : FLUID_FAILED;
}
fluid_long_long_t TellFont(void* handle) { return ftello(static_cast<FontFile*>(handle)->File); }
int CloseFont(void* handle) {
  auto* f = static_cast<FontFile*>(handle);
  std::fclose(f->File);
  delete f;
  return FLUID_OK;
}

struct Piece {
  MidiPiece Midi;
  uint64_t Generation;
};

enum class FontState { Loading, Ready, Failed };

// Three threads: the main one asks (Play, Stop), the loader reads the SoundFont first, then
// reads, parses and prepares the pieces, the audio one renders. The main thread never
// waits on the other two; the audio thread never waits at all: while the loader holds the
// synthesiser it renders without events.
class FluidMidiPlayer : public MidiPlayer {
 public:
  FluidMidiPlayer(fluid_settings_t* settings, fluid_synth_t* synth, int rate,
                  std::string soundFont, MidiFileReader reader, std::function<void()> beforeFont)
      : Settings(settings),
        Synth(synth),
        Rate(rate),
        SoundFont(std::move(soundFont)),
        BeforeFont(std::move(beforeFont)),
        Reader(reader ? std::move(reader) : MidiFileReader(ReadWholeFile)),
        Scratch(MaxBlock * 2),
        Loader([this] { LoadRequests(); }) {}

  ~FluidMidiPlayer() override {
    Closing = true;
    {
      std::lock_guard<std::mutex> guard(RequestLock);
      Quit = true;
    }
    RequestReady.notify_one();
    Loader.join();
    delete_fluid_synth(Synth);
    delete_fluid_settings(Settings);
  }

  bool Play(const std::string& midiFile) override {
    std::error_code ec;
    const bool there = std::filesystem::is_regular_file(midiFile, ec);
    Ask(there ? midiFile : std::string());
    Playing = there;
    return there;
  }

  void Stop() override {
    Ask({});
    Playing = false;
  }

  bool Ended() const override {
    return Playing && EndedGeneration.load() == AskedGeneration.load();
  }

  bool Loading() const override { return LoadedGeneration.load() != AskedGeneration.load(); }

  std::string SoundFontError() const override {
    return Font.load() == FontState::Failed ? FontError : std::string();
  }

  void SetVolume(int32_t hundredthsDb) override {
    Gain.store(hundredthsDb <= Silence ? 0.0f
                                       : static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0)),
               std::memory_order_relaxed);
  }

  void RenderAdd(float* out, int frames) override {
    // Rendered even when silent: the piece is timed by these samples and must go on.
    // Until the SoundFont is in, the synthesiser is the loader's: nothing sounds and no
    // piece is under way.
    if (Font.load() != FontState::Ready) return;
    const float gain = Gain.load(std::memory_order_relaxed);
    std::unique_lock<std::mutex> guard(SynthLock, std::try_to_lock);
    if (!guard.owns_lock()) {
      // The loader is changing pieces: what rings on is rendered, events wait.
      Synthesize(out, frames, gain);
      return;
    }
    float peak = 0;
    while (frames > 0) {
      int n = std::min(frames, MaxBlock);
      if (Current) {
        const std::vector<MidiEvent>& events = Current->Midi.Events;
        for (; Next < events.size() && events[Next].Frame <= Now; ++Next) Dispatch(events[Next]);
        if (Next < events.size())
          n = static_cast<int>(std::min<int64_t>(n, events[Next].Frame - Now));
      }
      peak = std::max(peak, Synthesize(out, n, gain));
      Now += n;
      out += n * 2;
      frames -= n;
    }
    if (Current && Next == Current->Midi.Events.size() && Now >= Current->Midi.MusicEnd &&
        (peak < Inaudible ||
         Now >= Current->Midi.MusicEnd + static_cast<int64_t>(ReleaseCapSeconds * Rate) ||
         fluid_synth_get_active_voice_count(Synth) == 0))
      EndedGeneration.store(Current->Generation);
  }

 private:
  // Main thread: only the latest wish counts.
  void Ask(std::string file) {
    {
      std::lock_guard<std::mutex> guard(RequestLock);
      RequestFile = std::move(file);
      AskedGeneration.store(AskedGeneration.load() + 1);
    }
    RequestReady.notify_one();
  }

  // The loading thread's loop.
  void LoadRequests() {
    // Below the game's own threads: woken by Play, the loader must not take the main
    // thread's place on a busy processor. Counted from the game's own niceness: a game
    // started with nice 19 would otherwise find its loader above itself.
    const auto self = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(nice + 10, 19));
    LoaderClosing = &Closing;
    LoadSoundFont();
    uint64_t done = 0;
    std::unique_lock<std::mutex> guard(RequestLock);
    for (;;) {
      RequestReady.wait(guard, [&] { return Quit || AskedGeneration.load() != done; });
      if (Quit) return;
      done = AskedGeneration.load();
      const std::string file = RequestFile;
      guard.unlock();
      Load(file, done);
      guard.lock();
    }
  }

  // The longest part of the player's making, so done here while the game starts: a Play
  // that comes first waits in the request.
  void LoadSoundFont() {
    if (BeforeFont) BeforeFont();
    const std::string name = FontPrefix + SoundFont;
    if (fluid_synth_sfload(Synth, name.c_str(), 1) == FLUID_FAILED) {
      FontError = "cannot load the SoundFont " + SoundFont;
      Font.store(FontState::Failed);
    } else {
      Font.store(FontState::Ready);
    }
  }

  void Load(const std::string& file, uint64_t generation) {
    // Without a SoundFont nothing is ever played: the wish is only taken.
    if (Font.load() == FontState::Failed) {
      LoadedGeneration.store(generation);
      return;
    }
    std::optional<MidiPiece> midi;
    if (!file.empty()) midi = ParseMidiFile(Reader(file), Rate);
    if (!file.empty() && !midi) EndedGeneration.store(generation);
    std::unique_ptr<Piece> retired;
    {
      std::lock_guard<std::mutex> guard(SynthLock);
      if (midi) HoldPresets(midi->Presets);
      retired = std::move(Current);
      ReleaseChannels();
      // A wish that came while this one loaded replaces it at once.
      if (midi && generation == AskedGeneration.load())
        Current = std::make_unique<Piece>(Piece{std::move(*midi), generation});
      Next = 0;
      Now = 0;
    }
    LoadedGeneration.store(generation);
  }

  // Caller holds SynthLock. Selecting a preset reads its samples in; they stay while a hold
  // channel keeps it selected, so the piece's program changes find them there.
  void HoldPresets(const std::vector<MidiPreset>& presets) {
    const int count = std::min<int>(static_cast<int>(presets.size()), HoldChannels);
    for (int i = 0; i < count; ++i) {
      const int ch = MusicChannels + i;
      const MidiPreset& p = presets[static_cast<size_t>(i)];
      fluid_synth_set_channel_type(Synth, ch, p.Drums ? CHANNEL_TYPE_DRUM : CHANNEL_TYPE_MELODIC);
      fluid_synth_bank_select(Synth, ch, p.Drums ? 128 : std::max(p.Bank, 0));
      fluid_synth_program_change(Synth, ch, p.Program);
    }
  }

  // Caller holds SynthLock. Lets what sounds die away naturally (as a note-off would) and
  // gives the next piece the channels as a fresh synthesiser has them. A full synth reset
  // would cut the release tails off with a click.
  void ReleaseChannels() {
    for (int ch = 0; ch < MusicChannels; ++ch) {
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

  // Audio thread, holding SynthLock.
  void Dispatch(const MidiEvent& e) {
    const int ch = e.Status & 0x0f;
    switch (e.Status & 0xf0) {
      case 0x80: fluid_synth_noteoff(Synth, ch, e.Data1); break;
      case 0x90:
        if (e.Data2 == 0) fluid_synth_noteoff(Synth, ch, e.Data1);
        else fluid_synth_noteon(Synth, ch, e.Data1, e.Data2);
        break;
      case 0xa0: fluid_synth_key_pressure(Synth, ch, e.Data1, e.Data2); break;
      case 0xb0: fluid_synth_cc(Synth, ch, e.Data1, e.Data2); break;
      case 0xc0: fluid_synth_program_change(Synth, ch, e.Data1); break;
      case 0xd0: fluid_synth_channel_pressure(Synth, ch, e.Data1); break;
      case 0xe0: fluid_synth_pitch_bend(Synth, ch, e.Data1 | e.Data2 << 7); break;
      case 0xf0:
        if (e.SysexSize > 0)
          fluid_synth_sysex(Synth, reinterpret_cast<const char*>(&Current->Midi.Sysex[e.SysexAt]),
                            static_cast<int>(e.SysexSize), nullptr, nullptr, nullptr, 0);
        break;
    }
  }

  // Audio thread. FluidSynth renders apart from its event calls, so this needs no lock.
  // Returns the loudest sample before the gain.
  float Synthesize(float* out, int frames, float gain) {
    float peak = 0;
    while (frames > 0) {
      const int n = std::min(frames, MaxBlock);
      fluid_synth_write_float(Synth, n, Scratch.data(), 0, 2, Scratch.data(), 1, 2);
      for (int i = 0; i < n * 2; ++i) {
        peak = std::max(peak, std::fabs(Scratch[i]));
        out[i] += Scratch[i] * gain;
      }
      out += n * 2;
      frames -= n;
    }
    return peak;
  }

  fluid_settings_t* Settings;
  fluid_synth_t* Synth;
  const int Rate;
  const std::string SoundFont;
  const std::function<void()> BeforeFont;
  const MidiFileReader Reader;
  std::atomic<float> Gain{1.0f};
  std::vector<float> Scratch;  // audio thread

  // Main thread.
  bool Playing = false;
  // Generations count the wishes: each Play or Stop is the next.
  std::atomic<uint64_t> AskedGeneration{0}, LoadedGeneration{0}, EndedGeneration{0};

  std::atomic<FontState> Font{FontState::Loading};
  std::atomic<bool> Closing{false};  // the destructor has begun: reads of the SoundFont fail
  std::string FontError;  // written by the loader before Font turns Failed

  std::mutex RequestLock;  // the wish and Quit
  std::condition_variable RequestReady;
  std::string RequestFile;
  bool Quit = false;

  std::mutex SynthLock;  // the piece playing, its place, and the synthesiser's channels
  std::unique_ptr<Piece> Current;
  size_t Next = 0;  // the next event
  int64_t Now = 0;  // frames rendered since the piece began

  std::thread Loader;  // last: it starts with everything above in place
};

}  // namespace

std::unique_ptr<MidiPlayer> CreateFluidMidiPlayer(int rate, const std::string& soundFont,
                                                  std::string* error, MidiFileReader reader,
                                                  std::function<void()> beforeSoundFont) {
  std::string path = soundFont.empty() ? DefaultSoundFont : soundFont;
  if (soundFont.empty())
    for (const char* place : SoundFontPlaces) {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(place, ec)) continue;
      path = place;
      break;
    }
  static std::once_flag filtered;
  std::call_once(filtered, [] { fluid_set_log_function(FLUID_ERR, FilterLog, nullptr); });
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
  fluid_settings_setint(settings, "synth.midi-channels", MusicChannels + HoldChannels);
  // Enough for dense pieces with long releases; caps the worst case of the callback.
  fluid_settings_setint(settings, "synth.polyphony", 128);
  fluid_settings_setnum(settings, "synth.gain", BaseGain);

  synth = new_fluid_synth(settings);
  if (!synth) return fail("cannot create the FluidSynth synthesiser");
  fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
  if (!loader) return fail("cannot create the FluidSynth SoundFont loader");
  fluid_sfloader_set_callbacks(loader, OpenFont, ReadFont, SeekFont, TellFont, CloseFont);
  fluid_synth_add_sfloader(synth, loader);  // the synthesiser's from now on
  // What can be told at once is told here, so a missing SoundFont turns the music off
  // within the start-up; the rest of the load comes later, on the player's thread.
  std::ifstream font(path, std::ios::binary);
  if (!font) return fail("cannot open the SoundFont " + path);
  char head[12] = {};
  if (!font.read(head, sizeof head) || std::string(head, 4) != "RIFF" ||
      std::string(head + 8, 4) != "sfbk")
    return fail("cannot load the SoundFont " + path);
  return std::make_unique<FluidMidiPlayer>(settings, synth, rate, path, std::move(reader),
                                           std::move(beforeSoundFont));
}

}  // namespace zolvane
