// The two diagnostic files in the current folder: "debug.txt", the progress of the
// start-up and of the device rebuild, one line per step; and "result.txt", the timing
// report written as the process ends.
#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zolvane {

// A log file could not be opened or written. The message names the file and the reason.
class LogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates "debug.txt" empty, or empties it.
void ResetLog();
// Appends text and CR LF to "debug.txt". The file is opened and closed for every line, so
// every line written survives a crash right after it.
void WriteLog(std::string_view text);

struct MeasureSlot {
  std::string Name = "No defined";
  uint32_t Total = 0;  // performance-counter ticks, wrapping
  int32_t Count = 0;
};

constexpr int MeasureSlotCount = 40;
// Slot n of the report is MeasureSlots[n - 1].
extern std::array<MeasureSlot, MeasureSlotCount> MeasureSlots;

// Slots are numbered 1 to 40; other numbers are ignored.
void SetMeasureSlot(int index, std::string name);
void AddMeasurement(int index, uint32_t ticks);
void ResetMeasureSlots();

// Writes "result.txt": one line per named slot, up to the first unnamed one.
void WriteMeasureLog();
// One line of it, without the line end.
std::string FormatMeasureLine(const MeasureSlot& slot, uint64_t frequency);

}  // namespace zolvane
