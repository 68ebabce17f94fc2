// The start-up, the fatal report, the rebuild and the shutdown, on a recording device and
// a window of the test's own, in a copy of the run folder.
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <thread>

#include "app/config.h"
#include "app/full_screen.h"
#include "app/main_form.h"
#include "app/startup.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/key_bindings.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/data_files.h"
#include "platform/keyboard.h"
#include "platform/logs.h"
#include "platform/recording_device.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/models.h"
#if ZOLVANE_FLUIDSYNTH
#include "platform/fluidsynth/midi_player.h"
#endif
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

class FakeWindow : public WindowSystem {
 public:
  bool GraphicsAvailable() override { return HasGraphics; }
  bool GraphicsRecentEnough() override { return true; }
  Direct3D* Direct3DCreate8() override {
    auto* d3d = new RecordingDirect3D();
    d3d->DisplayFormats = DisplayFormats;
    d3d->CreateDeviceResult = CreateDeviceResult;
    LastD3D = d3d;
    return d3d;
  }
  void* WindowHandle() override { return this; }
  void DrawLoadingText(D3DCOLOR colour, bool screenCentre) override {
    Loading.push_back({colour, screenCentre});
  }
  void ScreenSize(int& w, int& h) override { w = 1280, h = 1024; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    Messages.push_back(title + ": " + text);
  }
  void HideCursor() override {}
  void Maximize() override { ++Maximized; }
  void Minimize() override {}
  void Close() override { Closed = true; }
  bool SetFullScreen(bool on) override {
    if (Clock) Clock->Advance(SwitchMs);  // the window system waits for the display
    if (RefuseFullScreen) return false;
    FullScreenNow = on;
    return true;
  }
  bool IsFullScreen() override { return FullScreenNow; }
  bool CreateDirectInput() override { return true; }
  bool CreateKeyboard() override { return KeyboardWorks; }
  bool AcquireKeyboard(bool) override { return true; }
  void CloseDirectInput() override { InputClosed = true; }
  // A few names, any case as SDL's: enough for [Keys].
  int DikFromKeyName(const std::string& name) override {
    if (strcasecmp(name.c_str(), "A") == 0) return 0x1E;
    if (strcasecmp(name.c_str(), "S") == 0) return 0x1F;
    if (strcasecmp(name.c_str(), "Up") == 0) return DIK_UP;
    return NoSuchKeyName;
  }

