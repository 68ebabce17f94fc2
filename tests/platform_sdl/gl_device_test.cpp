// The OpenGL device drawn for real (Mesa under a virtual X server) and read back pixel by
// pixel: the D3D behaviour the game relies on must come out on screen.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/gl/gl_device.h"
#include "platform/math3d.h"
#include "platform/picture.h"
#include "platform/sdl/window.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

constexpr int kSize = 256;

struct Pixel {
  int r, g, b;
};

::testing::AssertionResult Near(const Pixel& p, int r, int g, int b, int tolerance = 3) {
  if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
      std::abs(p.b - b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << p.r << ", " << p.g << ", " << p.b
                                       << "), expected (" << r << ", " << g << ", " << b << ")";
}

// 36-byte vertex: position, normal, ARGB colour, uv.
struct TexVertex {
  float x, y, z, nx, ny, nz;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(TexVertex) == 36);

struct ModelVertex {
  float x, y, z, nx, ny, nz;
};
static_assert(sizeof(ModelVertex) == 24);

struct FadeVertex {
  float x, y, z;
  uint32_t colour;
};
static_assert(sizeof(FadeVertex) == 16);

class GLDeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WindowSettings s;
    s.Title = "gl device test";
    s.Width = s.Height = kSize;
    std::string error;
    Window = CreateGameWindow(s, &error);
    ASSERT_NE(Window, nullptr) << error;
    D3D = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(D3D, nullptr);
  }
  static void TearDownTestSuite() {
    SafeRelease(D3D);
    DestroyGameWindow(Window);
  }

  void SetUp() override {
    ASSERT_NE(Window, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.EnableAutoDepthStencil = 1;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(D3D->CreateDevice(0, D3DDEVTYPE_HAL, Window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                &pp, &Dev),
              D3D_OK);
    ASSERT_EQ(Dev->CreateVertexBuffer(36 * 64, 0, 0x152, D3DPOOL_DEFAULT, &Quads), D3D_OK);
    // The game's camera in small: eye 5 units in front of the plane z = 0, looking along +z.
    D3DMATRIX view, proj;
    SetViewMatrix(view, MakeVector(0, 0, -5), MakeVector(0, 0, 0), MakeVector(0, 1, 0));
    SetProjectionMatrix(proj, 1.0f, 1.0f, 1.0f, 25.0f);
    Dev->SetTransform(D3DTS_VIEW, &view);
    Dev->SetTransform(D3DTS_PROJECTION, &proj);
    D3DMATRIX id;
    SetIdentityMatrix(id);
    Dev->SetTransform(D3DTS_WORLD, &id);
    InitMaterial(White, 1, 1, 1, 0);  // as the game's: alpha 0
    White.Specular = {1, 1, 1, 0};
    White.Power = 60;
    Dev->SetMaterial(&White);
  }
  void TearDown() override {
    SafeRelease(Quads);
    SafeRelease(Dev);
  }

  // A quad of four vertices (a two-triangle strip) at slot `slot` of the buffer, centred
  // at (cx, cy, z) with half size h; clockwise on screen (a D3D front face) unless `back`.
  uint32_t Quad(int slot, float cx, float cy, float z, float h, uint32_t colour, bool back = false) {
    TexVertex v[4] = {
        {cx - h, cy + h, z, 0, 0, -1, colour, 0, 0},
        {cx + h, cy + h, z, 0, 0, -1, colour, 1, 0},
        {cx - h, cy - h, z, 0, 0, -1, colour, 0, 1},
        {cx + h, cy - h, z, 0, 0, -1, colour, 1, 1},
    };
    if (back) {  // the same strip run the other way round
      std::swap(v[0], v[1]);
      std::swap(v[2], v[3]);
    }
    uint8_t* p = nullptr;
    EXPECT_EQ(Quads->Lock(slot * 4 * 36, 4 * 36, &p, 0), D3D_OK);
    std::memcpy(p, v, sizeof v);
    Quads->Unlock();
    return static_cast<uint32_t>(slot * 4);
  }

  HRESULT DrawQuad(uint32_t first) {
    Dev->SetStreamSource(0, Quads, 36);
    Dev->SetVertexShader(0x152);
    return Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, first, 2);
  }

  void Begin(D3DCOLOR clear) {
    ASSERT_EQ(Dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0), D3D_OK);
    ASSERT_EQ(Dev->BeginScene(), D3D_OK);
  }
  void End() { ASSERT_EQ(Dev->EndScene(), D3D_OK); }
  // One frame of the given quads (first vertices), drawn in order.
  void Frame(D3DCOLOR clear, std::initializer_list<uint32_t> quads) {
    Begin(clear);
    for (uint32_t q : quads) EXPECT_EQ(DrawQuad(q), D3D_OK);
    End();
  }

  // (x, y) from the top left, as on screen. Read from the back buffer before Present.
  static Pixel Read(int x, int y) {
    uint8_t rgba[4] = {};
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(x, kSize - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
  }
  static Pixel Centre() { return Read(kSize / 2, kSize / 2); }

  void DirectionalLight(float r, float g, float b) {
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {r, g, b, 0};
    l.Direction = {0, 0, 1};  // along the view: full on a quad facing the camera
    ASSERT_EQ(Dev->SetLight(1, &l), D3D_OK);
    ASSERT_EQ(Dev->LightEnable(1, true), D3D_OK);
  }

  Texture* Solid(uint32_t argb) {
    Texture* t = nullptr;
    EXPECT_EQ(Dev->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    std::memcpy(lr.pBits, &argb, 4);
    t->UnlockRect(0);
    return t;
  }

  static SDL_Window* Window;
  static Direct3D* D3D;
  Device* Dev = nullptr;
  VertexBuffer* Quads = nullptr;
  D3DMATERIAL8 White{};
};

SDL_Window* GLDeviceTest::Window = nullptr;
Direct3D* GLDeviceTest::D3D = nullptr;

TEST_F(GLDeviceTest, LightingFollowsD3D) {
  // No texture: MODULATE(TEXTURE, DIFFUSE) sees opaque white, so the lit vertex colour shows.
  DirectionalLight(0.5f, 0.5f, 0.5f);
  Frame(0xFF000000, {Quad(0, 0, 0, 0, 1, 0xFFFF0000)});
  EXPECT_TRUE(Near(Centre(), 128, 0, 0));
  EXPECT_TRUE(Near(Read(2, 2), 0, 0, 0));  // outside the quad: the clear colour

  // D3DRS_AMBIENT times the material's ambient adds to it; unlit, the vertex colour alone.
  Dev->SetRenderState(D3DRS_AMBIENT, ColorARGB(0, 69, 69, 69));
  Frame(0xFF000000, {0});
  EXPECT_TRUE(Near(Centre(), 128 + 69, 69, 69));
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Frame(0xFF000000, {0});
  EXPECT_TRUE(Near(Centre(), 255, 0, 0));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLDeviceTest, LitAlphaComesFromTheVertexNotTheMaterial) {
  DirectionalLight(1, 1, 1);
  // As the font leaves stage 0: alpha = texture alpha x diffuse alpha.
  Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  Dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  // Half-transparent red over blue; the material's alpha is 0.
  Frame(0xFF0000FF, {Quad(0, 0, 0, 0, 1, 0x80FF0000)});
  EXPECT_TRUE(Near(Centre(), 128, 0, 127));
}

TEST_F(GLDeviceTest, MaterialColourReturnsAfterAVertexColouredDraw) {
  DirectionalLight(1, 1, 1);
  VertexBuffer* models = nullptr;
  ASSERT_EQ(Dev->CreateVertexBuffer(24 * 4, 0, 0x012, D3DPOOL_DEFAULT, &models), D3D_OK);
  const ModelVertex mv[4] = {{-1, 1, 0, 0, 0, -1}, {1, 1, 0, 0, 0, -1}, {-1, -1, 0, 0, 0, -1},
                             {1, -1, 0, 0, 0, -1}};
  uint8_t* p = nullptr;
  ASSERT_EQ(models->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, mv, sizeof mv);
  models->Unlock();
  D3DMATERIAL8 green{};
  InitMaterial(green, 0, 1, 0, 1);
  Dev->SetMaterial(&green);
  auto drawModel = [&] {
    Dev->SetStreamSource(0, models, 24);
    Dev->SetVertexShader(0x012);
    EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  };
  // The model, a vertex-coloured quad under the same material, the model again.
  Begin(0xFF000000);
  drawModel();
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));
  DrawQuad(Quad(0, 0, 0, 0, 1, 0xFFFF0000));
  EXPECT_TRUE(Near(Centre(), 255, 0, 0));
  drawModel();
  End();
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));
  models->Release();
}

