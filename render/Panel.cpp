#include "render/Panel.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

namespace {

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// The byte window of an element range, or false when it does not fit the 32-bit arguments of
// Lock (a range that large cannot be a real panel, and a wrapped offset would lock the wrong bytes).
bool ByteRange(UINT first, UINT total, UINT elementSize, UINT &offset, UINT &size) {
  const uint64_t begin = uint64_t{first} * elementSize;
  const uint64_t length = uint64_t{total} * elementSize;
  if (begin + length > std::numeric_limits<UINT>::max()) return false;
  offset = static_cast<UINT>(begin);
  size = static_cast<UINT>(length);
  return true;
}

// Below this length a normal has no usable direction.
constexpr float kNormalEpsilon = 1.1920929e-7f;

} // namespace

Panel::Panel() : worldMatrix(IdentityMatrix()) {}

// Releases nothing: the buffers belong to the renderer.
Panel::~Panel() = default;

std::unique_ptr<Panel> Panel::Create() noexcept {
  return std::unique_ptr<Panel>(new (std::nothrow) Panel);
}

void Panel::AssignRanges(IDirect3DVertexBuffer9 *vertices, UINT firstVertex, UINT vertexTotal,
                         IDirect3DIndexBuffer9 *indices, UINT firstIndex, UINT indexTotal) {
  if (!verticesLocked) {
    vertexBuffer = vertices;
    baseVertex = firstVertex;
    vertexCount = vertexTotal;
  }
  if (!indicesLocked) {
    indexBuffer = indices;
    startIndex = firstIndex;
    indexCount = indexTotal;
  }
}

bool Panel::LockVertices() {
  if (!vertexBuffer || verticesLocked) return false;
  UINT offset = 0, size = 0;
  if (!ByteRange(baseVertex, vertexCount, kSharedVertexStride, offset, size)) return false;
  void *data = nullptr;
  if (vertexBuffer->Lock(offset, size, &data, 0) != S_OK) return false;
  lockedVertices = static_cast<SharedVertex *>(data);
  verticesLocked = 1;
  return true;
}

bool Panel::LockIndices() {
  if (!indexBuffer || indicesLocked) return false;
  UINT offset = 0, size = 0;
  if (!ByteRange(startIndex, indexCount, kSharedIndexSize, offset, size)) return false;
  void *data = nullptr;
  if (indexBuffer->Lock(offset, size, &data, 0) != S_OK) return false;
  lockedIndices = static_cast<uint16_t *>(data);
  indicesLocked = 1;
  return true;
}

bool Panel::UnlockVertices() {
  if (!vertexBuffer || !verticesLocked) return false;
  const HRESULT hr = vertexBuffer->Unlock();
  verticesLocked = 0;
  lockedVertices = nullptr;
  return hr == S_OK;
}

bool Panel::UnlockIndices() {
  if (!indexBuffer || !indicesLocked) return false;
  const HRESULT hr = indexBuffer->Unlock();
  indicesLocked = 0;
  lockedIndices = nullptr;
  return hr == S_OK;
}

bool Panel::SetQuad(float width, float height, float uLeft, float vBottom, float uRight,
                    float vTop) {
  // A quad needs four vertices and six indices of the panel's own; writing them into a smaller
  // range would overwrite the neighbouring panel or run past the buffer.
  if (vertexCount < 4 || indexCount < 6) return false;
  if (!LockVertices()) return false;
  if (!LockIndices()) {
    UnlockVertices();
    return false;
  }
  const float x = width / 2, y = height / 2;
  const SharedVertex quad[4] = {
      {-x, -y, 0, 0, 0, -1, uLeft, vBottom},
      {-x, +y, 0, 0, 0, -1, uLeft, vTop},
      {+x, -y, 0, 0, 0, -1, uRight, vBottom},
      {+x, +y, 0, 0, 0, -1, uRight, vTop},
  };
  for (int i = 0; i < 4; ++i) lockedVertices[i] = quad[i];
  vertexCount = 4;
  // Two triangles, counted from baseVertex: bottom-left, top-left, bottom-right; then
  // top-left, top-right, bottom-right.
  const uint16_t triangles[6] = {0, 1, 2, 1, 3, 2};
  for (int i = 0; i < 6; ++i) lockedIndices[i] = triangles[i];
  indexCount = 6;
  UnlockVertices();
  UnlockIndices();
  return true;
}

bool Panel::Translate(float x, float y, float z) {
  D3DMATRIX m = IdentityMatrix();
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return ApplyMatrix(m);
}

bool Panel::RotateZ(float angle) {
  const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
  const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
  D3DMATRIX m = IdentityMatrix();
  m._11 = c;
  m._12 = s;
  m._21 = -s;
  m._22 = c;
  return ApplyMatrix(m);
}

bool Panel::ApplyMatrix(const D3DMATRIX &m) {
  const bool tookLock = !verticesLocked;
  if (tookLock && !LockVertices()) return false;
  for (UINT i = 0; i < vertexCount; ++i) {
    SharedVertex &v = lockedVertices[i];
    const float x = v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41;
    const float y = v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42;
    const float z = v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43;
    v.x = x, v.y = y, v.z = z;
    // The normal takes the translation row too, so a panel moved off the origin leans its
    // normals towards the offset; only ambient light reaches the panels, so colours keep.
    float nx = v.nx * m._11 + v.ny * m._21 + v.nz * m._31 + m._41;
    float ny = v.nx * m._12 + v.ny * m._22 + v.nz * m._32 + m._42;
    float nz = v.nx * m._13 + v.ny * m._23 + v.nz * m._33 + m._43;
    const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length < kNormalEpsilon) {
      nx = ny = nz = 0.0f;
    } else {
      nx /= length, ny /= length, nz /= length;
    }
    v.nx = nx, v.ny = ny, v.nz = nz;
  }
  return tookLock ? UnlockVertices() : true;
}
