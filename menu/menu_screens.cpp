#include "menu/menu_screens.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/scene_objects.h"
#include "menu/menu_layer.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "platform/actions.h"
#include "platform/data_files.h"
#include "platform/fatal_error.h"
#include "platform/math3d.h"
#include "platform/picture.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/fade_quad.h"
#include "render/font.h"
#include "render/game_screen.h"
#include "render/scene_drawing.h"
#include "render/scene_setup.h"

namespace zolvane {

Texture* MenuTextures[MenuTextureCount] = {};
TBrick* MenuCursorBrick = nullptr;

namespace {

constexpr float Cx = SceneCenterX;
constexpr float Cy = SceneCenterY;
constexpr D3DCOLOR KeyWhite = 0xFFFFFFFF;
constexpr D3DCOLOR PanelColour = 0x7F469B46;  // ARGB(127, 70, 155, 70)
constexpr int32_t TextAlpha = 240;
constexpr int32_t CursorDimAlpha = 90;
constexpr float LabelAspect = 5.4f;
constexpr float WobbleRate = 0.00017453292f;  // radians per millisecond: 0.01 degree
constexpr float WobbleLimit = 0.034906585f;   // 2 degrees
constexpr float GrowRate = 0.014f;            // label scale per millisecond
constexpr float GlowRate = 0.4f;              // ambient grey per millisecond
constexpr const char* Rule = "---------------------------";

// The generated pictures in their slots, then the menu's background.
static_assert(MenuTextureCount == MenuPictureCount + 1);
const std::array<std::string, MenuTextureCount> TextureFiles = [] {
  std::array<std::string, MenuTextureCount> files;
  for (int i = 0; i < MenuPictureCount; ++i)
    files[static_cast<size_t>(i)] = std::string("textures/") + MenuPictureNames[i] + ".bmp";
  files.back() = std::string("textures/") + BackgroundNames[0] + ".bmp";
  return files;
}();

// Slots of the option values and the stripe.
constexpr int CwTexture = 15, CcwTexture = 16, QualityTexture = 17, StripeTexture = 20;
constexpr int LogoTexture = 21, BackgroundTexture = 22;

// What each slot's picture keys out: the option values, the stripe and the logo are keyed
// white.
D3DCOLOR MenuPictureKey(int index) {
  return index >= CwTexture && index != BackgroundTexture ? KeyWhite : 0;
}

void LoadMenuPicture(int index, D3DCOLOR colourKey) {
  SafeRelease(MenuTextures[index]);
  if (!D3D.FD3DDevice) return;
  Texture* texture = nullptr;
  const HRESULT hr = D3DXCreateTextureFromFileExA(
      D3D.FD3DDevice, TextureFiles[index].c_str(), 0, 0, 0, 0, D3D.TextureFormat, D3DPOOL_MANAGED,
      D3DX_FILTER_TRIANGLE, D3DX_DEFAULT, colourKey, &texture);
  if (Failed(hr) || !texture)
    throw MenuPictureError(TextureFiles[index], "the picture is missing or cannot be read");
  MenuTextures[index] = texture;
}

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m;
  SetTranslateMatrix(m, x, y, z);
  return m;
}

D3DMATRIX Scaling(float x, float y) {
  D3DMATRIX m;
  SetScaleMatrix(m, x, y, 1.0f);
  return m;
}

D3DMATRIX RotationY(float angle) {
  D3DMATRIX m;
  SetRotateYMatrix(m, angle);
  return m;
}

void SetAmbientGrey(Device* d, int32_t grey) {
  const uint32_t g = static_cast<uint32_t>(grey);
  d->SetRenderState(D3DRS_AMBIENT, ColorARGB(0, g, g, g));
}

void PlaceCursorBrick(float x, float y, float z) {
  if (!MenuCursorBrick) return;
  MenuCursorBrick->World(4, 1) = x;
  MenuCursorBrick->World(4, 2) = y;
  MenuCursorBrick->World(4, 3) = z;
}

void DrawCursorBrickAt(float x, float y, float z) {
  if (!MenuCursorBrick) return;
  PlaceCursorBrick(x, y, z);
  DrawBrick(*MenuCursorBrick);
}

// --- The selection animation, advanced while the labels are drawn.

void GrowStep() {
  if (Menu.ItemScale >= ItemScaleFull) return;
  Menu.ItemScale += GrowRate * Delta();
  if (Menu.ItemScale >= ItemScaleFull) {
    Menu.ItemScale = ItemScaleFull;
    Menu.MenuAnimReady = true;
  }
}

void ShrinkStep() {
  if (Menu.PrevItemScale <= ItemScalePlain) return;
  Menu.PrevItemScale -= GrowRate * Delta();
  if (Menu.PrevItemScale < ItemScalePlain) Menu.PrevItemScale = ItemScalePlain;
}

void BrightenStep() {
  if (Menu.ItemBrightness >= ItemBrightnessFull) return;
  Menu.ItemBrightness += RoundHalfEven(GlowRate * Delta());
  if (Menu.ItemBrightness > ItemBrightnessFull - 1) Menu.ItemBrightness = ItemBrightnessFull;
}

void DimStep() {
  if (Menu.PrevItemBrightness <= ItemBrightnessPlain) return;
  Menu.PrevItemBrightness -= RoundHalfEven(GlowRate * Delta());
  if (Menu.PrevItemBrightness <= ItemBrightnessPlain) Menu.PrevItemBrightness = ItemBrightnessPlain;
}

void WobbleStep(int item) {
  float& angle = Menu.ItemWobble[item];
  int32_t& dir = Menu.ItemWobbleDir[item];
  angle += static_cast<float>(dir) * WobbleRate * Delta();
  if (std::fabs(angle) > WobbleLimit) {
    angle = static_cast<float>(dir) * WobbleLimit;
    dir = -dir;
  }
}

// --- The screens.

void SetMenuStates(Device* d) {
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_LIGHTING, 1);
  d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d->SetRenderState(D3DRS_DITHERENABLE, 1);
  d->SetRenderState(D3DRS_SPECULARENABLE, 0);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
}

