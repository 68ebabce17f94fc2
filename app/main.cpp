// The program's entry point. The game runs in an SDL window; a build without SDL2 still
// makes the rules, the data and the simulator, and says so here.
#include <cstdio>

#ifdef ZOLVANE_WITH_WINDOW
#include "app/run_game.h"
#endif

int main(int argc, char** argv) {
#ifdef ZOLVANE_WITH_WINDOW
  return zolvane::RunGame(argc, argv);
#else
  (void)argc;
  (void)argv;
  std::fputs("Zolvane was built without SDL2: the game window is not available.\n", stderr);
  return 1;
#endif
}
