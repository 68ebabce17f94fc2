// The tests' own helpers, where they do more than they say at a glance.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/support/file_size_limit.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane::test {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(TempFolder, IsGoneAfterwardsWithReadOnlyFilesAndFoldersInsideButNotWhatALinkLeadsTo) {
  const TempFolder outside;
  WriteFile(outside / "kept", "not the folder's");
  ASSERT_EQ(::chmod((outside / "kept").c_str(), 0400), 0);
  fs::path path;
  {
    const TempFolder folder;
    path = folder.Path();
    WriteFile(folder / "a/b/file", "x");
    ASSERT_EQ(::chmod((folder / "a/b/file").c_str(), 0400), 0);
    ASSERT_EQ(::chmod((folder / "a/b").c_str(), 0500), 0);
    ASSERT_EQ(::chmod((folder / "a").c_str(), 0), 0);
    fs::create_symlink(outside / "kept", folder / "link");
    fs::create_directory_symlink(outside.Path(), folder / "folder link");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  EXPECT_EQ(ReadFile(outside / "kept"), "not the folder's");
  EXPECT_EQ(ModeOf(outside / "kept"), 0400u);
}

TEST(TempFolder, EachIsNewUnderTmpdirAndATestMayRemoveItItself) {
  const TempFolder base;
  const char* old = std::getenv("TMPDIR");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("TMPDIR", base.Path().c_str(), 1);
  {
    const TempFolder a, b;
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_EQ(a.Path().parent_path(), base.Path());
    EXPECT_TRUE(fs::is_empty(a.Path()));
    const std::string pid = "-" + std::to_string(::getpid()) + "-";
    EXPECT_NE(a.Path().filename().string().find(pid), std::string::npos) << a.Path();
    fs::remove(b.Path());
  }
  EXPECT_TRUE(fs::is_empty(base.Path()));
  if (saved)
    ::setenv("TMPDIR", saved->c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

TEST(CurrentFolder, ReturnsToTheFolderBefore) {
  const fs::path before = fs::current_path();
  const TempFolder folder;
  {
    const CurrentFolder in(folder.Path());
    EXPECT_EQ(fs::current_path(), fs::canonical(folder.Path()));
  }
  EXPECT_EQ(fs::current_path(), before);
}

TEST(Files, KeepEveryByteMakeTheFoldersOnTheWayAndRefuseWhatIsNotThere) {
  const TempFolder folder;
  const std::string bytes("a\r\n\0\xff\x1a", 6);
  WriteFile(folder / "new/sub/file", bytes);
  EXPECT_EQ(ReadFile(folder / "new/sub/file"), bytes);
  EXPECT_EQ(ReadBytes(folder / "new/sub/file"), std::vector<uint8_t>(bytes.begin(), bytes.end()));
  WriteFile(folder / "new/sub/file", std::vector<uint8_t>{1, 2});
  EXPECT_EQ(ReadFile(folder / "new/sub/file"), "\x01\x02");

  try {
    ReadFile(folder / "missing");
    ADD_FAILURE() << "a missing file read";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find((folder / "missing").string()), std::string::npos);
  }
  EXPECT_THROW(ReadFile(folder / "new"), std::runtime_error);  // a folder
}

TEST(FileSizeLimit, MakesLargerWritesFailUntilItEnds) {
  const TempFolder folder;
  const std::string big(10000, 'x');
  {
    const FileSizeLimit limit(4096);
    WriteFile(folder / "small", std::string(4096, 'x'));
    EXPECT_THROW(WriteFile(folder / "big", big), std::runtime_error);
  }
  WriteFile(folder / "big", big);
  EXPECT_EQ(ReadFile(folder / "big"), big);
}

}  // namespace
}  // namespace zolvane::test
