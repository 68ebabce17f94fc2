// The game in its window, from the command line to the exit status: app/sdl/main_window.cpp.
#pragma once

namespace zolvane {

int RunGame(int argc, char** argv);

}  // namespace zolvane
