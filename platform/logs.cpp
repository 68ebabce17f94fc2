#include "platform/logs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "platform/clock.h"

namespace zolvane {

std::array<MeasureSlot, MeasureSlotCount> MeasureSlots;

namespace {

constexpr const char* DebugLogName = "debug.txt";
constexpr const char* MeasureLogName = "result.txt";

[[noreturn]] void Fail(const char* file, const char* what, int error) {
  throw LogError(std::string("Cannot ") + what + " " + file + ": " + std::strerror(error));
}

// Writes and closes; the file is complete on disk (as far as the OS goes) or we throw.
void WriteFile(const char* name, int flags, std::string_view data) {
  const int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
  if (fd < 0) Fail(name, "open", errno);
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      Fail(name, "write", error);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) Fail(name, "write", errno);
}

std::string Fixed(double value, int decimals) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

std::string RightAligned(std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace

void ResetLog() { WriteFile(DebugLogName, O_TRUNC, {}); }

void WriteLog(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  WriteFile(DebugLogName, O_APPEND, line);
}

void SetMeasureSlot(int index, std::string name) {
  if (index >= 1 && index <= MeasureSlotCount) MeasureSlots[index - 1].Name = std::move(name);
}

void AddMeasurement(int index, uint32_t ticks) {
  if (index < 1 || index > MeasureSlotCount) return;
  MeasureSlot& slot = MeasureSlots[index - 1];
  slot.Total += ticks;
  ++slot.Count;
}

void ResetMeasureSlots() { MeasureSlots.fill(MeasureSlot{}); }

std::string FormatMeasureLine(const MeasureSlot& slot, uint64_t frequency) {
  // A slot that was named but never measured has no average; it reads 0 instead of
  // dividing by zero as the process ends.
  const double average = slot.Count != 0 ? static_cast<double>(slot.Total) / slot.Count : 0.0;
  const double seconds = frequency != 0 ? average / static_cast<double>(frequency) : 0.0;
  // A name of 30 characters or more leaves no room: the number then just follows it.
  const size_t width = slot.Name.size() < 30 ? 30 - slot.Name.size() : 0;
  return slot.Name + RightAligned(Fixed(average, 3), width) + RightAligned(Fixed(seconds, 7), 15);
}

void WriteMeasureLog() {
  const uint64_t frequency = QueryPerformanceFrequency();
  std::string report;
  for (const MeasureSlot& slot : MeasureSlots) {
    if (slot.Name == "No defined") break;
    report += FormatMeasureLine(slot, frequency);
    report += "\r\n";
  }
  WriteFile(MeasureLogName, O_TRUNC, report);
}

}  // namespace zolvane
