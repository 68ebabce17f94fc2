// The GL device's textures: their levels uploaded when their bytes change (the CPU copy
// then let go where GL can give it back), the smaller levels only once a filter samples
// them, the filters taken from the texture stage.
#include "platform/gl/gl_device_internal.h"

namespace zolvane {

using namespace gldevice;

bool gldevice::TextureFormatToGL(D3DFORMAT f, GLTexFormat& out) {
  switch (f) {
    case D3DFMT_A8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV}; return true;
    case D3DFMT_X8R8G8B8: out = {GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV}; return true;
    case D3DFMT_R5G6B5: out = {GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5}; return true;
    case D3DFMT_X1R5G5B5: out = {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    case D3DFMT_A1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    case D3DFMT_A4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV}; return true;
    default: return false;
  }
}

HRESULT GLDevice::SetTexture(uint32_t stage, Texture* texture) {
  if (stage >= kStages) return D3DERR_INVALIDCALL;
  Tex[stage] = texture;
  return D3D_OK;
}

HRESULT GLDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                D3DFORMAT format, uint32_t pool, Texture** out) {
  if (out) *out = nullptr;
  GLTexFormat f;
  if (!TextureFormatToGL(format, f)) return D3DERR_INVALIDCALL;
  if (width > static_cast<uint32_t>(MaxTextureSize) || height > static_cast<uint32_t>(MaxTextureSize))
    return D3DERR_INVALIDCALL;
  return Device::CreateTexture(width, height, levels, usage, format, pool, out);
}

namespace {

// Formats GL gives back bit for bit: for these the device keeps no CPU copy once a level
// is uploaded. The others (an X byte, 16-bit fields GL may widen) keep theirs.
bool HandedOver(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8; }

}  // namespace

GLTextureData::~GLTextureData() {
  if (Owner) Owner->Holding.erase(this);
  if (Name && *ContextAlive && SDL_GL_GetCurrentContext() == Context) glDeleteTextures(1, &Name);
}

bool GLTextureData::RestoreLevel(Texture& texture, uint32_t level) {
  return Owner && Owner->RestoreTextureLevel(texture, *this, level);
}

bool GLDevice::RestoreTextureLevel(Texture& tex, GLTextureData& data, uint32_t level) {
  const uint32_t bit = 1u << level;
  if (!(data.Held & bit)) return false;
  data.Held &= ~bit;
  if (!data.Held) {
    Holding.erase(&data);
    data.Owner = nullptr;
  }
  GLTexFormat f;
  std::vector<uint8_t>& bytes = tex.LevelBytes[level];
  if (!bytes.empty()) return true;  // written since, behind the lock's back: newer than GL's
  if (!*ContextAlive || !TextureFormatToGL(tex.Format, f)) return false;  // lost with its context
  MakeCurrent();
  glBindTexture(GL_TEXTURE_2D, data.Name);
  A.Texture = data.Serial;
  bytes.resize(static_cast<size_t>(tex.LevelPitch(level)) * tex.LevelHeight(level));
  glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), f.Format, f.Type, bytes.data());
  return true;
}

// Every level only this device's GL holds goes back into its texture: managed textures
// outlive their device.
void GLDevice::GiveBackTextures() {
  while (!Holding.empty()) {
    GLTextureData* data = *Holding.begin();
    for (uint32_t l = 0; l < 32; ++l) RestoreTextureLevel(*data->Tex, *data, l);
  }
}

void GLDevice::UploadLevel(Texture* tex, GLTextureData* data, uint32_t level,
                           const gldevice::GLTexFormat& f) {
  const std::vector<uint8_t>& bytes = tex->Level(level);
  glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), f.Internal,
               static_cast<GLsizei>(tex->LevelWidth(level)),
               static_cast<GLsizei>(tex->LevelHeight(level)), 0, f.Format, f.Type, bytes.data());
  data->InGL |= 1u << level;
  if (!HandedOver(tex->Format)) return;
  std::vector<uint8_t>().swap(tex->LevelBytes[level]);
  data->Held |= 1u << level;
  data->Owner = this;
  Holding.insert(data);
}

void GLDevice::SetMaxLevel(GLTextureData* data, GLint level) {
  if (Changed(data->MaxLevel, level)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level);
}

