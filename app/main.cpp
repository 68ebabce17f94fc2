// Built only when SDL2 is not found: the rules, the data and the simulator still build.
#include <cstdio>

int main() {
  std::fputs("Zolvane was built without SDL2: the game window is not available.\n", stderr);
  return 1;
}
