#include "platform/device.h"

#include <algorithm>

namespace zolvane {

HRESULT VertexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t /*flags*/) {
  if (!data || offset > Length || (size != 0 && size > Length - offset)) return D3DERR_INVALIDCALL;
  if (!Reach(size == 0 ? Length : offset + size)) return D3DERR_INVALIDCALL;
  *data = Bytes.data() + offset;
  Locked = true;
  return D3D_OK;
}

bool VertexBuffer::Reach(uint32_t end) {
  end = std::min(end, Length);
  if (end <= Bytes.size()) return true;
  // A second lock that grew the bytes would leave the first one's pointer dangling.
  if (Locked) return false;
  Bytes.resize(end, 0);
  return true;
}

HRESULT VertexBuffer::Unlock() {
  if (!Locked) return D3DERR_INVALIDCALL;
  Locked = false;
  ++Version;
  return D3D_OK;
}

Texture::Texture(uint32_t width, uint32_t height, uint32_t levels, D3DFORMAT format)
    : Width(width), Height(height), Format(format) {
  uint32_t full = 1;
  for (uint32_t w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2))
    ++full;
  LevelBytes.resize((levels == 0 || levels > full) ? full : levels);
}

uint32_t Texture::LevelWidth(uint32_t level) const { return std::max(1u, Width >> level); }
uint32_t Texture::LevelHeight(uint32_t level) const { return std::max(1u, Height >> level); }

std::vector<uint8_t>& Texture::Level(uint32_t level) {
  std::vector<uint8_t>& bytes = LevelBytes[level];
  if (bytes.empty() && Backend) Backend->RestoreLevel(*this, level);
  const uint32_t bit = 1u << level;
  if (bytes.empty() && (Deferred & bit) && MakeLevel) MakeLevel(*this, level);
  Deferred &= ~bit;
  if (Deferred == 0) MakeLevel = nullptr;
  if (bytes.empty()) bytes.assign(static_cast<size_t>(LevelPitch(level)) * LevelHeight(level), 0);
  return bytes;
}

HRESULT Texture::LockRect(uint32_t level, D3DLOCKED_RECT* locked, const void* /*rect*/,
                          uint32_t /*flags*/) {
  if (!locked || level >= LevelBytes.size()) return D3DERR_INVALIDCALL;
  locked->Pitch = static_cast<int32_t>(LevelPitch(level));
  locked->pBits = Level(level).data();
  return D3D_OK;
}

HRESULT Texture::UnlockRect(uint32_t level) {
  if (level >= LevelBytes.size()) return D3DERR_INVALIDCALL;
  ++Version;
  return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(uint32_t length, uint32_t /*usage*/, uint32_t fvf,
                                   uint32_t /*pool*/, VertexBuffer** out) {
  if (!out || length == 0) return D3DERR_INVALIDCALL;
  *out = new VertexBuffer(length, fvf);
  return D3D_OK;
}

HRESULT Device::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t /*usage*/,
                              D3DFORMAT format, uint32_t /*pool*/, Texture** out) {
  if (!out || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  *out = new Texture(width, height, levels, format);
  return D3D_OK;
}

}  // namespace zolvane
