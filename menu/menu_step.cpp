#include "menu/menu_state.h"

namespace zolvane {

MenuStateData Menu;

// The menus arrive with their own change; until then the menu pass does nothing.
void MenuStep() {}
void DrawMenu() {}

}  // namespace zolvane
