// Replacing a file whole: the links, permissions and failures every saved file shares.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/file_size_limit.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

class AtomicFileTest : public ::testing::Test {
 protected:
  // A fresh, empty folder, for each case of a table.
  void Renew() {
    Folder.emplace();
    Dir = Folder->Path();
  }
  std::string File(const std::string& name) const { return (Dir / name).string(); }
  std::vector<std::string> Names(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::optional<TempFolder> Folder{std::in_place};
  fs::path Dir = Folder->Path();
};

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

TEST_F(AtomicFileTest, ReplacesTheFileANameLeadsToOrKeepsItWhole) {
  const std::string big(100000, 'n');
  struct Case {
    const char* What;
    std::function<void(const fs::path& dir)> Prepare;  // what is there before
    std::string Path;                                  // the name saved to, in Dir
    std::string Written;                               // the file that gets the bytes, in Dir
    std::string Bytes;
    ReplaceStep Step;
    mode_t Mode;  // of the written file; 0: a new file's
    std::vector<std::string> After;  // Dir's names afterwards
  };
  const auto file = [](std::string name, std::string text, mode_t mode) {
    return [=](const fs::path& dir) {
      WriteFile(dir / name, text);
      ::chmod((dir / name).c_str(), mode);
    };
  };
  const auto both = [](std::function<void(const fs::path&)> a,
                       std::function<void(const fs::path&)> b) {
    return [=](const fs::path& dir) { a(dir); b(dir); };
  };
  const auto link = [](const char* name, std::string to) {
    // DIR/ stands for the test's folder, for a link by absolute path.
    return [=](const fs::path& dir) {
      fs::create_symlink(to.starts_with("DIR/") ? (dir / to.substr(4)).string() : to, dir / name);
    };
  };
  const Case cases[] = {
      {"a new file", [](const fs::path&) {}, "f", "f", "new", ReplaceStep::Done, 0, {"f"}},
      {"an old file keeps its permissions", file("f", "old", 0640), "f", "f", "new",
       ReplaceStep::Done, 0640, {"f"}},
      {"an empty file", file("f", "old", 0600), "f", "f", "", ReplaceStep::Done, 0600, {"f"}},
      {"a relative link", both(file("o/f", "old", 0640), link("l", "o/f")), "l", "o/f", "new",
       ReplaceStep::Done, 0640, {"l", "o"}},
      {"an absolute link", both(file("o/f", "old", 0640), link("l", "DIR/o/f")), "l", "o/f", "new",
       ReplaceStep::Done, 0640, {"l", "o"}},
      {"a link to a link", both(both(file("o/f", "old", 0640), link("c", "o/f")), link("l", "c")),
       "l", "o/f", "new", ReplaceStep::Done, 0640, {"c", "l", "o"}},
      {"a link to a missing file", both(link("l", "o/f"), file("o/g", "", 0600)), "l", "o/f", "new",
       ReplaceStep::Done, 0, {"l", "o"}},
      {"a link loop", both(link("l", "m"), link("m", "l")), "l", "", "new",
       ReplaceStep::FollowLink, 0, {"l", "m"}},
      // Made read-only by the player: kept, even for root.
      {"a read-only file", file("f", "old", 0444), "f", "f", "new", ReplaceStep::ReadOnly, 0444,
       {"f"}},
      {"a read-only file behind a link", both(file("o/f", "old", 0444), link("l", "o/f")), "l",
       "o/f", "new", ReplaceStep::ReadOnly, 0444, {"l", "o"}},
      {"a missing folder", [](const fs::path&) {}, "gone/f", "", "new", ReplaceStep::CreateTemp, 0,
       {}},
      {"a folder in the file's place", [](const fs::path& dir) { fs::create_directory(dir / "f"); },
       "f", "", "new", ReplaceStep::Rename, 0, {"f"}},
      // What the first temporary name would be, left by a killed run of the same number.
      {"a leftover temporary",
       file(".f." + std::to_string(::getpid()) + ".0.tmp", "half", 0444), "f", "f",
       "new", ReplaceStep::Done, 0, {".f." + std::to_string(::getpid()) + ".0.tmp", "f"}},
      {"a full disk", file("f", "old", 0640), "f", "f", big, ReplaceStep::Write, 0640, {"f"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    Renew();
    c.Prepare(Dir);
    const fs::path written = Dir / c.Written;
    // A file the name leads to but that is not there yet reads as empty.
    const std::string before = c.Written.empty() || !fs::exists(written) ? "" : ReadFile(written);
    ReplaceResult result;
    {
      FileSizeLimit limit(c.Bytes == big ? 4096 : RLIM_INFINITY);
      result = ReplaceFileAtomically(File(c.Path), c.Bytes);
    }
    EXPECT_EQ(result.Step, c.Step) << result.Reason();
    EXPECT_EQ(static_cast<bool>(result), c.Step == ReplaceStep::Done);
    if (!c.Written.empty()) {
      EXPECT_EQ(ReadFile(written), c.Step == ReplaceStep::Done ? c.Bytes : before);
      EXPECT_EQ(ModeOf(written), c.Mode ? c.Mode : NewFileMode());
    }
    if (c.Step != ReplaceStep::Done) {
      EXPECT_NE(result.Error, 0);
    }
    // Links stay links, and nothing but the files named is left, temporaries included.
    EXPECT_EQ(Names(Dir), c.After);
    if (fs::is_directory(Dir / "o")) {
      for (const auto& name : Names(Dir / "o")) EXPECT_NE(name[0], '.') << name;
    }
    if (fs::exists(fs::symlink_status(Dir / "l"))) {
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Dir / "l")));
    }
  }
}

// A process killed at any moment of a save leaves the old file or the new one, whole.
TEST_F(AtomicFileTest, AKilledReplacementLeavesTheOldOrTheNewFile) {
  const std::string path = File("config.ini");
  // Large enough that writing it takes a while, so that kills land inside the writes.
  const std::string a = "a" + std::string(200000, ';') + "\n";
  const std::string b = "b\r\n" + std::string(200000, ';') + "\r\n";
  WriteFile(path, a);
  int bothSeen = 0;
  for (int round = 0; round < 40; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) ReplaceFileAtomically(path, i % 2 ? a : b);
    }
    ::usleep(static_cast<useconds_t>(500 + (round * 7919) % 20000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string now = ReadFile(path);
    ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    bothSeen |= now == a ? 1 : 2;
    // What a kill leaves besides is only a hidden temporary, never the file itself.
    for (const auto& entry : fs::directory_iterator(Dir)) {
      const std::string name = entry.path().filename();
      if (name != "config.ini") {
        EXPECT_EQ(name.rfind(".config.ini.", 0), 0u) << name;
        fs::remove(entry.path());
      }
    }
  }
  EXPECT_EQ(bothSeen, 3) << "the replacements never completed between kills";
  EXPECT_TRUE(ReplaceFileAtomically(path, a));
  EXPECT_EQ(ReadFile(path), a);
}

}  // namespace
}  // namespace zolvane