  bool HasGraphics = true, KeyboardWorks = true, Closed = false, InputClosed = false;
  bool FullScreenNow = false, RefuseFullScreen = false;
  int Maximized = 0;
  ManualClock* Clock = nullptr;
  uint32_t SwitchMs = 0;
  std::vector<D3DFORMAT> DisplayFormats{D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
  HRESULT CreateDeviceResult = D3D_OK;
  RecordingDirect3D* LastD3D = nullptr;
  std::vector<std::pair<D3DCOLOR, bool>> Loading;
  std::vector<std::string> Messages;
};

// A sound device without a device: effects convert as 16-bit samples, the music player is
// whatever the test asks for.
class FakeAudio : public AudioBackend {
 public:
  class Player : public MidiPlayer {
   public:
    bool Play(const std::string& file) override { return std::filesystem::exists(file); }
    void Stop() override {}
    bool Ended() const override { return false; }
    void SetVolume(int32_t) override {}
    void RenderAdd(float*, int) override {}
  };
  Mixer* Open() override { return &TheMixer; }
  void Close() override { TheMixer.Clear(); }
  bool Convert(const WaveFormat&, const uint8_t* data, size_t bytes, int,
               std::vector<float>& out) override {
    out.assign(bytes / 2, 0.0f);
    for (size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<int16_t>(data[2 * i] | data[2 * i + 1] << 8) / 32768.0f;
    return true;
  }
  std::unique_ptr<MidiPlayer> CreateMidiPlayer(int, const std::string& soundFont,
                                               std::string* error) override {
    if (NoSoundFont) {
      *error = soundFont + ": the SoundFont cannot be loaded";
      return nullptr;
    }
    if (MakePlayer) return MakePlayer(TheMixer.Rate(), error);
    return std::make_unique<Player>();
  }
  Mixer TheMixer{44100};
  bool NoSoundFont = false;
  std::function<std::unique_ptr<MidiPlayer>(int rate, std::string* error)> MakePlayer;
};

std::vector<std::string> ReadLines(const std::string& path) {
  std::istringstream in(ReadFile(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CR LF: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The start-up's own lines, without the model loader's.
std::vector<std::string> StepLines(const std::vector<std::string>& lines) {
  std::vector<std::string> steps;
  for (const auto& l : lines)
    if (l.rfind("data/models", 0) != 0) steps.push_back(l);
  return steps;
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"data", "textures"})
      fs::copy(fs::path(ZOLVANE_RUN_DIR) / sub, folder / sub, fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(folder / "textures"))
      if (e.path().extension() == ".bmp" && e.path().stem().string().rfind("b", 0) == 0)
        fs::remove(e.path());  // backgrounds as on a first start: JPEG only
    SetConfigPath((folder / "config.ini").string());
    Reset();
  }
  void TearDown() override {
    ReleaseAll();
    ResetGameState();
    ResetModels();
    Reset();
    SetConfigPath("");
  }
  static void Reset() {
    Config = GameSettings{};
    frmD3D = MainForm{};
    KeyboardReady = false;
    ResetConfigState();
    ResetKeyBindings();
  }
  void WriteConfig(const std::string& text) { WriteFile(folder / "config.ini", text); }
  const TempFolder folder;
  const CurrentFolder in{folder.Path()};
  FakeWindow window;
};

TEST_F(StartUpTest, WindowedStartWritesItsStepsInOrderAndConvertsThePicturesOnce) {
  ASSERT_EQ(StartUp(window), StartUpResult::Ready) << ::testing::PrintToString(window.Messages);
  const std::vector<std::string> expected{"Convert pictures - done",
                                          "InitD3D - done",
                                          "AdapterFormat 22",
                                          "TextureFormat 21",
                                          "Init Vertex Buffers - done",
                                          "FillVB + GetOptions - done",
                                          "InitModels - done",
                                          "SetupLights - done",
                                          "InitBrickTextures - done",
                                          "InitTexturesBreakGameStates - done",
                                          "LoadFigImages + SetAllMatrices - done",
                                          "GlassFrame - done",
                                          "garbage - done",
                                          "Many Textures - done",
                                          "Many Texures + InitVBFont - done",
                                          "InitDI - done",
                                          "DirectSound+DirectMusic - done"};
  const auto lines = ReadLines("debug.txt");
  EXPECT_EQ(StepLines(lines), expected);
  EXPECT_GT(lines.size(), expected.size() + 50) << "the model loader logs its own lines";
  EXPECT_TRUE(KeyboardReady);
  EXPECT_TRUE(frmD3D.HighScoresLoaded);
  EXPECT_TRUE(window.Messages.empty());
  EXPECT_EQ(ModelTable[2].Textured, true);
  EXPECT_GT(ModelTable[2].TriangleCount, ModelTable[0].TriangleCount);

  // The five backgrounds became bitmaps; a second start keeps them as they are.
  std::vector<fs::file_time_type> times;
  for (const char* name : BackgroundNames) {
    const fs::path bmp = fs::path("textures") / (std::string(name) + ".bmp");
    ASSERT_TRUE(fs::exists(bmp)) << bmp;
    times.push_back(fs::last_write_time(bmp));
  }
  std::ofstream("textures/bkgrgame2.bmp", std::ios::binary | std::ios::app) << "x";
  const auto grown = fs::file_size("textures/bkgrgame2.bmp");
  ReleaseAll();
  ConvertPictures();
  EXPECT_EQ(fs::file_size("textures/bkgrgame2.bmp"), grown);
  EXPECT_EQ(fs::last_write_time("textures/bkgrgame.bmp"), times[1]);
}

TEST_F(StartUpTest, KeysAreBoundAndLinesNotTakenAreLoggedWithTheirLineNumbers) {
  WriteConfig("\xEF\xBB\xBF[Settings]\r\nRotation=1\r\n\r\n[Keys]\r\n; Drop=S\r\nLeft = a \r\n"
              "Drop=Up\r\nTurboDrop=Nokey\r\n[Keys]\r\nRight=S\r\n");
  ASSERT_EQ(StartUp(window), StartUpResult::Ready) << ::testing::PrintToString(window.Messages);
  EXPECT_EQ(KeyBindings[static_cast<int>(Action::Left)].Keys[0], 0x1E);
  for (Action kept : {Action::Drop, Action::TurboDrop, Action::Right})
    EXPECT_EQ(KeyBindings[static_cast<int>(kept)].Keys[0], DefaultKeyBinding(kept).Keys[0])
        << ActionName(kept);
  // Between the keyboard's start and its step line, once the log is open.
  const auto steps = StepLines(ReadLines("debug.txt"));
  const auto done = std::find(steps.begin(), steps.end(), "InitDI - done");
  ASSERT_NE(done, steps.end());
  ASSERT_GE(done - steps.begin(), 4);
  const std::vector<std::string> expected{
      "Many Texures + InitVBFont - done",
      "config.ini line 7: Drop=Up: \"Up\" is already Turn's key; Drop keeps its default keys",
      "config.ini line 8: TurboDrop=Nokey: \"Nokey\" is not the name of a key; TurboDrop keeps "
      "its default keys",
      "config.ini line 9: [Keys] again: only the one at line 4 is read"};
  EXPECT_EQ(std::vector<std::string>(done - 4, done), expected);
}

TEST_F(StartUpTest, FullScreenStartChoosesTheFormatAndTheResolution) {
  WriteConfig("[Options]\r\nFullScreen=1\r\nUse desktop settings=0\r\nResolution=4\r\n");
  window.DisplayFormats = {D3DFMT_X8R8G8B8};  // a display with 32-bit modes only
  ASSERT_EQ(StartUp(window), StartUpResult::Ready);
  const auto steps = StepLines(ReadLines("debug.txt"));
  const std::vector<std::string> head{"Convert pictures - done", "Direct3DCreate - Ok",
                                      "AdapterFormat 22",        "TextOut \"Loading\"",
                                      "Fill d3dpp - Ok",         "CreateDevice - Ok",
                                      "InitD3D - done",          "AdapterFormat 22"};
  ASSERT_GE(steps.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + head.size()), head);
  const D3DPRESENT_PARAMETERS& pp = window.LastD3D->LastParams;
  EXPECT_EQ(pp.BackBufferWidth, 800u);
  EXPECT_EQ(pp.BackBufferHeight, 600u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(pp.Windowed, 0);
  EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
  // Black text erases the form's, then white text at the centre of the screen.
  ASSERT_EQ(window.Loading.size(), 2u);
  EXPECT_EQ(window.Loading[0], std::make_pair(0xFF000000u, false));
  EXPECT_EQ(window.Loading[1], std::make_pair(0xFFFFFFFFu, true));
}

TEST_F(StartUpTest, AResolutionOutsideTheTableKeepsTheDesktopSize) {
  WriteConfig("[Options]\r\nFullScreen=1\r\nResolution=9\r\n");
  ASSERT_EQ(StartUp(window), StartUpResult::Ready);
  EXPECT_EQ(window.LastD3D->LastParams.BackBufferWidth, 1280u);
  EXPECT_EQ(window.LastD3D->LastParams.BackBufferHeight, 1024u);
}

TEST_F(StartUpTest, MissingDataFilesEndTheStartUpWithAMessageNamingThem) {
  fs::remove("data/models/brick_high.txt");
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_NE(window.Messages[0].find("InitModels"), std::string::npos) << window.Messages[0];
  EXPECT_NE(window.Messages[0].find("brick_high.txt"), std::string::npos) << window.Messages[0];
  EXPECT_EQ(D3D.FD3DDevice, nullptr) << "everything is released";
  EXPECT_FALSE(frmD3D.FActive);
  EXPECT_FALSE(frmD3D.HighScoresLoaded);
  const auto steps = StepLines(ReadLines("debug.txt"));
  EXPECT_EQ(steps.back(), "FillVB + GetOptions - done") << "the last completed step";

  ResetModels();
  fs::copy(fs::path(ZOLVANE_RUN_DIR) / "data/models/brick_high.txt", "data/models/brick_high.txt");
  WriteFile("data/figimages/images.dat", "--\n01z0\n");
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_NE(window.Messages[0].find("images.dat line 2"), std::string::npos) << window.Messages[0];
}

TEST_F(StartUpTest, AMissingOrDamagedMenuPictureOrFontImageEndsTheStartUpNamingIt) {
  struct Case {
    const char* File;
    bool Damaged;  // there, but not a picture
    const char* Step;
  };
  for (const Case& c : {Case{"textures/stripe.bmp", false, "LoadMenuTextures"},
                        Case{"textures/name.bmp", true, "LoadMenuTextures"},
                        Case{"data/fonts/font3.bmp", false, "BuildFontTextures"},
                        Case{"data/fonts/font1.bmp", true, "BuildFontTextures"}}) {
    SCOPED_TRACE(c.File);
    const fs::path saved = folder / "saved";
    fs::copy_file(c.File, saved, fs::copy_options::overwrite_existing);
    fs::remove(c.File);
    if (c.Damaged) WriteFile(c.File, "BM not a picture");
    window.Messages.clear();
    EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].rfind(std::string(c.Step) + ": ", 0), 0u) << window.Messages[0];
    EXPECT_NE(window.Messages[0].find(c.File), std::string::npos) << window.Messages[0];
    EXPECT_EQ(D3D.FD3DDevice, nullptr) << "everything is released";
    fs::copy_file(saved, c.File, fs::copy_options::overwrite_existing);
    ResetModels();
    ResetGameState();
  }
}

