// What the drawing tests share: a recording device installed as the game's device with
// the buffers the start-up makes, a scratch folder to run in, and clean state afterwards.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "platform/fatal_error.h"
#include "platform/math3d.h"
#include "platform/recording_device.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/effects.h"
#include "render/fade_quad.h"
#include "render/game_screen.h"
#include "render/models.h"
#include "render/scene_drawing.h"
#include "render/scene_setup.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane::testing {

using test::WriteFile;

// "debug.txt" of the current folder, one entry per line.
inline std::vector<std::string> ReadLogLines() {
  std::ifstream in("debug.txt", std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A 24-bit bottom-up BMP; pixels given top row first as r, g, b.
inline void WriteBmp24(const std::string& path, int width, int height,
                       const std::vector<uint8_t>& rgb) {
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<uint8_t> file(54 + static_cast<size_t>(rowBytes) * height, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size()));
  put32(10, 54);  // pixels after the two headers
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put32(26, 1 | 24 << 16);  // one plane, 24 bits
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &file[54 + static_cast<size_t>(height - 1 - y) * rowBytes];
    for (int x = 0; x < width; ++x) {
      const uint8_t* px = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      row[x * 3 + 0] = px[2];
      row[x * 3 + 1] = px[1];
      row[x * 3 + 2] = px[0];
    }
  }
  WriteFile(path, file);
}

inline D3DVECTOR Translation(const D3DMATRIX& m) { return {m(4, 1), m(4, 2), m(4, 3)}; }

class RenderFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Dev = new RecordingDevice;
    D3D.FD3DDevice = Dev;
    D3D.TextureFormat = D3DFMT_A8R8G8B8;
    ASSERT_EQ(CreateModelBuffers(), D3D_OK);
    ASSERT_EQ(CreateMenuQuad(), D3D_OK);
    ASSERT_EQ(CreateEffectsQuad(), D3D_OK);
    ASSERT_EQ(CreateFadeQuad(), D3D_OK);
    ASSERT_EQ(FillEffectQuad(190), D3D_OK);
    ResetModels();
    std::memcpy(SavedShapes, FigureShapes, sizeof SavedShapes);
  }

  void TearDown() override {
    ReleaseBrickTextures();
    ReleaseModelTextures();
    ReleaseBreakTextures();
    ReleaseModelBuffers();
    ReleaseBackgroundTextures();
    ReleaseEffectTextures();
    for (VertexBuffer** b : {&D3D.FD3DVBEffects, &D3D.MenuQuad, &D3D.FD3DVBFade}) SafeRelease(*b);
    SafeRelease(D3D.FD3DDevice);
    D3D = D3DObjects{};
    ResetModels();
    FreeGlassFrames();
    ResetBreakSway();
    ResetGameState();
    Loop = LoopState{};
    Config = GameSettings{};
    InitWhiteMaterial();
    SetFatalErrorHandler(nullptr);
    SetFatalMessageHandler(nullptr);
    std::memcpy(FigureShapes, SavedShapes, sizeof SavedShapes);
  }

  // A texture that only serves to tell draws apart.
  static Texture* Marker() { return new Texture(1, 1, 1, D3DFMT_A8R8G8B8); }

  const test::TempFolder Folder;  // the current folder while the test runs
  const test::CurrentFolder In{Folder.Path()};
  RecordingDevice* Dev = nullptr;
  uint8_t SavedShapes[8][5][4][4];
};

}  // namespace zolvane::testing
