// The GL device's lights, material and the other render and texture-stage states: D3D's
// values as set, translated into GL's when a draw needs them.
#include <algorithm>
#include <cmath>

#include "platform/gl/gl_device_internal.h"

namespace zolvane {

using namespace gldevice;

namespace {

GLenum CompareToGL(uint32_t f) {
  static const GLenum table[] = {GL_NEVER,   GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                 GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return f >= kCmpNever && f <= kCmpAlways ? table[f] : GL_ALWAYS;
}

GLenum BlendToGL(uint32_t b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

// Stage 0's D3D argument as a GL_COMBINE source and operand. At stage 0 "current" is the
// diffuse colour; the vertex's specular colour is not a separate input here and stands
// in as diffuse.
void ArgToGL(uint32_t arg, bool alpha, GLint& src, GLint& op) {
  switch (arg & kTaSelectMask) {
    case D3DTA_TEXTURE: src = GL_TEXTURE; break;
    case kTaTFactor: src = GL_CONSTANT; break;
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT:
    case kTaSpecular:
    default: src = GL_PRIMARY_COLOR; break;
  }
  const bool complement = (arg & kTaComplement) != 0;
  if (alpha || (arg & kTaAlphaReplicate))
    op = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
  else
    op = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

void OpToGL(uint32_t op, uint32_t arg1, uint32_t arg2, bool alpha, GLint& mode, GLint& src0,
            GLint& op0, GLint& src1, GLint& op1, GLint& scale) {
  scale = 1;
  uint32_t a0 = arg1, a1 = arg2;
  switch (op) {
    case D3DTOP_DISABLE: mode = GL_REPLACE; a0 = a1 = D3DTA_DIFFUSE; break;
    case D3DTOP_SELECTARG1: mode = GL_REPLACE; break;
    case D3DTOP_SELECTARG2: mode = GL_REPLACE; a0 = arg2; break;
    case kTopModulate2x: mode = GL_MODULATE; scale = 2; break;
    case kTopModulate4x: mode = GL_MODULATE; scale = 4; break;
    case kTopAdd: mode = GL_ADD; break;
    case kTopAddSigned: mode = GL_ADD_SIGNED; break;
    case kTopAddSigned2x: mode = GL_ADD_SIGNED; scale = 2; break;
    case kTopSubtract: mode = GL_SUBTRACT; break;
    case D3DTOP_MODULATE:
    default: mode = GL_MODULATE; break;  // the blends the game never asks for
  }
  ArgToGL(a0, alpha, src0, op0);
  ArgToGL(a1, alpha, src1, op1);
}

}  // namespace

HRESULT GLDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
  if (state >= kMaxRenderState) return D3DERR_INVALIDCALL;
  RS[state] = value;
  return D3D_OK;
}

HRESULT GLDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                       uint32_t value) {
  if (stage >= kStages || type >= kMaxStageState) return D3DERR_INVALIDCALL;
  TSS[stage][type] = value;
  return D3D_OK;
}

HRESULT GLDevice::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  Material = *material;
  return D3D_OK;
}

HRESULT GLDevice::SetLight(uint32_t index, const D3DLIGHT8* light) {
  if (!light) return D3DERR_INVALIDCALL;
  if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  if (light->Range < 0) return D3DERR_INVALIDCALL;
  const D3DVECTOR& d = light->Direction;
  if (light->Type != D3DLIGHT_POINT && d.x == 0 && d.y == 0 && d.z == 0) return D3DERR_INVALIDCALL;
  Lights[index] = *light;
  if (index < kGLLights) LightSerial[index] = NextSerial++;
  return D3D_OK;
}

HRESULT GLDevice::LightEnable(uint32_t index, bool enable) {
  if (index >= kGLLights) return D3DERR_INVALIDCALL;
  if (enable && !Lights.count(index)) {
    // Enabling a light never set gives D3D's default: white, directional, along +z.
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 0};
    l.Direction = {0, 0, 1};
    Lights[index] = l;
    LightSerial[index] = NextSerial++;
  }
  LightOn[index] = enable;
  return D3D_OK;
}

