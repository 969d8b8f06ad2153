// Where each vertex attribute lives, from a flexible vertex format or a declaration, and how
// the declaration types read.
#include "platform/d3d9/DeviceImpl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zrq::d3d9 {
namespace {

float HalfToFloat(uint16_t h) {
  const int sign = h >> 15, exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
  float value;
  if (exponent == 0)
    value = std::ldexp(static_cast<float>(mantissa), -24);
  else if (exponent == 31)
    value = mantissa ? NAN : INFINITY;
  else
    value = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
  return sign ? -value : value;
}

template <typename T> T Load(const uint8_t *p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

} // namespace

UINT SizeOfDeclType(BYTE type) {
  switch (type) {
  case D3DDECLTYPE_FLOAT1:
    return 4;
  case D3DDECLTYPE_FLOAT2:
    return 8;
  case D3DDECLTYPE_FLOAT3:
    return 12;
  case D3DDECLTYPE_FLOAT4:
    return 16;
  case D3DDECLTYPE_D3DCOLOR:
  case D3DDECLTYPE_UBYTE4:
  case D3DDECLTYPE_UBYTE4N:
  case D3DDECLTYPE_SHORT2:
  case D3DDECLTYPE_SHORT2N:
  case D3DDECLTYPE_USHORT2N:
  case D3DDECLTYPE_UDEC3:
  case D3DDECLTYPE_DEC3N:
  case D3DDECLTYPE_FLOAT16_2:
    return 4;
  case D3DDECLTYPE_SHORT4:
  case D3DDECLTYPE_SHORT4N:
  case D3DDECLTYPE_USHORT4N:
  case D3DDECLTYPE_FLOAT16_4:
    return 8;
  default:
    return 0;
  }
}

void ReadAttribute(const uint8_t *p, BYTE type, float out[4]) {
  out[0] = out[1] = out[2] = 0.0f;
  out[3] = 1.0f;
  switch (type) {
  case D3DDECLTYPE_FLOAT4:
    out[3] = Load<float>(p + 12);
    [[fallthrough]];
  case D3DDECLTYPE_FLOAT3:
    out[2] = Load<float>(p + 8);
    [[fallthrough]];
  case D3DDECLTYPE_FLOAT2:
    out[1] = Load<float>(p + 4);
    [[fallthrough]];
  case D3DDECLTYPE_FLOAT1:
    out[0] = Load<float>(p);
    break;
  case D3DDECLTYPE_D3DCOLOR: {
    const uint32_t c = Load<uint32_t>(p);
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = (c >> 24) / 255.0f;
    break;
  }
  case D3DDECLTYPE_UBYTE4:
  case D3DDECLTYPE_UBYTE4N: {
    const float scale = type == D3DDECLTYPE_UBYTE4N ? 1.0f / 255.0f : 1.0f;
    for (int i = 0; i < 4; ++i) out[i] = p[i] * scale;
    break;
  }
  case D3DDECLTYPE_SHORT2:
  case D3DDECLTYPE_SHORT4:
  case D3DDECLTYPE_SHORT2N:
  case D3DDECLTYPE_SHORT4N: {
    const int n = (type == D3DDECLTYPE_SHORT2 || type == D3DDECLTYPE_SHORT2N) ? 2 : 4;
    const bool norm = type == D3DDECLTYPE_SHORT2N || type == D3DDECLTYPE_SHORT4N;
    for (int i = 0; i < n; ++i) {
      const float v = Load<int16_t>(p + 2 * i);
      out[i] = norm ? (v < -32767.0f ? -1.0f : v / 32767.0f) : v;
    }
    break;
  }
  case D3DDECLTYPE_USHORT2N:
  case D3DDECLTYPE_USHORT4N: {
    const int n = type == D3DDECLTYPE_USHORT2N ? 2 : 4;
    for (int i = 0; i < n; ++i) out[i] = Load<uint16_t>(p + 2 * i) / 65535.0f;
    break;
  }
  case D3DDECLTYPE_UDEC3:
  case D3DDECLTYPE_DEC3N: {
    const uint32_t w = Load<uint32_t>(p);
    for (int i = 0; i < 3; ++i) {
      const uint32_t bits = (w >> (10 * i)) & 0x3FF;
      if (type == D3DDECLTYPE_UDEC3) {
        out[i] = static_cast<float>(bits);
      } else {
        const int s = bits & 0x200 ? static_cast<int>(bits) - 1024 : static_cast<int>(bits);
        out[i] = s < -511 ? -1.0f : s / 511.0f;
      }
    }
    break;
  }
  case D3DDECLTYPE_FLOAT16_4:
    out[3] = HalfToFloat(Load<uint16_t>(p + 6));
    out[2] = HalfToFloat(Load<uint16_t>(p + 4));
    [[fallthrough]];
  case D3DDECLTYPE_FLOAT16_2:
    out[1] = HalfToFloat(Load<uint16_t>(p + 2));
    out[0] = HalfToFloat(Load<uint16_t>(p));
    break;
  default:
    break;
  }
}

bool LayoutFromFVF(DWORD fvf, VertexLayout *layout, UINT *stride) {
  *layout = VertexLayout();
  UINT offset = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
  case D3DFVF_XYZ:
    layout->position = {0, 0, D3DDECLTYPE_FLOAT3};
    offset = 12;
    break;
  case D3DFVF_XYZRHW:
    layout->position = {0, 0, D3DDECLTYPE_FLOAT4};
    layout->pretransformed = true;
    offset = 16;
    break;
  case D3DFVF_XYZW:
    layout->position = {0, 0, D3DDECLTYPE_FLOAT4};
    offset = 16;
    break;
  case D3DFVF_XYZB1:
  case D3DFVF_XYZB2:
  case D3DFVF_XYZB3:
  case D3DFVF_XYZB4:
  case D3DFVF_XYZB5: {
    // Blend weights are skipped: the device does no vertex blending.
    const UINT weights = ((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2;
    layout->position = {0, 0, D3DDECLTYPE_FLOAT3};
    offset = 12 + 4 * weights;
    break;
  }
  default:
    return false;
  }
  if (fvf & D3DFVF_NORMAL) {
    layout->normal = {0, offset, D3DDECLTYPE_FLOAT3};
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    layout->diffuse = {0, offset, D3DDECLTYPE_D3DCOLOR};
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout->specular = {0, offset, D3DDECLTYPE_D3DCOLOR};
    offset += 4;
  }
  const UINT count = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (count > kMaxTexCoords) return false;
  for (UINT i = 0; i < count; ++i) {
    static constexpr BYTE kTypes[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                       D3DDECLTYPE_FLOAT1};
    const BYTE type = kTypes[(fvf >> (16 + 2 * i)) & 3];
    layout->texCoord[i] = {0, offset, type};
    offset += SizeOfDeclType(type);
  }
  if (stride) *stride = offset;
  return true;
}

UINT StrideOfFVF(DWORD fvf) {
  VertexLayout layout;
  UINT stride = 0;
  return LayoutFromFVF(fvf, &layout, &stride) ? stride : 0;
}

bool LayoutFromElements(const D3DVERTEXELEMENT9 *elements, UINT count, VertexLayout *layout) {
  *layout = VertexLayout();
  for (UINT i = 0; i < count; ++i) {
    const D3DVERTEXELEMENT9 &e = elements[i];
    if (e.Stream >= kStreamCount || e.Type >= D3DDECLTYPE_UNUSED || e.Usage > D3DDECLUSAGE_SAMPLE ||
        e.Method > D3DDECLMETHOD_LOOKUPPRESAMPLED)
      return false;
    AttributeSource *slot = nullptr;
    switch (e.Usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
      if (e.UsageIndex == 0) {
        slot = &layout->position;
        layout->pretransformed = e.Usage == D3DDECLUSAGE_POSITIONT;
      }
      break;
    case D3DDECLUSAGE_NORMAL:
      if (e.UsageIndex == 0) slot = &layout->normal;
      break;
    case D3DDECLUSAGE_COLOR:
      if (e.UsageIndex == 0) slot = &layout->diffuse;
      if (e.UsageIndex == 1) slot = &layout->specular;
      break;
    case D3DDECLUSAGE_TEXCOORD:
      if (e.UsageIndex < kMaxTexCoords) slot = &layout->texCoord[e.UsageIndex];
      break;
    default:
      break; // read by shaders only
    }
    if (!slot) continue;
    if (slot->stream >= 0) return false; // the same usage twice
    *slot = {static_cast<int>(e.Stream), e.Offset, e.Type};
  }
  return true;
}

} // namespace zrq::d3d9
