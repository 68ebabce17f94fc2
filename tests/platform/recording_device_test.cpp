// The recording device's calls beyond Direct3D 8: recorded in their place, and no pixels
// where nothing is drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/recording_device.h"

namespace zolvane {
namespace {

TEST(RecordingDevice, RecordsTheWaitForTheDrawingInItsPlace) {
  RecordingDevice device;
  device.Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  EXPECT_EQ(device.Finish(), D3D_OK);
  device.Present(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(device.Ops(), (std::vector<std::string>{"Clear", "Finish", "Present"}));
}

TEST(RecordingDevice, ReadsBackNoPixelsAndSaysSo) {
  RecordingDevice device;
  std::vector<uint8_t> rgb(12, 0xAB);  // what a caller held before
  int width = 2, height = 2;
  EXPECT_EQ(device.ReadBackBuffer(rgb, width, height), D3DERR_NOTAVAILABLE);
  EXPECT_TRUE(rgb.empty());
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(device.Ops(), std::vector<std::string>{"ReadBackBuffer"});
}

}  // namespace
}  // namespace zolvane
