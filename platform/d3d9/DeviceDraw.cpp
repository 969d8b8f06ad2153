// The draw methods: gather the triangles' vertices, process them, clip, cull and rasterise.
#include "platform/d3d9/Device.h"
#include "platform/d3d9/TransformLighting.h"
#include "platform/d3d9/TriangleBatch.h"
#include "platform/d3d9/VertexShaderProcessor.h"

#include <zrqboundary.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace zrq::d3d9 {
namespace {

// Vertices a primitive count needs; 0 for types the device does not draw.
uint64_t VerticesFor(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
  case D3DPT_TRIANGLELIST:
    return 3ull * count;
  case D3DPT_TRIANGLESTRIP:
  case D3DPT_TRIANGLEFAN:
    return count + 2ull;
  default:
    return 0;
  }
}

// The i-th triangle's three positions in the primitive's vertex sequence.
void TriangleCorners(D3DPRIMITIVETYPE type, UINT i, UINT corners[3]) {
  switch (type) {
  case D3DPT_TRIANGLESTRIP:
    // Every other triangle of a strip is reversed so that all keep the first one's winding.
    corners[0] = (i & 1) ? i + 1 : i;
    corners[1] = (i & 1) ? i : i + 1;
    corners[2] = i + 2;
    return;
  case D3DPT_TRIANGLEFAN:
    corners[0] = 0;
    corners[1] = i + 1;
    corners[2] = i + 2;
    return;
  default:
    corners[0] = 3 * i;
    corners[1] = 3 * i + 1;
    corners[2] = 3 * i + 2;
    return;
  }
}

struct StreamView {
  const uint8_t *data = nullptr;
  uint64_t size = 0;
  uint64_t offset = 0;
  uint64_t stride = 0;
};

ScreenVertex Project(const ClipVertex &c, const D3DVIEWPORT9 &vp) {
  ScreenVertex s;
  const float oow = 1.0f / c.w;
  s.x = vp.X + (c.x * oow + 1.0f) * (vp.Width * 0.5f);
  s.y = vp.Y + (1.0f - c.y * oow) * (vp.Height * 0.5f);
  s.z = vp.MinZ + c.z * oow * (vp.MaxZ - vp.MinZ);
  s.oow = oow;
  std::copy(c.v, c.v + kVaryings, s.v);
  return s;
}

} // namespace

