// Where the running program's own file is: the run folder, config.ini and the installed
// data are found beside it.
#pragma once
#include <string>

namespace zolvane {

// The executable's absolute path (/proc/self/exe); empty when the system cannot tell.
std::string ProgramPath();
// The folder that holds it; empty when the system cannot tell.
std::string ProgramFolder();

}  // namespace zolvane