TEST_F(GLDeviceTest, SpecularOnlyWhenEnabled) {
  D3DLIGHT8 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Specular = {1, 1, 1, 0};  // a light with nothing but specular
  l.Direction = {0, 0, 1};
  Dev->SetLight(0, &l);
  Dev->LightEnable(0, true);
  White.Power = 1;
  Dev->SetMaterial(&White);
  Frame(0xFF000000, {Quad(0, 0, 0, 0, 1, 0xFFFFFFFF)});
  EXPECT_TRUE(Near(Centre(), 0, 0, 0));
  Dev->SetRenderState(D3DRS_SPECULARENABLE, 1);
  Frame(0xFF000000, {0});
  EXPECT_GT(Centre().r, 200);
}

TEST_F(GLDeviceTest, CullingDropsCounterClockwiseFacesByDefault) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  const uint32_t front = Quad(0, -1.2f, 0, 0, 0.8f, 0xFFFFFFFF);       // left
  const uint32_t back = Quad(1, 1.2f, 0, 0, 0.8f, 0xFFFFFFFF, true);   // right
  auto shown = [&] {
    return std::make_pair(Read(kSize / 4, kSize / 2).r > 128, Read(3 * kSize / 4, kSize / 2).r > 128);
  };
  Frame(0xFF000000, {front, back});
  EXPECT_EQ(shown(), std::make_pair(true, false));
  Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  Frame(0xFF000000, {front, back});
  EXPECT_EQ(shown(), std::make_pair(false, true));
  Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Frame(0xFF000000, {front, back});
  EXPECT_EQ(shown(), std::make_pair(true, true));
}

