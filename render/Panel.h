// A panel: one textured quad that owns a range of the renderer's shared vertex buffer and a
// range of its shared index buffer. It writes its quad into those ranges and moves its vertices
// on the processor; the shared draw reads its flags and ranges.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <memory>

#include "render/ListNode.h"
#include "render/SharedVertex.h"

class Panel : public ListNode {
public:
  Panel();
  ~Panel() override;

  // A new, unattached panel, or null when there is no memory for one.
  [[nodiscard]] static std::unique_ptr<Panel> Create() noexcept;

  // Binds the panel to its ranges. Each half is ignored while that range is locked. The buffers
  // are borrowed: the renderer owns them and repeats this call whenever it recreates them.
  void AssignRanges(IDirect3DVertexBuffer9 *vertices, UINT firstVertex, UINT vertexTotal,
                    IDirect3DIndexBuffer9 *indices, UINT firstIndex, UINT indexTotal);

  // Lock the panel's own range (flags 0); false, with nothing changed, when there is no buffer,
  // the range is already locked or the buffer's Lock does not return exactly S_OK.
  bool LockVertices();
  bool LockIndices();
  // False when there is no buffer or the range is not locked; otherwise the range counts as
  // unlocked afterwards whatever Unlock said, and the result is whether it said S_OK.
  bool UnlockVertices();
  bool UnlockIndices();

  // Writes a width × height quad centred on the origin in z = 0, texture corners (uLeft, vBottom)
  // at the bottom left and (uRight, vTop) at the top right, as two triangles. Needs ranges of at
  // least 4 vertices and 6 indices; anything smaller is refused (false) and nothing is written.
  bool SetQuad(float width, float height, float uLeft, float vBottom, float uRight, float vTop);

  // Move every vertex of the panel by a translation or a turn about z (positive angles turn
  // counter-clockwise with y up).
  bool Translate(float x, float y, float z);
  bool RotateZ(float angle);

  // Transforms every vertex by m (row vectors, translation in the fourth row). Normals take the
  // same matrix, fourth row included, and are then normalised; a normal too short to normalise
  // becomes (0, 0, 0). A range that was locked before the call stays locked.
  bool ApplyMatrix(const D3DMATRIX &m);

  SharedVertex *lockedVertices = nullptr;
  uint16_t *lockedIndices = nullptr;
  UINT baseVertex = 0;
  UINT startIndex = 0;
  UINT vertexCount = 0;
  UINT indexCount = 0;
  IDirect3DVertexBuffer9 *vertexBuffer = nullptr;
  IDirect3DIndexBuffer9 *indexBuffer = nullptr;
  int verticesLocked = 0;
  int indicesLocked = 0;
  D3DMATRIX worldMatrix;
  int useWorldMatrix = 0;
  int visible = 1;
};
