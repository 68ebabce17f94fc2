// The resources every backend shares: vertex buffers that hold only what their locks
// reached, texture levels made when first asked for.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/device.h"

namespace zolvane {
namespace {

TEST(VertexBuffer, GrowsAsFarAsItsLocksReachKeepingWhatWasWritten) {
  VertexBuffer vb(3600, 0x152);
  uint8_t *p = nullptr, *q = nullptr;
  ASSERT_EQ(vb.Lock(0, 36, &p, 0), D3D_OK);
  std::memset(p, 7, 36);
  EXPECT_EQ(vb.Lock(36, 36, &q, 0), D3DERR_INVALIDCALL);  // would move the bytes under p
  ASSERT_EQ(vb.Unlock(), D3D_OK);
  ASSERT_EQ(vb.Lock(720, 36, &p, 0), D3D_OK);
  std::memset(p, 9, 36);
  ASSERT_EQ(vb.Unlock(), D3D_OK);
  ASSERT_EQ(vb.Bytes.size(), 756u);
  EXPECT_EQ(vb.Bytes[35], 7);  // kept through the move
  EXPECT_EQ(vb.Bytes[36], 0);  // never written: zeros
  EXPECT_EQ(vb.Bytes[755], 9);
  ASSERT_EQ(vb.Lock(0, 0, &p, 0), D3D_OK);  // size 0 reaches the end
  EXPECT_EQ(vb.Bytes.size(), 3600u);
}

// Hands back level 1, as a backend does that let the CPU copy go.
struct HoldingBackend : BackendData {
  bool RestoreLevel(Texture& t, uint32_t level) override {
    if (level != 1) return false;
    t.LevelBytes[1].assign(8, 0xAB);
    return true;
  }
};

TEST(Texture, LevelsComeFromTheBackendThenTheirMakerThenZeros) {
  Texture t(4, 4, 0, D3DFMT_A8R8G8B8);
  t.Backend = std::make_unique<HoldingBackend>();
  int made = 0;
  t.Deferred = 0b110;
  t.MakeLevel = [&made](Texture& tex, uint32_t level) {
    ++made;
    tex.LevelBytes[level].assign(4, uint8_t(level));
  };
  EXPECT_EQ(t.Level(1)[0], 0xAB);
  EXPECT_EQ(made, 0);
  D3DLOCKED_RECT r{};
  ASSERT_EQ(t.LockRect(2, &r, nullptr, 0), D3D_OK);
  EXPECT_EQ(static_cast<uint8_t*>(r.pBits)[0], 2);
  EXPECT_EQ(t.Level(2)[0], 2);
  EXPECT_EQ(made, 1);
  EXPECT_FALSE(t.MakeLevel);  // nothing left to make: let go
  EXPECT_EQ(t.Level(0), std::vector<uint8_t>(64, 0));
}

}  // namespace
}  // namespace zolvane
