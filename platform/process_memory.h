// How much memory this process holds, for the benchmarks and the simulator's soak figures.
#pragma once

namespace zolvane {

// Resident memory in KiB (VmRSS); 0 where the system cannot tell.
long ResidentKiB();

}  // namespace zolvane