TEST_F(StartUpTest, UnconvertiblePictureOrUnreadableScoresEndTheStartUpAndKeepTheFiles) {
  fs::remove("textures/bkgrgame3.jpg");
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_EQ(window.Messages[0].rfind("ConvertPictures: textures/bkgrgame3.jpg", 0), 0u)
      << window.Messages[0];

  fs::copy(fs::path(ZOLVANE_RUN_DIR) / "textures/bkgrgame3.jpg", "textures/bkgrgame3.jpg");
  fs::create_directory("highscores.dat");  // there, but not readable as a file
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  EXPECT_EQ(window.Messages, std::vector<std::string>{
                                 "LoadHighScores: highscores.dat: the file cannot be read"});
  EXPECT_FALSE(frmD3D.HighScoresLoaded) << "the shutdown must not write over it";
  EXPECT_TRUE(fs::is_directory("highscores.dat"));
}

TEST_F(StartUpTest, SoundAndMusicStartOrEndTheStartUpNamingWhatIsMissing) {
  for (const char* sub : {"sounds", "music"})
    fs::copy(fs::path(ZOLVANE_RUN_DIR) / sub, folder / sub, fs::copy_options::recursive);
  FakeAudio audio;
  SetAudioBackend(&audio);
  SetMusicSoundFont("/nowhere/gm.sf2");
  WriteConfig("[Settings]\r\nMusic Number=11\r\n");

  ASSERT_EQ(StartUp(window), StartUpResult::Ready) << ::testing::PrintToString(window.Messages);
  EXPECT_TRUE(AudioEnabled);
  EXPECT_EQ(audio.TheMixer.VoiceCount(), EffectCount);
  EXPECT_EQ(CurrentMusicNumber, 11) << "the piece of the config plays first";
  EXPECT_EQ(StepLines(ReadLines("debug.txt")).back(), "DirectSound+DirectMusic - done");
  ReleaseAll();
  EXPECT_FALSE(AudioEnabled);
  EXPECT_EQ(audio.TheMixer.VoiceCount(), 0) << "the effects are freed with everything else";

  // Without the SoundFont the effects play and the music stays off, its number kept.
  audio.NoSoundFont = true;
  WriteConfig("[Settings]\r\nMusic Number=7\r\n");
  ASSERT_EQ(StartUp(window), StartUpResult::Ready) << ::testing::PrintToString(window.Messages);
  EXPECT_TRUE(AudioEnabled);
  EXPECT_EQ(audio.TheMixer.VoiceCount(), EffectCount);
  EXPECT_EQ(CurrentMusicNumber, 7);
  EXPECT_FALSE(MusicEnded()) << "no music, so no piece to move on from";
  const std::vector<std::string> lines = StepLines(ReadLines("debug.txt"));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "DirectSound+DirectMusic - done");
  EXPECT_EQ(lines[lines.size() - 2], "Music off: /nowhere/gm.sf2: the SoundFont cannot be loaded");
  ReleaseAll();
  ResetModels();
  ResetGameState();
  audio.NoSoundFont = false;

  fs::remove("music/theme12.mid");
  WriteConfig("[Settings]\r\nMusic Number=11\r\n");
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_EQ(window.Messages[0].rfind("PlaySegment: ", 0), 0u) << window.Messages[0];
  EXPECT_NE(window.Messages[0].find("music/theme12.mid"), std::string::npos) << window.Messages[0];
  ResetModels();
  ResetGameState();
  fs::remove("sounds/lineadd.wav");
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_NE(window.Messages[0].find("sounds/lineadd.wav"), std::string::npos) << window.Messages[0];
  SetMusicSoundFont("");
  SetAudioBackend(nullptr);
}

