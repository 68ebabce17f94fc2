#include "app/player_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/config.h"
#include "platform/atomic_file.h"
#include "platform/program_path.h"

// From bin/ to the installed data, set by the build from its install folders.
#ifndef ZOLVANE_INSTALLED_DATA
#define ZOLVANE_INSTALLED_DATA "../share/zolvane"
#endif

namespace zolvane {
namespace fs = std::filesystem;
namespace {

bool Fail(std::string* error, const std::string& what, const std::error_code& ec) {
  if (error) *error = what + ": " + ec.message();
  return false;
}

// A temporary name beside TARGET that no other start of the program uses at the same time.
fs::path TempBeside(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()));
}

// A copy that appears whole or not at all, writable by the player.
bool CopyDefaultConfig(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code ec;
  if (fs::symlink_status(to, ec).type() != fs::file_type::not_found) return true;
  if (!fs::exists(from, ec)) return true;  // the game runs on its defaults
  const std::string what = "cannot copy " + from.string() + " to " + to.string();
  std::ifstream in(from, std::ios::binary);
  if (!in) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  }
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (const ReplaceResult copied = ReplaceFileAtomically(to.string(), bytes); !copied) {
    if (error) *error = what + ": " + copied.Reason();
    return false;
  }
  return true;
}

// A missing link is made; a link to elsewhere (an older install) is replaced in one step.
bool LinkShared(const fs::path& link, const fs::path& target, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(link, ec);
  if (status.type() == fs::file_type::symlink) {
    if (fs::read_symlink(link, ec) == target && !ec) return true;
  } else if (status.type() != fs::file_type::not_found) {
    return true;
  }
  const fs::path temp = TempBeside(link);
  fs::remove(temp, ec);
  fs::create_directory_symlink(target, temp, ec);
  if (!ec) fs::rename(temp, link, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return Fail(error, "cannot link " + link.string() + " to " + target.string(), ec);
  }
  return true;
}

std::string ExecutableFolder() { return ProgramFolder(); }

// HOME, or the account's home folder when HOME is unset (a service, a bare `env -i`).
const char* HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  const passwd* account = ::getpwuid(::getuid());
  return account ? account->pw_dir : nullptr;
}

}  // namespace

std::optional<std::string> InstalledDataFolder(const std::string& exeFolder) {
  if (exeFolder.empty()) return std::nullopt;
  std::error_code ec;
  const fs::path data = fs::path(exeFolder) / ZOLVANE_INSTALLED_DATA;
  if (!fs::is_regular_file(data / "data" / "models.dat", ec)) return std::nullopt;
  const fs::path canonical = fs::canonical(data, ec);
  if (ec) return std::nullopt;
  return canonical.string();
}

std::string PlayerFolderPath(const char* xdgDataHome, const char* home) {
  if (xdgDataHome && xdgDataHome[0] == '/') return (fs::path(xdgDataHome) / "zolvane").lexically_normal().string();
  if (home && home[0] == '/')
    return (fs::path(home) / ".local" / "share" / "zolvane").lexically_normal().string();
  return "";
}

bool PreparePlayerFolder(const std::string& folder, const std::string& dataFolder,
                         std::string* error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return Fail(error, "cannot create " + folder, ec);
  if (!fs::is_directory(folder, ec)) {
    if (error) *error = folder + " is not a folder";
    return false;
  }
  if (!CopyDefaultConfig(fs::path(dataFolder) / "config.ini", fs::path(folder) / "config.ini", error))
    return false;
  for (const char* name : SharedDataNames)
    if (!LinkShared(fs::path(folder) / name, fs::path(dataFolder) / name, error)) return false;
  return true;
}

bool EnterPlayerFolder(std::string* error) {
  const std::optional<std::string> data = InstalledDataFolder(ExecutableFolder());
  if (!data) return true;
  const std::string folder = PlayerFolderPath(std::getenv("XDG_DATA_HOME"), HomeFolder());
  if (folder.empty()) {
    if (error) *error = "no home folder to keep the player's files in (HOME is not set)";
    return false;
  }
  if (!PreparePlayerFolder(folder, *data, error)) return false;
  if (::chdir(folder.c_str()) != 0) {
    if (error) *error = "cannot enter " + folder + ": " + std::strerror(errno);
    return false;
  }
  SetConfigPath(folder + "/config.ini");
  return true;
}

}  // namespace zolvane
