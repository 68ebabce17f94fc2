// A scratch folder of the test's own, and the current folder changed for a while.
#pragma once
#include <filesystem>

namespace zolvane::test {

// A new, empty folder under $TMPDIR (/tmp when unset), named by the program and its process
// number ("zolvane-test_app-4711-Xy12Ab"), so that parallel runs never share one. On
// destruction it restores the owner's permissions on every folder and file it holds (a test
// may have made them read-only) and removes it all, links removed, never followed; a folder
// the test has removed itself is no error.
class TempFolder {
 public:
  TempFolder();  // throws std::system_error when the folder cannot be made
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return Folder; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return Folder / name; }

 private:
  std::filesystem::path Folder;
};

// A folder for the tests of a program that need no fixture of their own: made on first use,
// removed with all it holds when the program ends (a forked child that calls exit() removes
// it too: such a child ends with _exit).
const TempFolder& ProgramTempFolder();

// Makes a folder the current one for its lifetime, then returns to the one before.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path Previous;
};

}  // namespace zolvane::test