// The logo circles slowly about its place and rocks about all three axes; it is added to
// the scene, so its keyed-out background adds nothing.
void DrawLogo(Device* d) {
  const D3DMATRIX place = Translation(Cx + std::sin(Menu.LogoDrift) / 3.0f,
                                      Cy + 7.9f + std::cos(Menu.LogoDrift) / 3.0f, 0);
  d->SetTexture(0, MenuTextures[LogoTexture]);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetMaterial(&WhiteMaterial);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  D3DMATRIX rz, ry, rx;
  SetRotateZMatrix(rz, Menu.LogoTiltZ);
  SetRotateYMatrix(ry, Menu.LogoTiltY);
  SetRotateXMatrix(rx, Menu.LogoTiltX);
  const D3DMATRIX world = MatrixProduct(
      place, MatrixProduct(rx, MatrixProduct(ry, MatrixProduct(rz, Scaling(20.0f, 2.6f)))));
  UseMenuQuad(d);
  DrawMenuQuad(d, world);
  d->SetTexture(0, nullptr);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
}

// Beside a volume label: the stripe, and the cursor brick standing on the volume's mark.
void DrawVolume(Device* d, bool selected, int32_t volume, const D3DMATRIX& wobble, float y) {
  const float s = Menu.ItemScale;
  const D3DMATRIX scale = selected ? Scaling(s / 1.3f, s / 6.4f) : Scaling(8.0769231f, 1.640625f);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTexture(0, MenuTextures[StripeTexture]);
  DrawMenuQuad(d, MatrixProduct(Translation(Cx + 7.0f, y, 0), MatrixProduct(wobble, scale)));
  d->SetTexture(0, nullptr);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  const float v = static_cast<float>(volume);
  const float markX = selected ? Cx + 3.27f + 0.83f * v : Cx + 3.67f + 0.758f * v;
  DrawCursorBrickAt(markX, y - 0.5f + 0.05f, 0.25f);
  PlaceCursorBrick(Cx - 12.0f, y - 0.5f, 0);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
}

// Beside the rotation and quality labels: their value. Drawn opaque, so the keyed-out
// background shows black.
void DrawOptionValue(Device* d, int item, bool selected, const D3DMATRIX& wobble, float y) {
  const float s = Menu.ItemScale;
  const D3DMATRIX scale =
      selected ? Scaling(s / 2.6f, s / LabelAspect) : Scaling(4.0384617f, 1.9444444f);
  const int texture = item == OptionsItem::Rotation
                          ? (Config.RotateClockwise ? CwTexture : CcwTexture)
                          : QualityTexture + std::clamp<int>(Config.BrickQuality, 0, 2);
  d->SetTexture(0, MenuTextures[texture]);
  DrawMenuQuad(d, MatrixProduct(Translation(Cx + 5.1f, y, 0), MatrixProduct(wobble, scale)));
  d->SetTexture(0, nullptr);
}

