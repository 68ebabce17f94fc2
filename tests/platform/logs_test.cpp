#include "platform/logs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/clock.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Runs each test in a fresh folder of its own and comes back afterwards.
class LogsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetMeasureSlots(); }
  void TearDown() override {
    ResetMeasureSlots();
    SetPerformanceCounterSource(nullptr, 0);
  }
  const TempFolder Folder;
  const CurrentFolder In{Folder.Path()};
};

TEST_F(LogsTest, LinesEndInCrLfAndEachIsOnDiskAtOnce) {
  ResetLog();
  EXPECT_EQ(ReadFile("debug.txt"), "");
  WriteLog("Convert pictures - done");
  EXPECT_EQ(ReadFile("debug.txt"), "Convert pictures - done\r\n");
  WriteLog("");
  WriteLog("TextOut \"Loading\"");
  EXPECT_EQ(ReadFile("debug.txt"), "Convert pictures - done\r\n\r\nTextOut \"Loading\"\r\n");
}

TEST_F(LogsTest, AStartLeavesOnlyItsOwnLines) {
  ResetLog();
  WriteLog("InitD3D - done");
  WriteLog("InitDI - done");
  ResetLog();
  WriteLog("Start");
  EXPECT_EQ(ReadFile("debug.txt"), "Start\r\n");
}

TEST_F(LogsTest, MeasureLogIsEmptyWhenNoSlotIsNamed) {
  WriteFile("result.txt", "an older report\r\n");
  AddMeasurement(1, 500);  // measured but never named: still not reported
  WriteMeasureLog();
  ASSERT_TRUE(fs::exists("result.txt"));
  EXPECT_EQ(ReadFile("result.txt"), "");
}

TEST_F(LogsTest, MeasureLogFormatsNamedSlotsUpToTheFirstUnnamed) {
  SetPerformanceCounterSource([] { return uint64_t{0}; }, 1'000'000);
  SetMeasureSlot(1, "DrawGame");
  AddMeasurement(1, 1000);
  AddMeasurement(1, 2001);
  SetMeasureSlot(2, "A name of thirty-two characters");
  AddMeasurement(2, 3);
  SetMeasureSlot(4, "Hidden");  // after the unnamed slot 3
  AddMeasurement(4, 1);
  WriteMeasureLog();
  EXPECT_EQ(ReadFile("result.txt"),
            "DrawGame              1500.500      0.0015005\r\n"
            "A name of thirty-two characters3.000      0.0000030\r\n");
}

TEST(MeasureLine, HandlesWrappedTotalsAndUnmeasuredSlots) {
  MeasureSlot slot;
  slot.Name = "Present";
  // An unmeasured slot reads zero rather than dividing by zero.
  EXPECT_EQ(FormatMeasureLine(slot, 1000), "Present                  0.000      0.0000000");
  slot.Total = 4'000'000'000u;
  slot.Count = 1;
  EXPECT_EQ(FormatMeasureLine(slot, 1'000'000'000),
            "Present         4000000000.000      4.0000000");
  // A number wider than its field pushes the rest along instead of being cut.
  slot.Total = 123'456'789;
  EXPECT_EQ(FormatMeasureLine(slot, 1),
            "Present          123456789.000123456789.0000000");

  SetMeasureSlot(40, "Last");
  AddMeasurement(40, 0xFFFFFFFFu);
  AddMeasurement(40, 2);  // the total wraps like the 32-bit counter it is
  AddMeasurement(41, 7);  // no such slot
  EXPECT_EQ(MeasureSlots[39].Total, 1u);
  EXPECT_EQ(MeasureSlots[39].Count, 2);
  ResetMeasureSlots();
  EXPECT_EQ(MeasureSlots[39].Name, "No defined");
}

TEST_F(LogsTest, AFolderThatIsGoneRaisesAnErrorNamingTheFile) {
  // Removing the current folder makes every create fail, for root as well.
  fs::remove(Folder.Path());
  try {
    ResetLog();
    FAIL() << "no error";
  } catch (const LogError& e) {
    EXPECT_NE(std::string(e.what()).find("debug.txt"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
  EXPECT_THROW(WriteLog("InitD3D - done"), LogError);
  EXPECT_THROW(WriteMeasureLog(), LogError);
}

TEST_F(LogsTest, AFullDiskRaisesAnError) {
  fs::create_symlink("/dev/full", "debug.txt");
  try {
    WriteLog("InitDI - done");
    FAIL() << "no error";
  } catch (const LogError& e) {
    EXPECT_NE(std::string(e.what()).find("debug.txt"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
  }

  fs::create_directory("result.txt");
  SetMeasureSlot(1, "Frame");
  try {
    WriteMeasureLog();
    FAIL() << "no error";
  } catch (const LogError& e) {
    EXPECT_NE(std::string(e.what()).find("result.txt"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zolvane
