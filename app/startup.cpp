#include "app/startup.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "app/config.h"
#include "app/main_form.h"
#include "app/pad_config.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/replay_files.h"
#include "menu/menu_screens.h"
#include "menu/name_entry.h"
#include "platform/clock.h"
#include "platform/data_files.h"
#include "platform/fatal_error.h"
#include "platform/jpeg.h"
#include "platform/keyboard.h"
#include "platform/logs.h"
#include "platform/random.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/effects.h"
#include "render/fade_quad.h"
#include "render/font.h"
#include "render/game_screen.h"
#include "render/models.h"
#include "render/scene_drawing.h"
#include "render/scene_setup.h"

namespace zolvane {

namespace {
constexpr HRESULT NotADirect3DCall = 1;  // reads "Unrecognized Error"
constexpr D3DCOLOR White = 0xFFFFFFFF;
constexpr D3DCOLOR Black = 0xFF000000;

bool FullScreen() { return Config.FullScreen; }

// Drawing code that meets a fatal failure mid-frame reports it through this window.
WindowSystem* FatalWindow = nullptr;
void OnDrawingFailure(const char* step, HRESULT code) {
  if (FatalWindow) ReportFatalError(*FatalWindow, step, code);
}
void OnDataFileFailure(const char* step, const std::string& message) {
  if (FatalWindow) ReportFatalMessage(*FatalWindow, step, message);
}

// Sound and music, or silence without a device. Without a SoundFont the effects play on and
// the music stays off, its number kept for when there is one. A missing first piece is
// fatal, the message naming it. The SoundFont itself loads on the player's thread while the
// menu comes up, so a damaged one is only logged as "Music off" after this step's line.
bool StartAudio(WindowSystem& window) {
  if (const char* soundFont = std::getenv("ZOLVANE_SOUNDFONT"); soundFont && *soundFont)
    SetMusicSoundFont(soundFont);
  AudioEnabled = InitSound();
  if (AudioEnabled && !InitMusic()) {
    LogMusicOff();
  } else if (AudioEnabled) {
    if (!MusicWarning().empty()) std::fprintf(stderr, "Zolvane: %s\n", MusicWarning().c_str());
    if (!PlayMusic(FirstMusicNumber(Config.MusicNumber))) {
      ReportFatalMessage(window, "PlaySegment",
                         std::string(D3DErrorText(NotADirect3DCall)) + ": " + MusicError());
      return false;
    }
  }
  WriteLog("DirectSound+DirectMusic - done");
  return true;
}

}  // namespace

const char* D3DErrorText(HRESULT code) {
  switch (code) {
    case D3D_OK: return "No error occurred.";
    case E_FAIL: return "An undetermined error occurred inside the Direct3D subsystem.";
    case E_OUTOFMEMORY: return "Direct3D could not allocate sufficient memory to complete the call.";
    case E_INVALIDARG: return "An invalid parameter was passed to the returning function";
    case D3DERR_OUTOFVIDEOMEMORY:
      return "Direct3D does not have enough display memory to perform the operation.";
    case D3DERR_WRONGTEXTUREFORMAT: return "The pixel format of the texture surface is not valid.";
    case D3DERR_UNSUPPORTEDCOLOROPERATION:
      return "The device does not support a specified texture-blending operation for color values.";
    case D3DERR_UNSUPPORTEDCOLORARG:
      return "The device does not support a specified texture-blending argument for color values.";
    case D3DERR_UNSUPPORTEDALPHAOPERATION:
      return "The device does not support a specified texture-blending operation for the alpha "
             "channel.";
    case D3DERR_UNSUPPORTEDALPHAARG:
      return "The device does not support a specified texture-blending argument for the alpha "
             "channel.";
    case D3DERR_TOOMANYOPERATIONS:
      return "The application is requesting more texture-filtering operations than the device";
    case D3DERR_CONFLICTINGTEXTUREFILTER: return "The current texture filters cannot be used together.";
    case D3DERR_UNSUPPORTEDFACTORVALUE:
      return "The device does not support the specified texture factor value.";
    case D3DERR_CONFLICTINGRENDERSTATE:
      return "The currently set render states cannot be used together.";
    case D3DERR_UNSUPPORTEDTEXTUREFILTER: return "The device does not support the specified texture filter.";
    case D3DERR_CONFLICTINGTEXTUREPALETTE:
      return "The current textures cannot be used simultaneously. This generally occurs when a "
             "multitexture device requires that all palletized textures simultaneously enabled "
             "also share the same palette.";
    case D3DERR_DRIVERINTERNALERROR: return "Internal driver error.";
    case D3DERR_NOTFOUND: return "The requested item was not found.";
    case D3DERR_MOREDATA: return "There is more data available than the specified buffer size can hold.";
    case D3DERR_DEVICELOST:
      return "The device is lost and cannot be restored at the current time, so rendering is not "
             "possible.";
    case D3DERR_DEVICENOTRESET: return "The device cannot be reset.";
    case D3DERR_NOTAVAILABLE: return "This device does not support the queried technique.";
    case D3DERR_INVALIDDEVICE: return "The requested device type is not valid.";
    case D3DERR_INVALIDCALL:
      return "The method call is invalid. For example, a method's parameter may have an invalid "
             "value.";
    default: return "Unrecognized Error";
  }
}

HRESULT InitD3DFullScreen(WindowSystem& window) {
  if (!D3D.FD3D) D3D.FD3D = window.Direct3DCreate8();
  if (!D3D.FD3D) return E_FAIL;
  WriteLog("Direct3DCreate - Ok");

  static const D3DFORMAT candidates[] = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                                         D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
  for (D3DFORMAT f : candidates)
    if (Succeeded(D3D.FD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, false))) {
      D3D.BackBufferFormat = D3D.AdapterFormat = f;
      break;
    }
  WriteLog("AdapterFormat " + std::to_string(D3D.AdapterFormat));