HRESULT Device::DrawTriangles(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t *indexData,
                              D3DFORMAT indexFormat, UINT indexCount, INT baseVertex,
                              const uint8_t *userVertices, UINT userStride, UINT userVertexCount) {
  const DeviceState &st = state_;
  const uint64_t needed = VerticesFor(type, primitiveCount);
  if (needed == 0) return D3DERR_INVALIDCALL;

  VertexLayout layout;
  if (st.declaration) {
    layout = st.declaration->Layout();
  } else if (!LayoutFromFVF(st.fvf, &layout)) {
    return D3DERR_INVALIDCALL;
  }
  // Fixed-function processing needs a position; a vertex shader reads what it declares.
  const VertexShaderObject *vertexShader = st.vertexShader.get();
  if (!vertexShader && layout.position.stream < 0) return D3DERR_INVALIDCALL;

  StreamView streams[kStreamCount];
  for (int s = 0; s < kStreamCount; ++s) {
    if (userVertices) {
      if (s == 0)
        streams[0] = {userVertices, static_cast<uint64_t>(userStride) * userVertexCount, 0,
                      userStride};
    } else if (st.streams[s].buffer) {
      const BufferStorage &b = st.streams[s].buffer->Storage();
      streams[s] = {b.Data(), b.Size(), st.streams[s].offset, st.streams[s].stride};
    }
  }

  // The vertex numbers of every triangle, checked against the indices there are.
  if (indexData && needed > indexCount) return D3DERR_INVALIDCALL;
  const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
  auto vertexAt = [&](UINT k) -> int64_t {
    if (!indexData) return static_cast<int64_t>(baseVertex) + k;
    uint32_t index;
    if (indexSize == 4) {
      std::memcpy(&index, indexData + static_cast<size_t>(k) * 4, 4);
    } else {
      uint16_t i16;
      std::memcpy(&i16, indexData + static_cast<size_t>(k) * 2, 2);
      index = i16;
    }
    return static_cast<int64_t>(baseVertex) + index;
  };
  std::vector<int64_t> &numbers = scratch_.vertexNumbers;
  numbers.resize(static_cast<size_t>(primitiveCount) * 3);
  int64_t lowest = INT64_MAX, highest = INT64_MIN;
  for (UINT t = 0; t < primitiveCount; ++t) {
    UINT corners[3];
    TriangleCorners(type, t, corners);
    for (int j = 0; j < 3; ++j) {
      const int64_t n = vertexAt(corners[j]);
      numbers[3 * t + j] = n;
      lowest = std::min(lowest, n);
      highest = std::max(highest, n);
    }
  }
  if (lowest < 0) return D3DERR_INVALIDCALL;

  // Every attribute of the highest vertex must lie inside its stream's data.
  auto checkAttribute = [&](const AttributeSource &a) {
    if (a.stream < 0) return true;
    const StreamView &sv = streams[a.stream];
    if (!sv.data) return false;
    const uint64_t end =
        sv.offset + static_cast<uint64_t>(highest) * sv.stride + a.offset + SizeOfDeclType(a.type);
    return end <= sv.size;
  };
  bool ok = checkAttribute(layout.position) && checkAttribute(layout.normal) &&
            checkAttribute(layout.diffuse) && checkAttribute(layout.specular);
  for (const auto &t : layout.texCoord) ok = ok && checkAttribute(t);
  if (!ok) return D3DERR_INVALIDCALL;

  Surface *rt = renderTarget_.get();
  if (!rt) return D3DERR_INVALIDCALL;
  const PixelBuffer &target = rt->Pixels();
  DrawSurfaces surfaces{reinterpret_cast<uint32_t *>(target.bits.get()),
                        static_cast<int>(target.pitch / 4),
                        static_cast<int>(target.width),
                        static_cast<int>(target.height),
                        target.format == D3DFMT_A8R8G8B8,
                        nullptr,
                        0,
                        0,
                        0,
                        false,
                        nullptr};
  if (Surface *ds = depthStencil_.get()) {
    const PixelBuffer &words = ds->Pixels();
    surfaces.depth = reinterpret_cast<uint32_t *>(words.bits.get());
    surfaces.depthPitch = static_cast<int>(words.pitch / 4);
    surfaces.depthWidth = static_cast<int>(words.width);
    surfaces.depthHeight = static_cast<int>(words.height);
    surfaces.depthHasStencil = HasStencil(words.format);
    surfaces.heldDepth = &ds->HeldDepth();
  }
  PixelSetup setup;
  ResolvePixelSetup(st, surfaces, disableFastPaths_ ? FastPaths::Off : FastPaths::Allowed, &setup);
  if (setup.pixelShader) {
    std::vector<float> &registers = scratch_.shaderRegisters;
    if (registers.empty()) registers.resize(kShaderRegisterFloats + 16);
    const auto address = reinterpret_cast<uintptr_t>(registers.data());
    setup.shaderRegisters = registers.data() + ((64 - address % 64) % 64) / sizeof(float);
    if (setup.shaderPath.prepare && setup.shaderPath.prepare(setup, &scratch_.shaderSteps))
      setup.shaderSteps = &scratch_.shaderSteps;
  }

  // Process each vertex once when the range is compact; otherwise each corner on its own.
  const VertexProcessor processor(st, layout);
  std::optional<VertexShaderProcessor> shaderProcessor;
  if (vertexShader)
    shaderProcessor.emplace(st, vertexShader->Program(), st.pixelShader.get() != nullptr);
  auto fetch = [&](int64_t n, ClipVertex *out) {
    VertexInput in{};
    auto read = [&](const AttributeSource &a, float *dst) {
      const StreamView &sv = streams[a.stream];
      ReadAttribute(sv.data + sv.offset + static_cast<uint64_t>(n) * sv.stride + a.offset, a.type,
                    dst);
    };
    if (layout.position.stream >= 0) read(layout.position, in.position);
    if (!vertexShader && !layout.pretransformed && SizeOfDeclType(layout.position.type) >= 12)
      in.position[3] = 1.0f;
    if ((in.hasNormal = layout.normal.stream >= 0)) read(layout.normal, in.normal);
    if ((in.hasDiffuse = layout.diffuse.stream >= 0)) read(layout.diffuse, in.diffuse);
    if ((in.hasSpecular = layout.specular.stream >= 0)) read(layout.specular, in.specular);
    for (int i = 0; i < kMaxTexCoords; ++i)
      if (layout.texCoord[i].stream >= 0) read(layout.texCoord[i], in.texCoord[i]);
    if (shaderProcessor)
      shaderProcessor->Run(in, out);
    else
      processor.Run(in, out);
  };
  const uint64_t range = static_cast<uint64_t>(highest - lowest) + 1;
  const bool cached = range <= std::max<uint64_t>(numbers.size(), 65536);
  std::vector<ClipVertex> &vertices = scratch_.vertices;
  if (cached) {
    vertices.resize(range);
    for (uint64_t i = 0; i < range; ++i) fetch(lowest + static_cast<int64_t>(i), &vertices[i]);
  } else {
    vertices.resize(numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i) fetch(numbers[i], &vertices[i]);
  }

  const DWORD cull = st.renderStates[D3DRS_CULLMODE];
  const D3DVIEWPORT9 &vp = st.viewport;
  TriangleBatch batch(setup, scratch_.triangles, scratch_.runs);
  auto drawScreen = [&](const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c) {
    const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    // y points down: a positive area is a clockwise triangle on screen.
    if (cull == D3DCULL_CCW && area < 0.0f) return;
    if (cull == D3DCULL_CW && area > 0.0f) return;
    batch.Add(a, b, c, area < 0.0f);
  };
  for (UINT t = 0; t < primitiveCount; ++t) {
    ClipVertex corner[3];
    for (int j = 0; j < 3; ++j) {
      const size_t slot = cached ? static_cast<size_t>(numbers[3 * t + j] - lowest) : 3 * t + j;
      corner[j] = vertices[slot];
    }
    if (setup.flatShading)
      for (int j = 1; j < 3; ++j) std::copy(corner[0].v, corner[0].v + 4, corner[j].v);
    if (InsideClipVolume(corner[0]) && InsideClipVolume(corner[1]) && InsideClipVolume(corner[2])) {
      drawScreen(Project(corner[0], vp), Project(corner[1], vp), Project(corner[2], vp));
      continue;
    }
    ClipVertex polygon[kMaxClipped];
    const int count = ClipTriangle(corner[0], corner[1], corner[2], polygon);
    if (count < 3) continue;
    ScreenVertex screen[kMaxClipped];
    for (int i = 0; i < count; ++i) screen[i] = Project(polygon[i], vp);
    for (int i = 1; i + 1 < count; ++i) drawScreen(screen[0], screen[i], screen[i + 1]);
  }
  batch.Flush();
  return D3D_OK;
}

