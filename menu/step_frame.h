// One pass of the program's step, without the frame: the keys, then the menus' step or the
// game's. The frame loop, the simulator, the tests and the benchmarks all step through it.
#pragma once

namespace zolvane {

void StepFrame();

}  // namespace zolvane