TEST_F(GLDeviceTest, DepthTestWritesAndClear) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  const uint32_t nearRed = Quad(0, 0, 0, -1, 1, 0xFFFF0000);
  const uint32_t farGreen = Quad(1, 0, 0, 1, 1, 0xFF00FF00);
  Frame(0xFF000000, {nearRed, farGreen});
  EXPECT_TRUE(Near(Centre(), 255, 0, 0));
  Frame(0xFF000000, {farGreen});  // the clear emptied the depth buffer too
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));

  Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  Frame(0xFF000000, {nearRed, farGreen});
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));
  Dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  Dev->SetRenderState(D3DRS_ZWRITEENABLE, 0);  // tested but not written
  Frame(0xFF000000, {nearRed, farGreen});
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));

  // Clear empties the depth buffer even while Z writes are off.
  Dev->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  Begin(0xFF000000);
  DrawQuad(nearRed);
  Dev->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  DrawQuad(Quad(2, 1.5f, 1.5f, 0, 0.1f, 0xFFFFFFFF));
  End();
  Frame(0xFF000000, {farGreen});
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));

  // 0.7 units from the eye is nearer than the near plane (1.0): clipped. Without mapping
  // D3D's 0..1 depth onto GL's -1..1 it would show; 1.5 units away it does show.
  Frame(0xFF000000, {Quad(0, 0, 0, -4.3f, 0.2f, 0xFFFFFFFF)});
  EXPECT_TRUE(Near(Centre(), 0, 0, 0));
  Frame(0xFF000000, {Quad(0, 0, 0, -3.5f, 0.2f, 0xFFFFFFFF)});
  EXPECT_TRUE(Near(Centre(), 255, 255, 255));
}

TEST_F(GLDeviceTest, BlendingAddsOrMixesAsAsked) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  Frame(ColorRGB(100, 0, 0), {Quad(0, 0, 0, 0, 1, ColorRGB(0, 100, 50))});
  EXPECT_TRUE(Near(Centre(), 100, 100, 50));

  // SRCALPHA / INVSRCALPHA with a texture whose alpha is one half halves the colour.
  Texture* t = Solid(0x80FFFFFFu);
  Dev->SetTexture(0, t);
  Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Frame(0xFF000000, {Quad(0, 0, 0, 0, 1, ColorRGB(200, 100, 0))});
  EXPECT_TRUE(Near(Centre(), 100, 50, 0));
  Dev->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(GLDeviceTest, FadeQuadTakesItsAlphaFromTheStageSettings) {
  VertexBuffer* fade = nullptr;
  ASSERT_EQ(Dev->CreateVertexBuffer(64, 0, 0x042, D3DPOOL_DEFAULT, &fade), D3D_OK);
  const FadeVertex fv[4] = {{-2, 2, 0, 0x80000000u}, {2, 2, 0, 0x80000000u},
                            {-2, -2, 0, 0x80000000u}, {2, -2, 0, 0x80000000u}};
  uint8_t* p = nullptr;
  ASSERT_EQ(fade->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, fv, sizeof fv);
  fade->Unlock();
  auto fadeFrame = [&] {
    Begin(0xFFFFFFFF);
    Dev->SetRenderState(D3DRS_LIGHTING, 0);
    Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Dev->SetStreamSource(0, fade, 16);
    Dev->SetVertexShader(0x042);
    EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    End();
  };
  // D3D's default alpha is SELECTARG1(TEXTURE): no texture means opaque, so all black.
  fadeFrame();
  EXPECT_TRUE(Near(Centre(), 0, 0, 0));
  // With the stage left as the font leaves it the vertex alpha shows: half black.
  Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  Dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  fadeFrame();
  EXPECT_TRUE(Near(Centre(), 127, 127, 127));
  fade->Release();
}

