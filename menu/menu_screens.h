// The menu screens: their pictures and quads, and DrawMenu, which draws the screen of
// MenuState in the 3-D scene of the game.
#pragma once
#include <cstdint>

#include "platform/data_file_error.h"
#include "platform/device.h"

namespace zolvane {

class TBrick;

constexpr int MenuTextureCount = 23;
constexpr uint32_t PanelFVF = 0x42;  // D3DFVF_XYZ | D3DFVF_DIFFUSE
constexpr uint32_t PanelStride = 16;

// 0-4 main labels, 5-9 options labels, 10-14 game type labels, 15-19 option values,
// 20 volume stripe, 21 logo, 22 background.
extern Texture* MenuTextures[MenuTextureCount];
extern TBrick* MenuCursorBrick;

// A menu picture that is missing or cannot be decoded.
class MenuPictureError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// The picture files of the 23 slots, relative to the run folder.
const char* MenuTextureFile(int index);
// Each loader releases what its slots held; a picture that cannot be loaded throws
// MenuPictureError naming the file.
void LoadMenuTextures();       // 0..20
void LoadLogoTexture();        // 21
void LoadBackgroundTexture();  // 22
// The pictures live only while the menus run: a game releases them and the hand-over
// back loads them again. Loading makes only the file's header checks, as at the start-up;
// the pixels are decoded when first drawn, or ahead by PrepareMenuPicture.
void ReleaseMenuPictures();
// Every slot that is empty, loaded. A picture that can no longer be read goes to
// ReportFatalFailure with the loaders' message, as a damaged file ends the start-up.
void LoadMenuPictures();
// One step of making the pictures of the first menu screens ready, for the passes of a
// game's fade to black: the slots loaded, then one picture decoded per call (the
// background, the logo, the main labels). False when there is nothing left to do.
bool PrepareMenuPicture();
// Whether every slot holds a picture.
bool MenuPicturesLoaded();
HRESULT CreatePanelQuad();
void CreateMenuCursorBrick();
void FreeMenuResources();

void DrawMenu();
// How much of the screen shown stands still from frame to frame: the backdrop alone, or
// the whole screen (the help screen, a high score table without the name entry).
enum class MenuStill : uint8_t { Backdrop, Screen };
MenuStill MenuStillPart();
// DrawMenu's still part, drawn on its states; and the states it leaves, for a frame that
// copies it from the layer instead.
void DrawMenuStill(MenuStill part);
void LeaveMenuStillStates(MenuStill part);
// The help screen and the high score screen share the panel.
void DrawPanel();
// Name entry's screen, with the table of the game type given.
void DrawHighScoreScreen(int32_t gameType);

}  // namespace zolvane