// The five labels of the main, options and game type screens.
void DrawMenuList(Device* d) {
  const bool options = Menu.MenuState == MenuOptions;
  const int firstTexture = options ? 5 : Menu.MenuState == MenuGameType ? 10 : 0;
  const float x = options ? Cx - 5.0f : Cx;
  const float cursorX = options ? Cx - 12.0f : Cx - 8.0f;

  for (int item = 1; item <= MenuItemsPerScreen; ++item) {
    const float y = Cy + 2.8f - 2.5f * static_cast<float>(item - 1);
    const bool selected = item == Menu.MenuItem;
    D3DMATRIX scale;
    if (selected) {
      GrowStep();
      scale = Scaling(Menu.ItemScale, Menu.ItemScale / LabelAspect);
      BrightenStep();
      SetAmbientGrey(d, Menu.ItemBrightness);
      DrawCursorBrickAt(cursorX, y - 0.5f, 0);
      // Two bricks frame the label where it stands in the middle.
      if (!options) DrawCursorBrickAt(Cx + 8.0f, y - 0.5f, 0);
    } else if (item == Menu.PrevMenuItem) {
      ShrinkStep();
      scale = Scaling(Menu.PrevItemScale, Menu.PrevItemScale / LabelAspect);
      DimStep();
      SetAmbientGrey(d, Menu.PrevItemBrightness);
    } else {
      scale = Scaling(ItemScalePlain, 1.9444444f);
      SetAmbientGrey(d, ItemBrightnessPlain);
    }
    const D3DMATRIX wobble = RotationY(Menu.ItemWobble[item]);
    WobbleStep(item);

    d->SetTexture(0, MenuTextures[firstTexture + item - 1]);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetMaterial(&WhiteMaterial);
    UseMenuQuad(d);
    DrawMenuQuad(d, MatrixProduct(Translation(x, y, 0), MatrixProduct(wobble, scale)));
    d->SetTexture(0, nullptr);

    if (!options) continue;
    if (item == OptionsItem::SoundVolume)
      DrawVolume(d, selected, Config.SoundVolume, wobble, y);
    else if (item == OptionsItem::MusicVolume)
      DrawVolume(d, selected, Config.MusicVolume, wobble, y);
    else if (item == OptionsItem::Rotation || item == OptionsItem::Quality)
      DrawOptionValue(d, item, selected, wobble, y);
  }
  SetAmbientGrey(d, ItemBrightnessPlain);
}

void DrawRules() {
  DrawFontText(4, 10, Rule, Cx - 10.3f, Cy + 6.7f, 0, TextAlpha);
  DrawFontText(4, 10, Rule, Cx - 10.3f, Cy - 7.3f, 0, TextAlpha);
}

struct TextLine {
  int32_t Font, Size;
  const char* Text;
  float X, Y;
};

// The game's name and version, what it is, and whose it is, then the controls: a heading
// and nine rows of an action, its keys and its pad buttons, a little closer together than
// the lines above, between the heading and the rule.
constexpr float ControlLineY(int line) { return Cy + 0.6f - 0.9f * static_cast<float>(line); }
constexpr TextLine GameInfoLines[] = {
    {2, 10, "Game Info", Cx - 5.0f, Cy + 8.7f},
    {4, 4, "Zolvane 1.0", Cx - 10.0f, Cy + 6.0f},
    {4, 4, "A falling-blocks puzzle game in 3-D", Cx - 10.0f, Cy + 5.0f},
    {4, 4, "Code, pictures, sounds and music:", Cx - 10.0f, Cy + 4.0f},
    {1, 4, "all the Zolvane project's own work", Cx - 10.0f, Cy + 3.0f},
    {2, 7, "Press Esc or B to return", Cx - 8.6f, Cy - 9.0f},
};

struct ControlRow {
  const char* Action;
  const char* Keys;
  const char* Pad;
};
// The columns: what it does, the keys, the gamepad. Full screen has no button; its keys run
// into the pad's column.
constexpr float ControlColumnX[3] = {Cx - 10.0f, Cx - 3.0f, Cx + 3.8f};
constexpr ControlRow ControlHeading = {"Controls:", "Keys", "Gamepad"};
constexpr ControlRow ControlRows[] = {
    {"Move", "Left, Right", "D-pad, stick"},
    {"Rotate", "Up", "Up, A"},
    {"Move down", "Down", "Down"},
    {"Drop faster", "Space", "B"},
    {"Turbo drop", "Ctrl", "Y"},
    {"Pause", "P", "Start"},
    {"Abort: yes/no", "Esc: Y/N", "Back: A/B"},
    {"Menus: OK/back", "Enter/Esc", "A/B"},
    {"Full screen", "F11, Alt+Enter", ""},
};