TEST_F(GLDeviceTest, TextureRowZeroIsTheTopOfTheQuadInEveryFormat) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  struct Case {
    D3DFORMAT Format;
    uint32_t Texels[4];  // red, green (row 0), blue, white (row 1)
  };
  const Case cases[] = {
      {D3DFMT_A8R8G8B8, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}},
      {D3DFMT_X8R8G8B8, {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0x00FFFFFFu}},
      {D3DFMT_A4R4G4B4, {0xFF00, 0xF0F0, 0xF00F, 0xFFFF}},
      {D3DFMT_A1R5G5B5, {0xFC00, 0x83E0, 0x801F, 0xFFFF}},
      {D3DFMT_X1R5G5B5, {0x7C00, 0x03E0, 0x001F, 0x7FFF}},
      {D3DFMT_R5G6B5, {0xF800, 0x07E0, 0x001F, 0xFFFF}},
  };
  const uint32_t quad = Quad(0, 0, 0, 0, 2, 0xFFFFFFFF);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Format);
    Texture* t = nullptr;
    ASSERT_EQ(Dev->CreateTexture(2, 2, 0, 0, c.Format, D3DPOOL_MANAGED, &t), D3D_OK);
    ASSERT_EQ(t->GetLevelCount(), 2u);  // level 1 is never written: the device makes it
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    const uint32_t bpp = FormatBytesPerPixel(c.Format);
    for (int i = 0; i < 4; ++i)
      std::memcpy(static_cast<uint8_t*>(lr.pBits) + (i / 2) * lr.Pitch + (i % 2) * bpp, &c.Texels[i], bpp);
    t->UnlockRect(0);
    Dev->SetTexture(0, t);
    Frame(0xFF000000, {quad});
    EXPECT_TRUE(Near(Read(kSize / 4, kSize / 4), 255, 0, 0, 8));
    EXPECT_TRUE(Near(Read(3 * kSize / 4, kSize / 4), 0, 255, 0, 8));
    EXPECT_TRUE(Near(Read(kSize / 4, 3 * kSize / 4), 0, 0, 255, 8));
    EXPECT_TRUE(Near(Read(3 * kSize / 4, 3 * kSize / 4), 255, 255, 255, 8));
    Dev->SetTexture(0, nullptr);
    t->Release();
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLDeviceTest, LoadedTextureKeysWhiteAndUsesItsMipChain) {
  // A 4 x 4 bitmap: the left half red, the right half white (keyed away).
  const test::TempFolder folder;
  const std::string path = (folder / "keyed.bmp").string();
  std::vector<uint8_t> bmp = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 4, 0,
                              0, 0, 4, 0, 0, 0, 1, 0, 24, 0};
  bmp.resize(54, 0);
  for (int i = 0; i < 16; ++i) {
    const uint8_t gb = (i % 4) >= 2 ? 255 : 0;
    bmp.insert(bmp.end(), {gb, gb, 255});
  }
  test::WriteFile(path, bmp);
  Texture* t = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(Dev, path, 0, 0, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         D3DX_FILTER_TRIANGLE, D3DX_DEFAULT, 0xFFFFFFFFu, &t),
            D3D_OK);
  ASSERT_EQ(t->GetLevelCount(), 3u);
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);  // additive: keyed-out black adds nothing
  Dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  Dev->SetTexture(0, t);
  Frame(ColorRGB(0, 0, 90), {Quad(0, 0, 0, 0, 2, 0xFFFFFFFF)});
  EXPECT_TRUE(Near(Read(kSize / 4, kSize / 2), 255, 0, 90));
  EXPECT_TRUE(Near(Read(3 * kSize / 4 + 10, kSize / 2), 0, 0, 90));
  EXPECT_NE(t->Deferred, 0u) << "no draw could sample the smaller levels yet";

  // Shrunk to 2 x 2 pixels with mipmapping the smaller levels are blended in: red and the
  // keyed half run into each other, the total staying the picture's. Level 0 alone would
  // give pure 255 and 0.
  Dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  Dev->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
  Frame(ColorRGB(0, 0, 90), {Quad(0, 0, 0, 0, 0.03f, 0xFFFFFFFF)});
  const int left = Read(kSize / 2 - 1, kSize / 2).r, right = Read(kSize / 2, kSize / 2).r;
  EXPECT_LT(left, 250);
  EXPECT_GT(right, 5);
  EXPECT_NEAR(left + right, 255, 12);
  EXPECT_EQ(t->Deferred, 0u);
  Dev->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(GLDeviceTest, PointLightDoesNotReachBeyondItsRange) {
  D3DLIGHT8 l{};
  l.Type = D3DLIGHT_POINT;
  l.Diffuse = {1, 1, 1, 0};
  l.Position = {-1.5f, 0, -1};
  l.Range = 2;
  l.Attenuation0 = 1;
  ASSERT_EQ(Dev->SetLight(4, &l), D3D_OK);
  ASSERT_EQ(Dev->LightEnable(4, true), D3D_OK);
  // One quad 1 unit from the light, one over 3 units away.
  Frame(0xFF000000, {Quad(0, -1.5f, 0, 0, 0.3f, 0xFFFFFFFF), Quad(1, 1.5f, 0, 0, 0.3f, 0xFFFFFFFF)});
  EXPECT_GT(Read(kSize / 2 - 70, kSize / 2).r, 150);
  EXPECT_TRUE(Near(Read(kSize / 2 + 70, kSize / 2), 0, 0, 0));
  Dev->LightEnable(4, false);
  Frame(0xFF000000, {0});
  EXPECT_TRUE(Near(Read(kSize / 2 - 70, kSize / 2), 0, 0, 0));
}

