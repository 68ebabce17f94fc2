#include "tests/support/temp_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace zolvane::test {

namespace fs = std::filesystem;

namespace {

fs::path TempBase() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
}

// Owner rights back on FOLDER and all below it, so that remove_all can list and empty every
// folder. Links are not followed: what they lead to is not ours.
void RestorePermissions(const fs::path& folder) {
  std::error_code ignored;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::file_status status = it->symlink_status(ignored);
    if (fs::is_directory(status))
      RestorePermissions(it->path());
    else if (fs::is_regular_file(status))
      fs::permissions(it->path(), fs::perms::owner_read | fs::perms::owner_write,
                      fs::perm_options::add, ignored);
  }
}

}  // namespace

TempFolder::TempFolder() {
  std::string pattern = (TempBase() / ("zolvane-" + std::string(program_invocation_short_name) +
                                       "-" + std::to_string(::getpid()) + "-XXXXXX"))
                            .string();
  if (!::mkdtemp(pattern.data()))
    throw std::system_error(errno, std::generic_category(), "cannot make a folder " + pattern);
  Folder = pattern;
}

TempFolder::~TempFolder() {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(Folder, error))) return;  // the test removed it
  RestorePermissions(Folder);
  fs::remove_all(Folder, error);
  if (error) std::fprintf(stderr, "cannot remove %s: %s\n", Folder.c_str(), error.message().c_str());
}

const TempFolder& ProgramTempFolder() {
  static const TempFolder folder;
  return folder;
}

CurrentFolder::CurrentFolder(const fs::path& folder) : Previous(fs::current_path()) {
  fs::current_path(folder);
}

CurrentFolder::~CurrentFolder() {
  std::error_code ignored;
  fs::current_path(Previous, ignored);
}

}  // namespace zolvane::test