void DrawControlRow(const ControlRow& row, int32_t font, float y) {
  const char* columns[3] = {row.Action, row.Keys, row.Pad};
  for (int c = 0; c < 3; ++c)
    DrawFontText(font, 4, columns[c], ControlColumnX[c], y, 0, TextAlpha);
}

void DrawGameInfoScreen() {
  DrawRules();
  DrawPanel();
  for (const TextLine& line : GameInfoLines)
    DrawFontText(line.Font, line.Size, line.Text, line.X, line.Y, 0, TextAlpha);
  DrawControlRow(ControlHeading, 4, Cy + 1.6f);
  int line = 0;
  for (const ControlRow& row : ControlRows) {
    DrawControlRow(row, line % 2 ? 2 : 1, ControlLineY(line));
    ++line;
  }
}

// The name entry's cursor blinks: on and off, or bright and dim.
bool CursorBlinkOn() {
  if (Menu.CursorBlinkTimer < 0) {
    Menu.CursorShown = !Menu.CursorShown;
    Menu.CursorBlinkTimer = 300;
  }
  Menu.CursorBlinkTimer -= Delta();
  return Menu.CursorShown;
}

// The name typed into, and where the next letter goes: a bar that comes and goes, or with a
// pad plugged in the letter its picker would put there, in the other font of the table and
// between bright and dim, so that it can always be read (a space shows as the bar). No
// letter once the name is full.
void DrawNameWithCursor(const std::string& name, int32_t font, int32_t otherFont, float x,
                        float y) {
  const bool on = CursorBlinkOn();
  if (!PadPluggedIn()) {
    DrawFontText(font, 6, on ? name + "|" : name, x, y, 0, TextAlpha);
    return;
  }
  DrawFontText(font, 6, name, x, y, 0, TextAlpha);
  if (name.size() >= MaxNameLength) return;
  const char pick = Menu.NameEntryPick == ' ' ? '|' : Menu.NameEntryPick;
  DrawFontText(otherFont, 6, std::string(1, pick), x + FontTextWidth(6, name), y, 0,
               on ? TextAlpha : CursorDimAlpha);
}

// What stands in front of the backdrop.
void DrawScreen(Device* d) {
  switch (Menu.MenuState) {
    case MenuMain:
    case MenuOptions:
    case MenuGameType:
      DrawLogo(d);
      DrawMenuList(d);
      break;
    case MenuGameInfo: DrawGameInfoScreen(); break;
    case MenuHighScores: DrawHighScoreScreen(Menu.HighScoreTableShown); break;
    default: break;
  }
}

}  // namespace

const char* MenuTextureFile(int index) {
  return index >= 0 && index < MenuTextureCount ? TextureFiles[static_cast<size_t>(index)].c_str() : "";
}

void LoadMenuTextures() {
  for (int i = 0; i <= StripeTexture; ++i) LoadMenuPicture(i, MenuPictureKey(i));
}

void LoadLogoTexture() { LoadMenuPicture(LogoTexture, MenuPictureKey(LogoTexture)); }

void LoadBackgroundTexture() {
  LoadMenuPicture(BackgroundTexture, MenuPictureKey(BackgroundTexture));
}

void ReleaseMenuPictures() {
  for (Texture*& texture : MenuTextures) SafeRelease(texture);
}

bool MenuPicturesLoaded() {
  return std::all_of(std::begin(MenuTextures), std::end(MenuTextures),
                     [](const Texture* t) { return t != nullptr; });
}

void LoadMenuPictures() {
  try {
    for (int i = 0; i < MenuTextureCount; ++i)
      if (!MenuTextures[i]) LoadMenuPicture(i, MenuPictureKey(i));
  } catch (const MenuPictureError& e) {
    ReportFatalFailure("LoadMenuTextures", e.what());
  }
}

bool PrepareMenuPicture() {
  if (!D3D.FD3DDevice) return false;
  if (!MenuPicturesLoaded()) {
    LoadMenuPictures();
    return MenuPicturesLoaded();
  }
  // What the main menu and the high score table draw on their first frame.
  static constexpr int Ahead[] = {BackgroundTexture, LogoTexture, 0, 1, 2, 3, 4};
  for (const int index : Ahead) {
    Texture* texture = MenuTextures[index];
    if (texture->Deferred & 1u) {
      texture->Level(0);
      return true;
    }
  }
  return false;
}

HRESULT CreatePanelQuad() {
  SafeRelease(D3D.PanelQuad);
  if (!D3D.FD3DDevice) return D3DERR_INVALIDCALL;
  const HRESULT hr = D3D.FD3DDevice->CreateVertexBuffer(4 * PanelStride, 0, PanelFVF,
                                                        D3DPOOL_DEFAULT, &D3D.PanelQuad);
  if (Failed(hr)) return hr;
  return FillColourQuad(D3D.PanelQuad, PanelColour);
}

