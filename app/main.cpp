#include <cstdio>

int main() {
  std::fputs("Zolvane: the rules and the data are built, but the game window is not built yet.\n",
             stderr);
  return 1;
}