TEST_F(GLDeviceTest, BuffersUploadOnlyWhenUnlocked) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  const uint32_t q = Quad(0, 0, 0, 0, 1, 0xFFFF0000);
  Frame(0xFF000000, {q});
  EXPECT_TRUE(Near(Centre(), 255, 0, 0));
  // Bytes changed behind the device's back are not seen: nothing is re-sent per draw.
  TexVertex* v = reinterpret_cast<TexVertex*>(Quads->Bytes.data());
  for (int i = 0; i < 4; ++i) v[i].colour = 0xFF00FF00;
  Frame(0xFF000000, {q});
  EXPECT_TRUE(Near(Centre(), 255, 0, 0));
  uint8_t* p = nullptr;  // a lock and unlock is
  Quads->Lock(0, 0, &p, 0);
  Quads->Unlock();
  Frame(0xFF000000, {q});
  EXPECT_TRUE(Near(Centre(), 0, 255, 0));
}

TEST_F(GLDeviceTest, ABufferUploadsWhatItsLocksReached) {
  auto bufferSize = reinterpret_cast<PFNGLGETBUFFERPARAMETERIVPROC>(
      SDL_GL_GetProcAddress("glGetBufferParameteriv"));
  ASSERT_NE(bufferSize, nullptr);
  auto uploaded = [&] {
    GLint bytes = -1;
    bufferSize(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);  // the device left it bound
    return bytes;
  };
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  SafeRelease(Quads);  // 1000 vertices asked for, one quad written
  ASSERT_EQ(Dev->CreateVertexBuffer(36 * 1000, 0, 0x152, D3DPOOL_DEFAULT, &Quads), D3D_OK);
  Frame(0xFF000000, {Quad(0, -1, 0, 0, 0.5f, 0xFFFF0000)});
  EXPECT_EQ(uploaded(), 4 * 36);
  EXPECT_TRUE(Near(Read(kSize / 2 - 50, kSize / 2), 255, 0, 0));

  // A quad far beyond the first grows the buffer; the first is still there.
  Frame(0xFF000000, {0, Quad(10, 1, 0, 0, 0.5f, 0xFF00FF00)});
  EXPECT_EQ(uploaded(), 11 * 4 * 36);
  EXPECT_TRUE(Near(Read(kSize / 2 - 50, kSize / 2), 255, 0, 0));
  EXPECT_TRUE(Near(Read(kSize / 2 + 50, kSize / 2), 0, 255, 0));
  // Vertices never written are zeros: a draw of them is allowed and shows nothing.
  Frame(0xFF000000, {200});
  EXPECT_TRUE(Near(Centre(), 0, 0, 0));
  EXPECT_EQ(DrawQuad(997), D3DERR_INVALIDCALL);  // past the buffer's end
}