void CreateMenuCursorBrick() {
  delete MenuCursorBrick;
  MenuCursorBrick = new TBrick(2, Cx, Cy, 0);
}

void FreeMenuResources() {
  ReleaseMenuPictures();
  SafeRelease(D3D.MenuQuad);
  SafeRelease(D3D.PanelQuad);
  delete MenuCursorBrick;
  MenuCursorBrick = nullptr;
}

void DrawPanel() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  d->SetRenderState(D3DRS_LIGHTING, 0);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetStreamSource(0, D3D.PanelQuad, PanelStride);
  d->SetVertexShader(PanelFVF);
  const D3DMATRIX world = MatrixProduct(Translation(Cx, Cy, 0), Scaling(21.0f, 21.0f));
  d->SetTransform(D3DTS_WORLD, &world);
  if (D3D.PanelQuad) d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->SetRenderState(D3DRS_LIGHTING, 1);
}

void DrawHighScoreScreen(int32_t gameType) {
  static constexpr float TypeNameX[GameTypeCount + 1] = {0, -3.0f, -3.8f, -3.1f, -2.6f};
  if (!IsGameType(gameType)) return;
  DrawRules();
  DrawPanel();
  DrawFontText(2, 10, "High scores", Cx - 6.0f, Cy + 8.7f, 0, TextAlpha);
  DrawFontText(4, 7, GameTypeName(gameType), Cx + TypeNameX[gameType], Cy + 5.8f, 0, TextAlpha);
  // The panel ends at Cx + 10.5: the scores share the size at which the widest fits, so
  // the column stays even.
  constexpr float ScoreX = Cx + 6.7f, ScoreRoom = 10.4f - 6.7f;
  float scoreSize = 6;
  for (int rank = 1; rank <= 10; ++rank) {
    const std::string score = std::to_string(HighScores[gameType][rank].Score);
    scoreSize = std::min(scoreSize, FontSizeWithin(6, score, ScoreRoom));
  }
  for (int rank = 1; rank <= 10; ++rank) {
    const HighScoreEntry& entry = HighScores[gameType][rank];
    const float y = Cy + 5.5f - 1.2f * static_cast<float>(rank);
    const bool podium = rank <= 3;
    if (rank == Menu.HighScoreRowMarked) DrawCursorBrickAt(Cx - 11.2f, y + 0.35f, 0);
    if (Menu.NameEntryActive && rank == Game.ScorePosition && gameType == Game.GameType)
      DrawNameWithCursor(entry.Name, podium ? 2 : 1, podium ? 1 : 2, Cx - 10.0f, y);
    else
      DrawFontText(podium ? 2 : 1, 6, entry.Name, Cx - 10.0f, y, 0, TextAlpha);
    DrawFontText(podium ? 2 : 4, scoreSize, std::to_string(entry.Score), ScoreX, y, 0,
                 TextAlpha);
  }
  if (Menu.NameEntryActive)
    DrawFontText(2, 7, "Enter your name", Cx - 6.0f, Cy - 9.0f, 0, TextAlpha);
  else if (Menu.HighScoreRowMarked)
    DrawFontText(2, 7, "Press Enter to watch", Cx - 7.2f, Cy - 9.0f, 0, TextAlpha);
  else
    DrawFontText(2, 7, "Press Esc to exit", Cx - 6.0f, Cy - 9.0f, 0, TextAlpha);
}

MenuStill MenuStillPart() {
  switch (Menu.MenuState) {
    case MenuGameInfo: return MenuStill::Screen;
    // The name entry's cursor blinks, and a marked row's brick turns.
    case MenuHighScores:
      return Menu.NameEntryActive || Menu.HighScoreRowMarked ? MenuStill::Backdrop
                                                             : MenuStill::Screen;
    default: return MenuStill::Backdrop;
  }
}

void DrawMenuStill(MenuStill part) {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  DrawBackdrop(MenuTextures[BackgroundTexture]);
  if (part == MenuStill::Screen) DrawScreen(d);
}

void LeaveMenuStillStates(MenuStill part) {
  // The still screens end with a line of text.
  if (part == MenuStill::Screen)
    LeaveTextStates();
  else
    LeaveBackdropStates();
}

void DrawMenu() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  SetMenuStates(d);
  const MenuStill part = MenuStillPart();
  if (!DrawMenuStillFromLayer(part)) DrawMenuStill(part);
  if (part == MenuStill::Backdrop) DrawScreen(d);
  if (Loop.TransitionActive) DrawFadeQuad();
}

}  // namespace zolvane