#if ZOLVANE_FLUIDSYNTH
// The real player, its SoundFont held on the player's thread until the test lets it go: the
// start-up ends, its log as ever, with the music silent, and the first piece is heard from
// its beginning once the SoundFont is in.
TEST_F(StartUpTest, StartUpEndsWhileTheSoundFontLoadsAndTheFirstPieceFollowsIt) {
  for (const char* sub : {"sounds", "music"})
    fs::copy(fs::path(ZOLVANE_RUN_DIR) / sub, folder / sub, fs::copy_options::recursive);
  // Piece 3 an organ chord held for one second at the default tempo.
  WriteFile(folder / MusicFiles[2],
            std::string("MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\40"
                        "\0\300\20\0\220\74\144\0\220\100\144\0\220\103\144"
                        "\207\100\200\74\0\0\200\100\0\0\200\103\0\0\377\57\0",
                        22 + 32));
  WriteConfig("[Settings]\r\nMusic Number=2\r\nMusic volume=6\r\n");
  std::promise<void> reached, go;
  std::shared_future<void> released = go.get_future().share();
  bool letGoInTime = false;
  FakeAudio audio;
  audio.MakePlayer = [&](int rate, std::string* error) {
    return CreateFluidMidiPlayer(rate, DefaultSoundFont, error, {}, [&] {
      reached.set_value();
      letGoInTime = released.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    });
  };
  SetAudioBackend(&audio);
  const auto mix = [&](double seconds) {  // the peak of each 10 ms
    std::vector<float> out(441 * 2), peaks;
    for (int block = 0; block < static_cast<int>(seconds * 100); ++block) {
      audio.TheMixer.Mix(out.data(), 441);
      float peak = 0;
      for (float v : out) peak = std::max(peak, std::abs(v));
      peaks.push_back(peak);
    }
    return peaks;
  };

  ASSERT_EQ(StartUp(window), StartUpResult::Ready) << ::testing::PrintToString(window.Messages);
  reached.get_future().wait();
  EXPECT_EQ(CurrentMusicNumber, 2);
  EXPECT_EQ(StepLines(ReadLines("debug.txt")).back(), "DirectSound+DirectMusic - done");
  const std::vector<float> waiting = mix(0.5);
  EXPECT_EQ(*std::max_element(waiting.begin(), waiting.end()), 0.0f) << "nothing before the SoundFont";
  MusicUpkeep();
  EXPECT_FALSE(MusicEnded());

  go.set_value();
  std::vector<float> heard;
  for (int i = 0; i < 2000 && heard.empty(); ++i) {  // the player's thread reads it in
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (const std::vector<float> block = mix(0.01); block[0] > 0.001f) heard = block;
  }
  EXPECT_TRUE(letGoInTime) << "the start-up waited for the SoundFont";
  ASSERT_FALSE(heard.empty()) << "the first piece never sounded";
  const std::vector<float> rest = mix(1.5);
  EXPECT_GT(rest[80], 0.01f) << "the chord is still held after 0.8 s: it began at its start";
  EXPECT_LT(rest[148], rest[80] / 20) << "and was let go at 1 s";
  MusicUpkeep();
  EXPECT_EQ(StepLines(ReadLines("debug.txt")).back(), "DirectSound+DirectMusic - done");
  ReleaseAll();  // the player goes before the mixer and the hook's state it uses
  SetAudioBackend(nullptr);
}
#endif