TEST_F(GLDeviceTest, ALockAfterTheUploadSeesTheTexturesPixels) {
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Texture* t = nullptr;
  ASSERT_EQ(Dev->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
  const uint32_t texels[2] = {0xFFFF0000u, 0xFF0000FFu};
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  std::memcpy(lr.pBits, texels, sizeof texels);
  t->UnlockRect(0);
  Dev->SetTexture(0, t);
  const uint32_t quad = Quad(0, 0, 0, 0, 2, 0xFFFFFFFF);
  Frame(0xFF000000, {quad});
  EXPECT_TRUE(t->LevelBytes[0].empty()) << "GL holds the only copy once uploaded";

  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(std::memcmp(lr.pBits, texels, sizeof texels), 0);
  const uint32_t green = 0xFF00FF00u;
  std::memcpy(static_cast<uint8_t*>(lr.pBits) + 4, &green, 4);
  t->UnlockRect(0);
  Frame(0xFF000000, {quad});
  EXPECT_TRUE(Near(Read(kSize / 4, kSize / 2), 255, 0, 0));
  EXPECT_TRUE(Near(Read(3 * kSize / 4, kSize / 2), 0, 255, 0));
  Dev->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(GLDeviceTest, TheBrickPatternStaysCheap) {
  // ~250 draws per frame from one large buffer with texture and world changes between.
  const uint32_t triangles = 300, perBrick = triangles * 3, bricks = 16;
  VertexBuffer* big = nullptr;
  ASSERT_EQ(Dev->CreateVertexBuffer(36 * perBrick * bricks, 0, 0x152, D3DPOOL_DEFAULT, &big), D3D_OK);
  uint8_t* bytes = nullptr;
  ASSERT_EQ(big->Lock(0, 0, &bytes, 0), D3D_OK);
  TexVertex* v = reinterpret_cast<TexVertex*>(bytes);
  for (uint32_t i = 0; i < perBrick * bricks; ++i)
    v[i] = {(i % 3 == 1) * 0.1f, (i % 3 == 2) * -0.1f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0};
  big->Unlock();
  Texture* tex[2] = {Solid(0xFFFF0000u), Solid(0xFF00FF00u)};
  DirectionalLight(1, 1, 1);
  const Uint64 start = SDL_GetPerformanceCounter();
  for (int frame = 0; frame < 20; ++frame) {
    Begin(0xFF000000);
    for (int b = 0; b < 250; ++b) {
      D3DMATRIX w;
      SetTranslateMatrix(w, (b % 10) * 0.3f - 1.5f, (b / 10) * 0.12f - 1.5f, 0);
      Dev->SetTexture(0, tex[b % 2]);
      Dev->SetMaterial(&White);
      Dev->SetStreamSource(0, big, 36);
      Dev->SetVertexShader(0x152);
      Dev->SetTransform(D3DTS_WORLD, &w);
      ASSERT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLELIST, (b % bricks) * perBrick, triangles), D3D_OK);
      Dev->SetTexture(0, nullptr);
    }
    End();
    Dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  glFinish();
  const double seconds =
      static_cast<double>(SDL_GetPerformanceCounter() - start) / SDL_GetPerformanceFrequency();
  // Generous, for a software rasteriser on a shared machine; re-sending the buffer or the
  // textures per draw would take far longer.
  EXPECT_LT(seconds, 20.0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  for (auto& t : tex) t->Release();
  big->Release();
}

TEST_F(GLDeviceTest, BadCallsReturnD3DErrors) {
  EXPECT_EQ(Dev->EndScene(), D3DERR_INVALIDCALL);
  ASSERT_EQ(Dev->BeginScene(), D3D_OK);
  EXPECT_EQ(Dev->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream
  Dev->SetStreamSource(0, Quads, 36);
  Dev->SetVertexShader(0x152);
  EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 61, 2), D3DERR_INVALIDCALL);  // past the end
  EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 60, 2), D3D_OK);             // the last four
  EXPECT_EQ(Dev->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1), D3DERR_INVALIDCALL);
  Dev->SetStreamSource(0, Quads, 16);  // stride smaller than the vertex
  EXPECT_EQ(Dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->EndScene(), D3D_OK);

  EXPECT_EQ(Dev->Clear(0, nullptr, 0, 0, 1, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->Clear(2, nullptr, D3DCLEAR_TARGET, 0, 1, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->SetTexture(8, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->SetMaterial(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Dev->LightEnable(8, true), D3DERR_INVALIDCALL);
  D3DLIGHT8 bad{};
  bad.Type = 7;
  EXPECT_EQ(Dev->SetLight(0, &bad), D3DERR_INVALIDCALL);
  bad.Type = D3DLIGHT_DIRECTIONAL;  // without a direction
  EXPECT_EQ(Dev->SetLight(0, &bad), D3DERR_INVALIDCALL);

  Texture* t = reinterpret_cast<Texture*>(this);
  EXPECT_EQ(Dev->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(t, nullptr);
  VertexBuffer* vb = nullptr;
  EXPECT_EQ(Dev->CreateVertexBuffer(20, 0, 0x152, D3DPOOL_DEFAULT, &vb), D3DERR_INVALIDCALL);
}

TEST_F(GLDeviceTest, Direct3DAnswersFromTheDisplay) {
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(D3D->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1024u);  // the virtual screen of the test run
  EXPECT_EQ(mode.Height, 768u);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(D3D->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);

  // A 24-bit display offers no 16-bit full-screen modes: the game's list falls to 22.
  D3DFORMAT chosen = D3DFMT_UNKNOWN;
  for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8})
    if (D3D->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, false) == D3D_OK) {
      chosen = f;
      break;
    }
  EXPECT_EQ(chosen, D3DFMT_X8R8G8B8);
  for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                      D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4})
    EXPECT_EQ(D3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, f), D3D_OK) << f;
  EXPECT_NE(D3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_D16), D3D_OK);

  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 1024;
  pp.BackBufferHeight = 768;
  pp.BackBufferFormat = D3DFMT_UNKNOWN;  // what the game asks for when no format fitted
  Device* d = reinterpret_cast<Device*>(this);
  EXPECT_EQ(D3D->CreateDevice(0, D3DDEVTYPE_HAL, Window, 0, &pp, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(d, nullptr);
  pp.Windowed = 1;
  EXPECT_EQ(D3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &d), D3DERR_INVALIDCALL);
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION + 1), nullptr);
}

