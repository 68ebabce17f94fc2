// The program's own path: this test program's file, and the folder it lies in.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/program_path.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;

TEST(ProgramPath, IsThisTestProgramsFile) {
  const fs::path exe = ProgramPath();
  ASSERT_TRUE(exe.is_absolute()) << exe;
  EXPECT_EQ(exe.filename(), "test_platform");
  EXPECT_TRUE(fs::equivalent(exe, fs::path(ZOLVANE_BINARY_DIR) / "tests" / "test_platform"));
}

TEST(ProgramPath, FolderIsTheOneThatHoldsIt) {
  EXPECT_EQ(fs::path(ProgramFolder()), fs::path(ProgramPath()).parent_path());
  EXPECT_TRUE(fs::equivalent(ProgramFolder(), fs::path(ZOLVANE_BINARY_DIR) / "tests"));
}

}  // namespace
}  // namespace zolvane