TEST_F(StartUpTest, DeviceFailureIsReportedWithItsDescription) {
  window.CreateDeviceResult = D3DERR_NOTAVAILABLE;
  EXPECT_EQ(StartUp(window), StartUpResult::Fatal);
  ASSERT_EQ(window.Messages.size(), 1u);
  EXPECT_EQ(window.Messages[0], "InitD3D: This device does not support the queried technique.");
  EXPECT_TRUE(window.Closed);

  window.HasGraphics = false;
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::EndAtOnce);
  EXPECT_EQ(window.Messages, std::vector<std::string>{"Zolvane: No DirectX installed"});

  window.HasGraphics = true;
  window.CreateDeviceResult = D3D_OK;
  window.KeyboardWorks = false;
  window.Messages.clear();
  EXPECT_EQ(StartUp(window), StartUpResult::EndAtOnce);
  EXPECT_TRUE(window.Messages.empty()) << "no keyboard ends the program without a message";
}

TEST_F(StartUpTest, ShutdownSavesSettingsOnlyAndTheHighScores) {
  ASSERT_EQ(StartUp(window), StartUpResult::Ready);
  HighScores[2][1] = {"Ada", 4321};
  Config.SoundVolume = 4;
  Shutdown(window);
  EXPECT_TRUE(window.InputClosed);
  EXPECT_EQ(ReadFile("config.ini"),
            "[Settings]\r\nMusic volume=0\r\nSound volume=4\r\nRotation=0\r\nBrick Quality=2\r\n"
            "Music Number=0\r\n");
  SetDefaultHighScores();
  ASSERT_TRUE(LoadHighScores());
  EXPECT_EQ(HighScores[2][1].Name, "Ada");
  EXPECT_EQ(HighScores[2][1].Score, 4321);
}