void GLDevice::ApplyRenderStates() {
  const int depthTest = RS[D3DRS_ZENABLE] != D3DZB_FALSE && DepthBits > 0;
  if (Changed(A.DepthTest, depthTest)) Enable(GL_DEPTH_TEST, depthTest);
  if (Changed(A.DepthMask, RS[D3DRS_ZWRITEENABLE] ? 1 : 0))
    glDepthMask(A.DepthMask ? GL_TRUE : GL_FALSE);
  if (Changed(A.DepthFunc, CompareToGL(RS[D3DRS_ZFUNC]))) glDepthFunc(A.DepthFunc);

  // D3D's winding is the one seen on screen, as GL's is: culling CCW keeps the clockwise.
  const uint32_t cull = RS[D3DRS_CULLMODE];
  const int cullOn = cull == D3DCULL_CW || cull == D3DCULL_CCW;
  if (Changed(A.Cull, cullOn)) Enable(GL_CULL_FACE, cullOn);
  if (cullOn && Changed(A.FrontFace, static_cast<GLenum>(cull == D3DCULL_CCW ? GL_CW : GL_CCW)))
    glFrontFace(A.FrontFace);

  const uint32_t fill = RS[D3DRS_FILLMODE];
  const GLenum mode = fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
  if (Changed(A.PolygonMode, mode)) glPolygonMode(GL_FRONT_AND_BACK, mode);
  if (Changed(A.ShadeModel, static_cast<GLenum>(RS[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH)))
    glShadeModel(A.ShadeModel);

  if (Changed(A.Blend, RS[D3DRS_ALPHABLENDENABLE] ? 1 : 0)) Enable(GL_BLEND, A.Blend);
  if (A.Blend) {
    const GLenum src = BlendToGL(RS[D3DRS_SRCBLEND]), dst = BlendToGL(RS[D3DRS_DESTBLEND]);
    if (src != A.BlendSrc || dst != A.BlendDst) {
      A.BlendSrc = src;
      A.BlendDst = dst;
      glBlendFunc(src, dst);
    }
  }
  if (Changed(A.AlphaTest, RS[D3DRS_ALPHATESTENABLE] ? 1 : 0)) Enable(GL_ALPHA_TEST, A.AlphaTest);
  if (A.AlphaTest) {
    const GLenum func = CompareToGL(RS[kRsAlphaFunc]);
    const float ref = static_cast<float>(RS[kRsAlphaRef] & 0xFF) / 255.0f;
    if (func != A.AlphaFunc || ref != A.AlphaRef) {
      A.AlphaFunc = func;
      A.AlphaRef = ref;
      glAlphaFunc(func, ref);
    }
  }
  if (Changed(A.Dither, RS[D3DRS_DITHERENABLE] ? 1 : 0)) Enable(GL_DITHER, A.Dither);

  if (Changed(A.Lighting, RS[D3DRS_LIGHTING] ? 1 : 0)) Enable(GL_LIGHTING, A.Lighting);
  if (A.Lighting) {
    if (Changed(A.Normalize, RS[D3DRS_NORMALIZENORMALS] ? 1 : 0)) Enable(GL_NORMALIZE, A.Normalize);
    if (Changed(A.LocalViewer, RS[kRsLocalViewer] ? 1 : 0))
      glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, A.LocalViewer);
    if (Changed(A.Ambient, static_cast<int64_t>(RS[D3DRS_AMBIENT]))) {
      GLfloat c[4];
      ColourToFloats(RS[D3DRS_AMBIENT], c);
      glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c);
    }
  }
}