  window.DrawLoadingText(Black, false);
  WriteLog("TextOut \"Loading\"");

  int screenWidth = 0, screenHeight = 0;
  window.ScreenSize(screenWidth, screenHeight);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = static_cast<uint32_t>(Config.DisplayWidth ? Config.DisplayWidth : screenWidth);
  pp.BackBufferHeight =
      static_cast<uint32_t>(Config.DisplayHeight ? Config.DisplayHeight : screenHeight);
  pp.BackBufferFormat = D3D.BackBufferFormat;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = 0;
  pp.EnableAutoDepthStencil = 1;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  WriteLog("Fill d3dpp - Ok");

  SafeRelease(D3D.FD3DDevice);
  const HRESULT hr = D3D.FD3D->CreateDevice(0, D3DDEVTYPE_HAL, window.WindowHandle(),
                                            D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                            &D3D.FD3DDevice);
  WriteLog("CreateDevice - Ok");
  return hr;
}

HRESULT InitD3D(WindowSystem& window) {
  SafeRelease(D3D.FD3DDevice);
  SafeRelease(D3D.FD3DVBModels);
  SafeRelease(D3D.FD3DVBTexModels);
  SafeRelease(D3D.FD3D);
  D3D.FD3D = window.Direct3DCreate8();
  if (!D3D.FD3D) return E_FAIL;

  D3DDISPLAYMODE mode{};
  HRESULT hr = D3D.FD3D->GetAdapterDisplayMode(0, &mode);
  if (Failed(hr)) return hr;
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = mode.Format;
  pp.EnableAutoDepthStencil = 1;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  D3D.AdapterFormat = mode.Format;
  return D3D.FD3D->CreateDevice(0, D3DDEVTYPE_HAL, window.WindowHandle(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &D3D.FD3DDevice);
}

void ReleaseAll() {
  ReleaseBrickTextures();
  ReleaseModelTextures();
  ReleaseBreakTextures();
  FreeMenuResources();
  FreeFontResources();
  SafeRelease(D3D.FD3DVBModels);
  SafeRelease(D3D.FD3DVBTexModels);
  ReleaseBackgroundTextures();
  ReleaseEffectTextures();
  SafeRelease(D3D.FD3DVBEffects);
  // Buffers the list above leaves out still belong to the device: release them with it.
  SafeRelease(D3D.FD3DVBFade);
  SafeRelease(D3D.FD3DDevice);
  SafeRelease(D3D.FD3D);
  FreeSparks();
  CloseMusic();
  FreeSound();
}

void ReportFatalMessage(WindowSystem& window, const std::string& step, const std::string& text) {
  frmD3D.FActive = false;
  frmD3D.FatalErrorReported = true;
  ReleaseAll();
  window.ShowMessage(step, text);
  window.Close();
}

void ReportFatalError(WindowSystem& window, const std::string& step, HRESULT code) {
  ReportFatalMessage(window, step, D3DErrorText(code));
}

void ConvertPictures() {
  for (const char* background : BackgroundNames) {
    const std::string name = std::string("textures/") + background;
    const std::string bmp = name + ".bmp";
    if (std::filesystem::exists(bmp)) continue;
    Picture picture;
    std::string error;
    if (!DecodeJpeg(name + ".jpg", picture, error) || !SaveBmp24(bmp, picture, error))
      throw std::runtime_error(error);
  }
}

namespace {

bool Fail(WindowSystem& window, const char* step, HRESULT code) {
  ReportFatalError(window, step, code);
  return false;
}

// The graphics library takes the place of DirectX: without it there is nothing to draw on.
bool GraphicsUsable(WindowSystem& window) {
  if (!window.GraphicsAvailable()) {
    window.ShowMessage("Zolvane", "No DirectX installed");
    return false;
  }
  if (!window.GraphicsRecentEnough()) {
    window.ShowMessage("Zolvane",
                       "DirectX 8.0 or later is required.\rYou can download the latest version "
                       "of DirectX at https://www.mesa3d.org/");
    return false;
  }
  return true;
}

// step names what is under way, for the message of a data file that fails.
void PrepareFiles(std::string& step) {
  ResetLog();
  ReadDisplayOptions();
  step = "ConvertPictures";
  ConvertPictures();
  step = "Start-up";
  WriteLog("Convert pictures - done");
  Randomize();
}

bool CreateDevice(WindowSystem& window) {
  if (FullScreen()) {
    const HRESULT hr = InitD3DFullScreen(window);
    if (Failed(hr)) return Fail(window, "InitD3DFullScreen", hr);
    window.HideCursor();
    window.DrawLoadingText(White, true);
  } else {
    const HRESULT hr = InitD3D(window);
    if (Failed(hr)) return Fail(window, "InitD3D", hr);
  }
  WriteLog("InitD3D - done");
  WriteLog("AdapterFormat " + std::to_string(D3D.AdapterFormat));
  D3D.TextureFormat = ChooseTextureFormat(true);
  WriteLog("TextureFormat " + std::to_string(D3D.TextureFormat));
  return true;
}

// What the log says after each part; a null line is not written.
struct DeviceObjectsLog {
  const char* Models;
  const char* Quads;
};

// The vertex buffers and quads every new device needs, at the start-up and after a restore.
// The models are uploaded here only again: at the start-up LoadModels fills the buffers.
bool CreateDeviceObjects(WindowSystem& window, bool uploadModels, const DeviceObjectsLog& log) {
  HRESULT hr = CreateModelBuffers();
  if (Succeeded(hr) && uploadModels) hr = RefillModelBuffers();
  if (Failed(hr)) return Fail(window, "InitVertex", hr);
  if (log.Models) WriteLog(log.Models);
  CreateFadeQuad();
  CreatePanelQuad();
  hr = CreateEffectsQuad();
  if (Failed(hr)) return Fail(window, "InitVertex", hr);
  if (log.Quads) WriteLog(log.Quads);
  hr = FillEffectQuad(190);
  if (Failed(hr)) return Fail(window, "FD3DVBEffects.Lock", hr);
  FreeSparks();
  return true;
}

void LoadModelsAndShapes(std::string& step) {
  GetOptions();
  WriteLog("FillVB + GetOptions - done");
  step = "InitModels";
  LoadModels();
  WriteLog("InitModels - done");
  SetupLights();
  WriteLog("SetupLights - done");
  step = "InitBrickTextures";
  MakeBrickTextures();
  WriteLog("InitBrickTextures - done");
  MakeBreakTextures();
  WriteLog("InitTexturesBreakGameStates - done");
  step = "LoadFigImages";
  LoadFigureShapes();
  SetAllMatrices();
  WriteLog("LoadFigImages + SetAllMatrices - done");
  CreateGlassFrames();
  WriteLog("GlassFrame - done");
  step = "Start-up";
}

void CreateScene() {
  InitWhiteMaterial();
  CreateGameScene();
  Loop.LastFrameTime = timeGetTime();
  WriteLog("garbage - done");
}

void LoadPicturesAndFont(std::string& step) {
  MakeBackgroundTextures();
  step = "LoadMenuTextures";
  LoadMenuTextures();
  LoadLogoTexture();
  LoadBackgroundTexture();
  step = "Start-up";
  MakeEffectTextures();
  WriteLog("Many Textures - done");
  CreateMenuQuad();
  CreateFontQuad();
  step = "BuildFontTextures";
  BuildFontTextures();
  step = "Start-up";
  CreateMenuCursorBrick();
  WriteLog("Many Texures + InitVBFont - done");
}

bool TakeKeyboard(WindowSystem& window) {
  if (!window.CreateKeyboard() || !window.AcquireKeyboard(true)) return false;
  KeyboardReady = true;
  return true;
}

StartUpResult StartInput(WindowSystem& window) {
  if (!window.CreateDirectInput())
    return ReportFatalError(window, "DirectInput Init", NotADirect3DCall), StartUpResult::Fatal;
  if (!TakeKeyboard(window)) return StartUpResult::EndAtOnce;
  // With the keyboard taken the names go by the player's keyboard layout. A line that
  // cannot be taken is no reason to stop: the log says why, the default keys stand in.
  const auto dikOf = [&window](const std::string& name) { return window.DikFromKeyName(name); };
  for (const std::string& message : ReadKeyBindings(ConfigPath(), dikOf)) WriteLog(message);
  WriteLog("InitDI - done");
  ReadPadConfig(ConfigPath());
  window.OpenGamepads();
  return StartUpResult::Ready;
}

// A table that exists but cannot be read is left alone: saving over it would lose it.
bool LoadHighScoreTable(WindowSystem& window) {
  if (!LoadHighScores()) {
    ReportFatalMessage(window, "LoadHighScores",
                       std::string(HighScoresFile) + ": the file cannot be read");
    return false;
  }
  frmD3D.HighScoresLoaded = true;
  // The games' replays live beside the table; those of rows gone while the game was not
  // running (a crash between saving one and cleaning up) go now.
  KeepReplaysIn(".");
  if (const std::string problem = RemoveReplaysOffTheTables(); !problem.empty())
    std::fprintf(stderr, "Zolvane: old replays could not be removed: %s\n", problem.c_str());
  return true;
}

}  // namespace

StartUpResult StartUp(WindowSystem& window) {
  if (!GraphicsUsable(window)) return StartUpResult::EndAtOnce;
  FatalWindow = &window;
  SetFatalErrorHandler(OnDrawingFailure);
  SetFatalMessageHandler(OnDataFileFailure);
  std::string step = "Start-up";
  try {
    PrepareFiles(step);
    if (!CreateDevice(window)) return StartUpResult::Fatal;
    if (!CreateDeviceObjects(window, false, {nullptr, "Init Vertex Buffers - done"}))
      return StartUpResult::Fatal;
    LoadModelsAndShapes(step);
    CreateScene();
    LoadPicturesAndFont(step);
    if (const StartUpResult input = StartInput(window); input != StartUpResult::Ready)
      return input;
    if (!LoadHighScoreTable(window)) return StartUpResult::Fatal;
    step = "InitSound";
    if (!StartAudio(window)) return StartUpResult::Fatal;
  } catch (const std::exception& e) {
    // A missing or damaged data file ends the start-up with a message naming it.
    ReportFatalMessage(window, step, e.what());
    return StartUpResult::Fatal;
  }
  return StartUpResult::Ready;
}

namespace {
// A full-screen device does not outlive the minimise: a new one, and all that lives on it.
bool RebuildFullScreenDevice(WindowSystem& window) {
  WriteLog("Start");
  SafeRelease(D3D.FD3DVBModels);
  SafeRelease(D3D.FD3DVBTexModels);
  SafeRelease(D3D.FD3DVBEffects);
  SafeRelease(D3D.MenuQuad);
  SafeRelease(D3D.FD3DVBFade);
  SafeRelease(D3D.PanelQuad);
  SafeRelease(D3D.FontQuad);
  WriteLog("Start done");
  window.Maximize();
  WriteLog("Maximize");
  const HRESULT hr = InitD3DFullScreen(window);
  WriteLog("InitD3DFullScreen");
  // Nothing below can work without a device.
  if (!D3D.FD3DDevice) return Fail(window, "InitD3DFullScreen", Failed(hr) ? hr : E_FAIL);
  if (!CreateDeviceObjects(window, true, {"InitVertexBuffer", "InitVertexBuffer1"}))
    return false;
  WriteLog("InitVBuffers");
  SetupLights();
  WriteLog("Next step");
  SetAllMatrices();
  CreateMenuQuad();
  CreateFontQuad();
  WriteLog("Ready");
  return true;
}
}  // namespace

StartUpResult RestoreAfterMinimize(WindowSystem& window) {
  try {
    if (FullScreen() && !RebuildFullScreenDevice(window)) return StartUpResult::Fatal;
    WriteLog("Keyboard restoring");
  } catch (const std::exception& e) {
    ReportFatalMessage(window, "Restore", e.what());
    return StartUpResult::Fatal;
  }
  if (!TakeKeyboard(window)) return StartUpResult::EndAtOnce;
  frmD3D.FActive = true;
  return StartUpResult::Ready;
}

void Shutdown(WindowSystem& window) {
  ReleaseAll();
  SaveOptions();
  // A window closed while a name is typed keeps the name, as Enter would have.
  FinishNameEntry();
  if (frmD3D.HighScoresLoaded && !SaveHighScores())
    std::fprintf(stderr, "Zolvane: the high score table could not be saved to %s\n",
                 HighScoresFile);
  KeyboardReady = false;
  window.CloseGamepads();
  window.CloseDirectInput();
}

}  // namespace zolvane