STDMETHODIMP Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                   UINT PrimitiveCount) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    if (PrimitiveCount)
      hr = DrawTriangles(PrimitiveType, PrimitiveCount, nullptr, D3DFMT_UNKNOWN, 0,
                         static_cast<INT>(std::min<UINT>(StartVertex, INT32_MAX)), nullptr, 0, 0);
    return hr;
  });
  recorder_.Record("DrawPrimitive",
                   {static_cast<DWORD>(PrimitiveType), StartVertex, PrimitiveCount}, nullptr, hr,
                   "%u, %u, %u", static_cast<unsigned>(PrimitiveType), StartVertex, PrimitiveCount);
  return hr;
}

STDMETHODIMP Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                          UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                          UINT primCount) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    const IndexBuffer *ib = state_.indices.get();
    if (!ib) {
      hr = D3DERR_INVALIDCALL;
    } else if (primCount) {
      const BufferStorage &b = ib->Storage();
      const UINT size = ib->Format() == D3DFMT_INDEX32 ? 4 : 2;
      const UINT available = b.Size() / size;
      if (startIndex > available)
        hr = D3DERR_INVALIDCALL;
      else
        hr = DrawTriangles(PrimitiveType, primCount,
                           b.Data() + static_cast<size_t>(startIndex) * size, ib->Format(),
                           available - startIndex, BaseVertexIndex, nullptr, 0, 0);
    }
    return hr;
  });
  recorder_.Record("DrawIndexedPrimitive",
                   {static_cast<DWORD>(PrimitiveType), static_cast<DWORD>(BaseVertexIndex),
                    MinVertexIndex, NumVertices, startIndex, primCount},
                   nullptr, hr, "%u, %d, %u, %u, %u, %u", static_cast<unsigned>(PrimitiveType),
                   BaseVertexIndex, MinVertexIndex, NumVertices, startIndex, primCount);
  return hr;
}