void GLDevice::ApplyTextureStage() {
  const uint32_t* s = TSS[0];
  CombineSetup c{};
  uint32_t colourOp = s[D3DTSS_COLOROP], alphaOp = s[D3DTSS_ALPHAOP];
  if (colourOp == D3DTOP_DISABLE) alphaOp = D3DTOP_DISABLE;  // the whole stage is off
  OpToGL(colourOp, s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2], false, c.Rgb, c.RgbSrc0, c.RgbOp0,
         c.RgbSrc1, c.RgbOp1, c.RgbScale);
  OpToGL(alphaOp, s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2], true, c.Alpha, c.AlphaSrc0,
         c.AlphaOp0, c.AlphaSrc1, c.AlphaOp1, c.AlphaScale);
  c.Factor = RS[kRsTextureFactor];
  if (!A.CombineValid || !(A.Combine == c)) {
    A.Combine = c;
    A.CombineValid = true;
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, c.Rgb);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, c.RgbSrc0);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, c.RgbOp0);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, c.RgbSrc1);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, c.RgbOp1);
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE, c.RgbScale);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, c.Alpha);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_ALPHA, c.AlphaSrc0);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, c.AlphaOp0);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, c.AlphaSrc1);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, c.AlphaOp1);
    glTexEnvi(GL_TEXTURE_ENV, GL_ALPHA_SCALE, c.AlphaScale);
    GLfloat factor[4];
    ColourToFloats(c.Factor, factor);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
  }

  ApplyStageTexture();
}

