// zolvane-sim --verify: a replay played again headless, its figures beside the recorded ones.
#pragma once
#include <string>

namespace zolvane::sim {

constexpr int VerifyEqual = 0, VerifyDiffers = 1, VerifyUnreadable = 2;

// Prints the comparison to standard output, then the well the replay ends with (WellText),
// and any problem to standard error; the figure shapes must be loaded. Returns one of the
// three statuses above.
int VerifyReplayFile(const std::string& path);

}  // namespace zolvane::sim