STDMETHODIMP Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                     const void *pVertexStreamZeroData,
                                     UINT VertexStreamZeroStride) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    const uint64_t count = VerticesFor(PrimitiveType, PrimitiveCount);
    if (!pVertexStreamZeroData || VertexStreamZeroStride == 0 || count > UINT32_MAX)
      hr = D3DERR_INVALIDCALL;
    else if (PrimitiveCount)
      hr = DrawTriangles(PrimitiveType, PrimitiveCount, nullptr, D3DFMT_UNKNOWN, 0, 0,
                         static_cast<const uint8_t *>(pVertexStreamZeroData),
                         VertexStreamZeroStride, static_cast<UINT>(count));
    return hr;
  });
  // As on Direct3D 9, a draw from user memory leaves no stream 0 bound.
  if (SUCCEEDED(hr)) state_.streams[0] = StreamSource();
  recorder_.Record("DrawPrimitiveUP",
                   {static_cast<DWORD>(PrimitiveType), PrimitiveCount, VertexStreamZeroStride},
                   pVertexStreamZeroData, hr, "%u, %u, %u", static_cast<unsigned>(PrimitiveType),
                   PrimitiveCount, VertexStreamZeroStride);
  return hr;
}

STDMETHODIMP Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                            UINT NumVertices, UINT PrimitiveCount,
                                            const void *pIndexData, D3DFORMAT IndexDataFormat,
                                            const void *pVertexStreamZeroData,
                                            UINT VertexStreamZeroStride) {
  HRESULT hr = D3D_OK;
  hr = ZrqComBoundary([&] {
    const uint64_t count = VerticesFor(PrimitiveType, PrimitiveCount);
    const uint64_t vertexCount = static_cast<uint64_t>(MinVertexIndex) + NumVertices;
    if (!pIndexData || !pVertexStreamZeroData || VertexStreamZeroStride == 0 ||
        count > UINT32_MAX || vertexCount > UINT32_MAX ||
        (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32))
      hr = D3DERR_INVALIDCALL;
    else if (PrimitiveCount)
      hr = DrawTriangles(PrimitiveType, PrimitiveCount, static_cast<const uint8_t *>(pIndexData),
                         IndexDataFormat, static_cast<UINT>(count), 0,
                         static_cast<const uint8_t *>(pVertexStreamZeroData),
                         VertexStreamZeroStride, static_cast<UINT>(vertexCount));
    return hr;
  });
  if (SUCCEEDED(hr)) {
    state_.streams[0] = StreamSource();
    state_.indices.Reset(nullptr);
  }
  recorder_.Record("DrawIndexedPrimitiveUP",
                   {static_cast<DWORD>(PrimitiveType), MinVertexIndex, NumVertices, PrimitiveCount},
                   pVertexStreamZeroData, hr, "%u, %u, %u, %u",
                   static_cast<unsigned>(PrimitiveType), MinVertexIndex, NumVertices,
                   PrimitiveCount);
  return hr;
}

} // namespace zrq::d3d9
