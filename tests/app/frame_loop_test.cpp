// The idle pass and the frame it renders, drawn on the recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/frame_loop.h"
#include "app/main_form.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "platform/fatal_error.h"
#include "platform/math3d.h"
#include "platform/recording_device.h"
#include "render/device_objects.h"
#include "render/fade_quad.h"

namespace zolvane {
namespace {

class FrameLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = new RecordingDevice();
    D3D.FD3DDevice = device;
    ASSERT_EQ(CreateFadeQuad(), D3D_OK);
    device->ClearLog();
    Loop = LoopState{};
  }
  void TearDown() override {
    SafeRelease(D3D.FD3DVBFade);
    SafeRelease(D3D.FD3DDevice);
    frmD3D = MainForm{};
    Loop = LoopState{};
  }
  RecordingDevice* device = nullptr;
};

TEST_F(FrameLoopTest, InactiveWindowDrawsAndChangesNothing) {
  frmD3D.FActive = false;
  Loop.FadeOutRunning = Loop.TransitionActive = true;
  OnIdle();
  EXPECT_TRUE(device->Calls.empty());
  EXPECT_EQ(Loop.FadeLevel, 0);
}

TEST_F(FrameLoopTest, FrameIsClearBeginEndPresentWithTheDeepBlue) {
  frmD3D.FActive = true;
  OnIdle();
  // The menu's frame between the scene's begin and end.
  const std::vector<std::string> ops = device->Ops();
  ASSERT_GE(ops.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(ops.begin(), ops.begin() + 2),
            (std::vector<std::string>{"Clear", "BeginScene"}));
  EXPECT_EQ(std::vector<std::string>(ops.end() - 2, ops.end()),
            (std::vector<std::string>{"EndScene", "Present"}));
  const RecordedCall& clear = device->Calls[0];
  EXPECT_EQ(clear.Args[1], D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
  EXPECT_EQ(clear.Args[2], 0x000555A5u);
}

TEST_F(FrameLoopTest, FadeQuadIsBlackAtTheLevelAndBlendedInFrontOfTheWell) {
  Loop.FadeLevel = 128;
  DrawFadeQuad();
  ASSERT_EQ(device->Draws.size(), 1u);
  const DrawSnapshot& d = device->Draws[0];
  EXPECT_EQ(d.Type, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(d.PrimitiveCount, 2u);
  EXPECT_EQ(d.FVF, 0x42u);
  EXPECT_EQ(d.Stride, 16u);
  EXPECT_EQ(d.RenderState(D3DRS_LIGHTING), 0u);
  EXPECT_EQ(d.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
  EXPECT_EQ(d.RenderState(D3DRS_SRCBLEND), D3DBLEND_SRCALPHA);
  EXPECT_EQ(d.RenderState(D3DRS_DESTBLEND), D3DBLEND_INVSRCALPHA);
  // The unit quad becomes 26 x 20, three units in front of the well's centre.
  const D3DVECTOR corner = TransformPoint(MakeVector(0.5f, 0.5f, 0), d.World);
  EXPECT_FLOAT_EQ(corner.x, 5.5f + 13.0f);
  EXPECT_FLOAT_EQ(corner.y, 10.5f + 10.0f);
  EXPECT_FLOAT_EQ(corner.z, -3.0f);
  ASSERT_EQ(d.Vertices.size(), 64u);
  for (int v = 0; v < 4; ++v) {
    uint32_t colour;
    std::memcpy(&colour, &d.Vertices[v * 16 + 12], 4);
    EXPECT_EQ(colour, 0x80000000u);
  }
  float first[3];
  std::memcpy(first, d.Vertices.data(), 12);
  EXPECT_FLOAT_EQ(first[0], -0.5f);
  EXPECT_FLOAT_EQ(first[1], 0.5f);
  // It leaves blending off and lighting on for what follows.
  EXPECT_EQ(device->RenderStates[D3DRS_ALPHABLENDENABLE], 0u);
  EXPECT_EQ(device->RenderStates[D3DRS_LIGHTING], 1u);
}

// A fatal failure in the middle of a frame releases the device: the frame must stop there.
RecordingDevice* ReleasedDevice = nullptr;
void ReleaseDeviceOnFailure(const char*, HRESULT) {
  ReleasedDevice = static_cast<RecordingDevice*>(D3D.FD3DDevice);
  D3D.FD3DDevice = nullptr;  // kept alive by the test, to read what it was asked
}

TEST_F(FrameLoopTest, AFatalFailureWhileDrawingEndsTheFrameWithoutTheDevice) {
  Loop.MenuActive = false;
  Game.GameType = 1;
  Game.Sparks = new Spark{3, 4, 200, 1, nullptr};  // and no spark quad: its lock fails
  SetFatalErrorHandler(ReleaseDeviceOnFailure);
  RenderFrame();
  SetFatalErrorHandler(nullptr);
  FreeSparks();
  ASSERT_EQ(ReleasedDevice, device);
  D3D.FD3DDevice = device;  // for the fixture's release
  const std::vector<std::string> ops = device->Ops();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "EndScene"), 0);
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "Present"), 0);
}

}  // namespace
}  // namespace zolvane