TEST_F(GLDeviceTest, ANewDeviceStartsFromD3DDefaultsAndKeepsManagedTextures) {
  Dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Texture* t = Solid(0xFF0000FFu);
  Dev->SetTexture(0, t);
  Frame(0xFF000000, {Quad(0, 0, 0, 0, 1, 0xFFFFFFFF, true)});
  EXPECT_TRUE(Near(Centre(), 0, 0, 255));

  TearDown();  // a rebuild: culling is back to CCW, the texture still draws
  SetUp();
  Dev->SetRenderState(D3DRS_LIGHTING, 0);
  Dev->SetTexture(0, t);
  Frame(0xFF000000, {Quad(0, 0, 0, 0, 1, 0xFFFFFFFF, true), Quad(1, 0, 0, 0, 0.5f, 0xFFFFFFFF)});
  EXPECT_TRUE(Near(Centre(), 0, 0, 255));
  EXPECT_TRUE(Near(Read(kSize / 2 + 35, kSize / 2), 0, 0, 0));
  Dev->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(GLDeviceTest, ReadBackGivesTheBackBufferTopRowFirst) {
  struct {
    int32_t x1, y1, x2, y2;  // a D3DRECT, y down
  } topRows{0, 0, kSize, 4};
  ASSERT_EQ(Dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
  ASSERT_EQ(Dev->Clear(1, &topRows, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
  ASSERT_EQ(Dev->Finish(), D3D_OK);
  std::vector<uint8_t> rgb;
  int width = 0, height = 0;
  ASSERT_EQ(Dev->ReadBackBuffer(rgb, width, height), D3D_OK);
  ASSERT_EQ(width, kSize);
  ASSERT_EQ(height, kSize);
  ASSERT_EQ(rgb.size(), static_cast<size_t>(kSize * kSize * 3));
  auto at = [&](int x, int y) {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * kSize + x) * 3];
    return Pixel{p[0], p[1], p[2]};
  };
  EXPECT_TRUE(Near(at(0, 0), 255, 0, 0));
  EXPECT_TRUE(Near(at(kSize - 1, 3), 255, 0, 0));
  EXPECT_TRUE(Near(at(0, 4), 0, 0, 255));
  EXPECT_TRUE(Near(at(kSize - 1, kSize - 1), 0, 0, 255));
}

// Where no display answers there is no window, rather than one on SDL's offscreen driver
// that the player never sees.
TEST(GameWindow, NoDisplayGivesAnErrorNotAnInvisibleWindow) {
  const char* was = std::getenv("DISPLAY");
  const std::string display = was ? was : "";
  const char* wasDriver = std::getenv("SDL_VIDEODRIVER");
  const std::string driver = wasDriver ? wasDriver : "";
  setenv("DISPLAY", ":9876", 1);  // nothing listens there
  unsetenv("SDL_VIDEODRIVER");
  WindowSettings s;
  s.Width = s.Height = 32;
  std::string error;
  SDL_Window* window = CreateGameWindow(s, &error);
  EXPECT_EQ(window, nullptr) << "made on SDL's " << SDL_GetCurrentVideoDriver() << " driver";
  EXPECT_EQ(error.rfind("SDL video: ", 0), 0u) << error;
  DestroyGameWindow(window);
  setenv("DISPLAY", display.c_str(), 1);
  if (wasDriver) setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
}

// A texture made for one window's context, drawn in a second window after the first is
// gone: uploaded again and shown right.
TEST(GLDeviceLifetime, TexturesOutliveTheirWindow) {
  Texture* tex = nullptr;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    WindowSettings s;
    s.Width = s.Height = 64;
    SDL_Window* window = CreateGameWindow(s);
    ASSERT_NE(window, nullptr);
    Direct3D* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = 1;
    Device* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &pp, &dev), D3D_OK);
    if (!tex) {
      ASSERT_EQ(dev->CreateTexture(1, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
      tex->LevelBytes[0] = {0, 255, 255, 0};  // yellow
      tex->Version++;
    }
    VertexBuffer* quad = nullptr;  // fills the screen with identity matrices
    ASSERT_EQ(dev->CreateVertexBuffer(64, 0, 0x042, D3DPOOL_DEFAULT, &quad), D3D_OK);
    const FadeVertex v[4] = {{-1, 1, 0.5f, ~0u}, {1, 1, 0.5f, ~0u}, {-1, -1, 0.5f, ~0u}, {1, -1, 0.5f, ~0u}};
    uint8_t* bytes = nullptr;
    ASSERT_EQ(quad->Lock(0, 0, &bytes, 0), D3D_OK);
    std::memcpy(bytes, v, sizeof v);
    quad->Unlock();
    dev->SetRenderState(D3DRS_LIGHTING, 0);
    dev->SetTexture(0, tex);
    dev->SetStreamSource(0, quad, 16);
    dev->SetVertexShader(0x042);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    uint8_t rgba[4] = {};
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    EXPECT_EQ(rgba[0] + rgba[1] + rgba[2], 255 + 255);
    EXPECT_EQ(rgba[2], 0);
    quad->Release();
    dev->Release();
    d3d->Release();
    DestroyGameWindow(window);
  }
  tex->Release();
}

// A 4:3 window made wide and then tall: the picture keeps its shape in the middle, D3D's
// rectangles and draws stay inside it, and the bars are black in every frame, whatever
// the back buffer held before.
TEST(GLDeviceShape, ThePictureKeepsItsShapeWithBlackBarsAtAnySize) {
  WindowSettings s;
  s.Width = 320;
  s.Height = 240;
  s.KeepShape = true;
  SDL_Window* window = CreateGameWindow(s);
  ASSERT_NE(window, nullptr);
  Direct3D* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = 1;
  Device* dev = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &pp, &dev), D3D_OK);
  VertexBuffer* quad = nullptr;  // the whole viewport with identity matrices
  ASSERT_EQ(dev->CreateVertexBuffer(64, 0, 0x042, D3DPOOL_DEFAULT, &quad), D3D_OK);
  const FadeVertex v[4] = {{-1, 1, 0.5f, ~0u}, {1, 1, 0.5f, ~0u}, {-1, -1, 0.5f, ~0u}, {1, -1, 0.5f, ~0u}};
  uint8_t* bytes = nullptr;
  ASSERT_EQ(quad->Lock(0, 0, &bytes, 0), D3D_OK);
  std::memcpy(bytes, v, sizeof v);
  quad->Unlock();
  dev->SetRenderState(D3DRS_LIGHTING, 0);

  struct Case {
    int W, H;
    int PicX, PicY, PicW, PicH;
  };
  for (const Case c : {Case{400, 240, 40, 0, 320, 240}, Case{320, 400, 0, 80, 320, 240},
                       Case{320, 240, 0, 0, 320, 240}}) {
    SCOPED_TRACE(std::to_string(c.W) + " x " + std::to_string(c.H));
    SDL_SetWindowSize(window, c.W, c.H);
    SDL_PumpEvents();
    // GL learns the drawable's new size with a swap, as the game's next frame has.
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    int w = 0, h = 0;
    ASSERT_TRUE(GetBackBufferSize(dev, w, h));
    EXPECT_EQ(w, c.PicW);
    EXPECT_EQ(h, c.PicH);
    // Something drawn beside the device over the whole drawable: the bars must not keep it.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    InvalidateGLState(dev);
    struct {
      int32_t x1, y1, x2, y2;
    } corner{0, 0, 10, 10};  // the picture's top left, not the window's
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
    ASSERT_EQ(dev->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    dev->SetStreamSource(0, quad, 16);
    dev->SetVertexShader(0x042);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);  // the quad adds nothing: the clear shows
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(dev->EndScene(), D3D_OK);
    std::vector<uint8_t> rgb;
    int rw = 0, rh = 0;
    ASSERT_EQ(dev->ReadBackBuffer(rgb, rw, rh), D3D_OK);
    ASSERT_EQ(rw, c.W);
    ASSERT_EQ(rh, c.H);
    auto at = [&](int x, int y) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * rw + x) * 3];
      return Pixel{p[0], p[1], p[2]};
    };
    EXPECT_TRUE(Near(at(c.PicX + 2, c.PicY + 2), 255, 0, 0)) << "the rectangle";
    EXPECT_TRUE(Near(at(c.PicX + 12, c.PicY + 12), 0, 0, 255)) << "the picture";
    EXPECT_TRUE(Near(at(c.PicX + c.PicW - 1, c.PicY + c.PicH - 1), 0, 0, 255));
    if (c.PicX > 0) {
      EXPECT_TRUE(Near(at(c.PicX - 1, c.H / 2), 0, 0, 0)) << "the left bar";
      EXPECT_TRUE(Near(at(c.PicX + c.PicW, c.H / 2), 0, 0, 0)) << "the right bar";
      EXPECT_TRUE(Near(at(0, 0), 0, 0, 0));
    }
    if (c.PicY > 0) {
      EXPECT_TRUE(Near(at(c.W / 2, c.PicY - 1), 0, 0, 0)) << "the top bar";
      EXPECT_TRUE(Near(at(c.W / 2, c.PicY + c.PicH), 0, 0, 0)) << "the bottom bar";
      EXPECT_TRUE(Near(at(c.W - 1, c.H - 1), 0, 0, 0));
    }
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  }
  quad->Release();
  dev->Release();
  d3d->Release();
  DestroyGameWindow(window);
}

}  // namespace
}  // namespace zolvane
