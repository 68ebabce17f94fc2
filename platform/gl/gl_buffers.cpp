// The GL device's vertex buffers: the bytes the locks reached, in a GL buffer object.
#include <algorithm>
#include <cmath>

#include "platform/gl/gl_device_internal.h"

namespace zolvane {

using namespace gldevice;

HRESULT GLDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                     VertexBuffer** out) {
  if (out) *out = nullptr;
  if (fvf != 0 && length < VertexSize(fvf)) return D3DERR_INVALIDCALL;
  return Device::CreateVertexBuffer(length, usage, fvf, pool, out);
}

bool GLDevice::PrepareBuffer(VertexBuffer* vb, GLBufferData*& data) {
  data = dynamic_cast<GLBufferData*>(vb->Backend.get());
  if (!data || data->Context != Context || !*data->ContextAlive) {
    auto fresh = std::make_unique<GLBufferData>();
    fresh->Context = Context;
    fresh->ContextAlive = ContextAlive;
    GL.GenBuffers(1, &fresh->Name);
    data = fresh.get();
    vb->Backend = std::move(fresh);
  }
  // A draw past the locked bytes grows them (zeros) without a new version.
  if (data->Uploaded && data->Version == vb->Version && data->UploadedSize == vb->Bytes.size())
    return true;
  GL.BindBuffer(GL_ARRAY_BUFFER, data->Name);
  if (!GL.Bgra && (vb->FVF & D3DFVF_DIFFUSE) && (vb->FVF & kFvfPositionMask) == D3DFVF_XYZ) {
    // No BGRA colour arrays: upload a copy with the colours' red and blue swapped.
    std::vector<uint8_t> copy = vb->Bytes;
    const uint32_t size = VertexSize(vb->FVF);
    const uint32_t off = 12 + ((vb->FVF & D3DFVF_NORMAL) ? 12 : 0);
    for (size_t v = 0; v + size <= copy.size(); v += size) std::swap(copy[v + off], copy[v + off + 2]);
    GL.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(copy.size()), copy.data(), GL_STATIC_DRAW);
  } else {
    // Only what the locks reached: a model buffer's unwritten capacity never reaches GL.
    GL.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vb->Bytes.size()), vb->Bytes.data(),
                  GL_STATIC_DRAW);
  }
  data->Version = vb->Version;
  data->UploadedSize = vb->Bytes.size();
  data->Uploaded = true;
  A.ArraysSerial = 0;  // the binding changed under the array setup
  return true;
}

Sphere GLDevice::DrawBounds(uint32_t first, uint32_t count, GLBufferData* data) {
  if (data->BoundsVersion != Stream->Version) {
    data->Bounds.clear();
    data->BoundsVersion = Stream->Version;
  }
  const uint64_t key = static_cast<uint64_t>(first) << 32 | count;
  auto it = data->Bounds.find(key);
  if (it != data->Bounds.end()) return it->second;
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
  const uint8_t* base = Stream->Bytes.data() + static_cast<size_t>(first) * Stride;
  for (uint32_t v = 0; v < count; ++v) {
    float p[3];
    std::memcpy(p, base + static_cast<size_t>(v) * Stride, 12);
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  Sphere s{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2, 0};
  float r2 = 0;
  for (uint32_t v = 0; v < count; ++v) {
    float p[3];
    std::memcpy(p, base + static_cast<size_t>(v) * Stride, 12);
    const float dx = p[0] - s.X, dy = p[1] - s.Y, dz = p[2] - s.Z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  }
  s.R = std::sqrt(r2);
  if (data->Bounds.size() > 4096) data->Bounds.clear();
  data->Bounds[key] = s;
  return s;
}

}  // namespace zolvane