// Uploads what changed since the last draw. Level 0 is all that a draw without a mip
// filter samples; the smaller levels are uploaded (or made by GL) the first time a draw
// with one needs them.
GLTextureData* GLDevice::PrepareTexture(Texture* tex, bool mips) {
  auto* data = dynamic_cast<GLTextureData*>(tex->Backend.get());
  if (!data || data->Context != Context || !*data->ContextAlive) {
    if (data) {
      // Drawn by another device: what only the first one holds comes back first.
      for (uint32_t l = 0; l < 32 && data->Held; ++l) data->RestoreLevel(*tex, l);
      MakeCurrent();
    }
    auto fresh = std::make_unique<GLTextureData>();
    fresh->Context = Context;
    fresh->ContextAlive = ContextAlive;
    fresh->Tex = tex;
    glGenTextures(1, &fresh->Name);
    data = fresh.get();
    tex->Backend = std::move(fresh);
  }
  GLTexFormat f;
  const uint32_t levels = tex->GetLevelCount();
  const uint32_t all = (levels >= 32 ? 0u : 1u << levels) - 1;
  // Whether the smaller levels are the loader's, or made by GL from level 0 as D3D's
  // managed textures have them when nobody wrote them.
  const bool loaderMips = tex->MipsGenerated;
  if (!data->Uploaded || data->Version != tex->Version) {
    data->Usable = TextureFormatToGL(tex->Format, f) && levels > 0;
    data->Version = tex->Version;
    data->Uploaded = true;
    if (!data->Usable) return data;
    glBindTexture(GL_TEXTURE_2D, data->Name);
    A.Texture = data->Serial;
    if (data->InGL == 0) {
      // A filter without mips before the first upload: GL then makes room for level 0
      // alone, not for the whole chain.
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      data->MinFilter = GL_NEAREST;
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
      const bool glMakesThemNow = !loaderMips && !GL.GenerateMipmap;
      if (glMakesThemNow) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
      SetMaxLevel(data, glMakesThemNow ? static_cast<GLint>(levels - 1) : 0);
    }
    // Level 0 when GL lacks it or it was written, the loader's levels when written.
    if (!(data->InGL & 1) || !tex->LevelBytes[0].empty()) {
      UploadLevel(tex, data, 0, f);
      if (!loaderMips) data->InGL = GL.GenerateMipmap ? 1u : all;  // GL's levels follow it
    }
    if (loaderMips)
      for (uint32_t l = 1; l < levels; ++l)
        if (!tex->LevelBytes[l].empty()) UploadLevel(tex, data, l, f);
  }
  if (!data->Usable || !mips || levels < 2) return data;
  if (data->InGL == all && data->MaxLevel == static_cast<GLint>(levels - 1)) return data;
  TextureFormatToGL(tex->Format, f);
  if (Changed(A.Texture, data->Serial)) glBindTexture(GL_TEXTURE_2D, data->Name);
  if (loaderMips) {
    for (uint32_t l = 1; l < levels; ++l)
      if (!(data->InGL >> l & 1)) UploadLevel(tex, data, l, f);
  } else if (data->InGL != all) {
    GL.GenerateMipmap(GL_TEXTURE_2D);
    data->InGL = all;
  }
  SetMaxLevel(data, static_cast<GLint>(levels - 1));
  return data;
}

void GLDevice::ApplyStageTexture() {
  const uint32_t* s = TSS[0];
  // The texture, uploaded when its bytes changed, with the stage's filters.
  const uint32_t minF = s[D3DTSS_MINFILTER], mip = s[D3DTSS_MIPFILTER];
  GLTextureData* data = Tex[0] ? PrepareTexture(Tex[0], mip != D3DTEXF_NONE) : nullptr;
  if (data && data->Usable) {
    if (Changed(A.Texture, data->Serial)) glBindTexture(GL_TEXTURE_2D, data->Name);
    const GLint mag = s[D3DTSS_MAGFILTER] <= D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
    GLint min;
    if (mip == D3DTEXF_NONE)
      min = minF <= D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
    else if (mip == D3DTEXF_POINT)
      min = minF <= D3DTEXF_POINT ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
    else
      min = minF <= D3DTEXF_POINT ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
    // Filters are stage state in D3D but texture state in GL.
    if (Changed(data->MinFilter, min)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    if (Changed(data->MagFilter, mag)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
  } else if (Changed(A.Texture, WhiteSerial)) {
    glBindTexture(GL_TEXTURE_2D, WhiteTexture);
  }
}

}  // namespace zolvane