// The window closed while a name is typed: the shutdown ends the entry as Enter would, and
// highscores.dat gets the name typed so far, never an empty row.
TEST_F(StartUpTest, ShutdownDuringTheNameEntryStoresTheNameTypedSoFar) {
  struct Case {
    std::string Typed, Stored;
  };
  const Case cases[] = {{"Ad", "Ad"}, {"", "Anonymous"}, {"  ", "Anonymous"}, {"A d ", "A d "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Typed);
    ASSERT_EQ(StartUp(window), StartUpResult::Ready);
    Game.GameType = 2;
    Game.ScorePosition = 1;
    Menu.NameEntryActive = OpenNameEntry(2, 1, 777);
    ASSERT_TRUE(Menu.NameEntryActive);
    NameEntryText(c.Typed);
    Shutdown(window);
    EXPECT_FALSE(Menu.NameEntryActive);
    SetDefaultHighScores();
    ASSERT_TRUE(LoadHighScores());
    EXPECT_EQ(HighScores[2][1].Name, c.Stored);
    EXPECT_EQ(HighScores[2][1].Score, 777);
    fs::remove("highscores.dat");
    ReleaseAll();
    ResetGameState();
    Menu = MenuStateData{};
    Reset();
  }
}

TEST_F(StartUpTest, RestoreInFullScreenRebuildsTheDeviceAndRefillsTheModels) {
  WriteConfig("[Options]\r\nFullScreen=1\r\nUse desktop settings=1\r\n");
  ASSERT_EQ(StartUp(window), StartUpResult::Ready);
  const std::vector<uint8_t> models = D3D.FD3DVBTexModels->Bytes;
  RecordingDirect3D* d3d = window.LastD3D;
  ASSERT_EQ(d3d->DevicesCreated, 1);
  ResetLog();
  ASSERT_EQ(RestoreAfterMinimize(window), StartUpResult::Ready);
  EXPECT_EQ(d3d->DevicesCreated, 2) << "a new device on the kept Direct3D object";
  EXPECT_EQ(window.LastD3D, d3d);
  EXPECT_EQ(D3D.FD3DVBTexModels->Bytes, models) << "the same vertices at the same places";
  for (VertexBuffer* quad : {D3D.MenuQuad, D3D.PanelQuad, D3D.FontQuad, D3D.FD3DVBFade})
    EXPECT_NE(quad, nullptr) << "the menus' and the font's quads are made again";
  ASSERT_NE(D3D.PanelQuad, nullptr);
  EXPECT_NE(D3D.PanelQuad->Bytes, std::vector<uint8_t>(64, 0)) << "the panel is filled";
  const std::vector<std::string> expected{
      "Start", "Start done", "Maximize", "Direct3DCreate - Ok", "AdapterFormat 23",
      "TextOut \"Loading\"", "Fill d3dpp - Ok", "CreateDevice - Ok", "InitD3DFullScreen",
      "InitVertexBuffer", "InitVertexBuffer1", "InitVBuffers", "Next step", "Ready",
      "Keyboard restoring"};
  EXPECT_EQ(ReadLines("debug.txt"), expected);
  EXPECT_TRUE(frmD3D.FActive);
}

