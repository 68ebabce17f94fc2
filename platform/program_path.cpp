#include "platform/program_path.h"

#include <filesystem>
#include <system_error>

namespace zolvane {

std::string ProgramPath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string ProgramFolder() {
  const std::string exe = ProgramPath();
  return exe.empty() ? std::string() : std::filesystem::path(exe).parent_path().string();
}

}  // namespace zolvane