void GLDevice::ApplyMaterialAndColour(bool vertexHasDiffuse) {
  // Vertex colours feed lighting as D3D's COLORVERTEX does: the diffuse (and so the lit
  // alpha) from the vertex when it has a colour, the rest from the material.
  int track = -1;
  if (A.Lighting && RS[D3DRS_COLORVERTEX] && vertexHasDiffuse) {
    const bool diffuse = RS[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool ambient = RS[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool emissive = RS[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    // GL tracks one property (or ambient and diffuse together); diffuse wins.
    if (diffuse && ambient) track = GL_AMBIENT_AND_DIFFUSE;
    else if (diffuse) track = GL_DIFFUSE;
    else if (ambient) track = GL_AMBIENT;
    else if (emissive) track = GL_EMISSION;
  }
  if (Changed(A.ColorMaterial, track)) {
    if (track < 0) {
      glDisable(GL_COLOR_MATERIAL);
      A.MaterialValid = false;  // tracking overwrote the material's colours
    } else {
      glColorMaterial(GL_FRONT_AND_BACK, static_cast<GLenum>(track));
      glEnable(GL_COLOR_MATERIAL);
    }
  }
  if (!A.Lighting) return;
  const bool specular = RS[D3DRS_SPECULARENABLE] != 0;
  if (A.MaterialValid && A.SpecularOn == specular &&
      std::memcmp(&A.Material, &Material, sizeof Material) == 0)
    return;
  A.Material = Material;
  A.SpecularOn = specular;
  A.MaterialValid = true;
  GLfloat c[4];
  Put(c, Material.Diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
  Put(c, Material.Ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
  Put(c, Material.Emissive);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
  // Without SPECULARENABLE D3D adds no specular light at all.
  const D3DCOLORVALUE none{0, 0, 0, 0};
  Put(c, specular ? Material.Specular : none);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(Material.Power, 0.0f, 128.0f));
}

// GL lights have no range. A light is switched off for a draw whose vertices all lie
// beyond its range, and left on for one that reaches into it: the cut-off D3D makes per
// vertex is made per draw, which for the unit-sized bricks is nearly the same picture.
bool GLDevice::LightReaches(const D3DLIGHT8& light, const Sphere& s) const {
  if (light.Type == D3DLIGHT_DIRECTIONAL) return true;
  const float dx = s.X - light.Position.x, dy = s.Y - light.Position.y, dz = s.Z - light.Position.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz) - s.R <= light.Range;
}

void GLDevice::ApplyLights(uint32_t firstVertex, uint32_t vertexCount, GLBufferData* data) {
  if (!A.Lighting) return;
  bool haveWorldSphere = false;
  Sphere world{};
  bool needUpdate[kGLLights] = {};
  bool anyUpdate = false;
  for (uint32_t i = 0; i < kGLLights; ++i) {
    int on = LightOn[i] ? 1 : 0;
    if (on) {
      const D3DLIGHT8& l = Lights[i];
      if (l.Type != D3DLIGHT_DIRECTIONAL) {
        if (!haveWorldSphere) {
          const Sphere local = DrawBounds(firstVertex, vertexCount, data);
          const float wx = local.X * World.m[0][0] + local.Y * World.m[1][0] + local.Z * World.m[2][0] + World.m[3][0];
          const float wy = local.X * World.m[0][1] + local.Y * World.m[1][1] + local.Z * World.m[2][1] + World.m[3][1];
          const float wz = local.X * World.m[0][2] + local.Y * World.m[1][2] + local.Z * World.m[2][2] + World.m[3][2];
          float scale = 0;
          for (int r = 0; r < 3; ++r)
            scale = std::max(scale, std::sqrt(World.m[r][0] * World.m[r][0] + World.m[r][1] * World.m[r][1] +
                                              World.m[r][2] * World.m[r][2]));
          world = {wx, wy, wz, local.R * scale};
          haveWorldSphere = true;
        }
        if (!LightReaches(l, world)) on = 0;
      }
    }
    if (on && (A.LightSerial[i] != LightSerial[i] || A.LightView[i] != ViewSerial)) {
      needUpdate[i] = true;
      anyUpdate = true;
    }
    if (Changed(A.LightEnabled[i], on)) Enable(GL_LIGHT0 + i, on);
  }
  if (!anyUpdate) return;
  // Positions and directions are given in world space: GL takes them through the
  // modelview at the time of the call, so the view alone must be loaded then.
  glLoadMatrixf(&View.m[0][0]);
  A.ModelWorld = A.ModelView = 0;
  for (uint32_t i = 0; i < kGLLights; ++i) {
    if (!needUpdate[i]) continue;
    const D3DLIGHT8& l = Lights[i];
    const GLenum id = GL_LIGHT0 + i;
    GLfloat c[4];
    Put(c, l.Ambient);
    glLightfv(id, GL_AMBIENT, c);
    Put(c, l.Diffuse);
    glLightfv(id, GL_DIFFUSE, c);
    Put(c, l.Specular);
    glLightfv(id, GL_SPECULAR, c);
    if (l.Type == D3DLIGHT_DIRECTIONAL) {
      const GLfloat towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0};
      glLightfv(id, GL_POSITION, towards);
      glLightf(id, GL_SPOT_CUTOFF, 180);
      glLightf(id, GL_CONSTANT_ATTENUATION, 1);
      glLightf(id, GL_LINEAR_ATTENUATION, 0);
      glLightf(id, GL_QUADRATIC_ATTENUATION, 0);
    } else {
      const GLfloat pos[4] = {l.Position.x, l.Position.y, l.Position.z, 1};
      glLightfv(id, GL_POSITION, pos);
      float a0 = l.Attenuation0, a1 = l.Attenuation1, a2 = l.Attenuation2;
      if (a0 == 0 && a1 == 0 && a2 == 0) a0 = 1;
      glLightf(id, GL_CONSTANT_ATTENUATION, a0);
      glLightf(id, GL_LINEAR_ATTENUATION, a1);
      glLightf(id, GL_QUADRATIC_ATTENUATION, a2);
      if (l.Type == D3DLIGHT_SPOT) {
        // D3D's cone has an inner and an outer angle; GL has one cut-off and an exponent.
        const GLfloat dir[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
        glLightfv(id, GL_SPOT_DIRECTION, dir);
        glLightf(id, GL_SPOT_CUTOFF, std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
        glLightf(id, GL_SPOT_EXPONENT, std::clamp(l.Falloff, 0.0f, 128.0f));
      } else {
        glLightf(id, GL_SPOT_CUTOFF, 180);
      }
    }
    A.LightSerial[i] = LightSerial[i];
    A.LightView[i] = ViewSerial;
  }
}

}  // namespace zolvane