// F11 in a game, from a window and from a full-screen start: the same device, the choice
// in config.ini and nothing else, the game's clocks as if no time had passed, and a
// restore after a minimise that treats the window as what it is now.
TEST_F(StartUpTest, FullScreenKeyKeepsTheDeviceTheClocksAndTheRestOfConfigIni) {
  struct Case {
    const char* Name;
    bool StartFullScreen;
  };
  for (const Case c : {Case{"window", false}, Case{"full screen", true}}) {
    SCOPED_TRACE(c.Name);
    ReleaseAll();
    Reset();
    const std::string before = std::string("; mine\r\n[Options]\r\nFullScreen=") +
                               (c.StartFullScreen ? "1" : "0") +
                               "\r\nUse desktop settings=1\r\nResolution=3\r\n\r\n[Settings]\r\n"
                               "Music volume=4\r\n[Other]\r\nFullScreen=7\r\n";
    WriteConfig(before);
    ManualClock clock(50000);
    window.Clock = &clock;
    window.FullScreenNow = c.StartFullScreen;  // the full-screen device made it so
    ASSERT_EQ(StartUp(window), StartUpResult::Ready);
    RecordingDirect3D* d3d = window.LastD3D;
    Device* device = D3D.FD3DDevice;
    const std::string started = ReadFile("config.ini");

    // A game running 12 s, then frames of 16 ms around the switch, which takes 150.
    Game.GameStartTime = clock.Now - 12000;
    FrameTimeUpdate();
    clock.Advance(16);
    window.SwitchMs = 150;
    ASSERT_TRUE(ToggleFullScreen(window));
    clock.Advance(16);
    FrameTimeUpdate();
    EXPECT_EQ(Loop.FrameDelta, 32u) << "the frame without the switch's 150 ms";
    EXPECT_EQ(clock.Now - Game.GameStartTime, 12032u);
    EXPECT_EQ(window.FullScreenNow, !c.StartFullScreen);
    EXPECT_EQ(Config.FullScreen, !c.StartFullScreen);
    EXPECT_EQ(D3D.FD3DDevice, device);
    EXPECT_EQ(d3d->DevicesCreated, 1);
    std::string expected = started;
    const size_t key = expected.find(c.StartFullScreen ? "FullScreen=1" : "FullScreen=0");
    expected[key + 11] = c.StartFullScreen ? '0' : '1';
    EXPECT_EQ(ReadFile("config.ini"), expected);

    // Paused, the break's start moves with the switch: the break ends as long as it was.
    Game.BreakStartTime = clock.Now - 500;
    ASSERT_TRUE(ToggleFullScreen(window));
    EXPECT_EQ(clock.Now - Game.BreakStartTime, 500u);
    EXPECT_EQ(ReadFile("config.ini"), started);

    // Refused: nothing changes, not even the file.
    window.RefuseFullScreen = true;
    const uint32_t last = Loop.LastFrameTime;
    EXPECT_FALSE(ToggleFullScreen(window));
    EXPECT_EQ(Loop.LastFrameTime, last);
    EXPECT_EQ(Config.FullScreen, c.StartFullScreen);
    window.RefuseFullScreen = false;

    // Switched to a window, a restore rebuilds nothing and maximises nothing.
    if (c.StartFullScreen) {
      ASSERT_TRUE(ToggleFullScreen(window));
    }
    ResetLog();
    window.Maximized = 0;
    ASSERT_EQ(RestoreAfterMinimize(window), StartUpResult::Ready);
    EXPECT_EQ(d3d->DevicesCreated, 1);
    EXPECT_EQ(window.Maximized, 0);
    EXPECT_EQ(ReadLines("debug.txt"), std::vector<std::string>{"Keyboard restoring"});
    window.Clock = nullptr;
  }
}

}  // namespace
}  // namespace zolvane
