#include <gtest/gtest.h>

#include <cmath>

#include "render/FakeBuffers.h"
#include "render/Panel.h"

using zrq::test::FakeIndexBuffer;
using zrq::test::FakeVertexBuffer;

namespace {

// A panel bound to vertices 4..7 and indices 6..11 of buffers with room for two quads, so that
// writes outside its own range show in the neighbour's bytes.
class PanelTest : public ::testing::Test {
protected:
  void SetUp() override {
    vb = new FakeVertexBuffer(8 * sizeof(SharedVertex));
    ib = new FakeIndexBuffer(12 * sizeof(uint16_t));
    panel.AssignRanges(vb, 4, 4, ib, 6, 6);
  }
  void TearDown() override {
    vb->Release();
    ib->Release();
  }
  const SharedVertex &Vertex(int i) {
    return *vb->At<SharedVertex>((4 + i) * sizeof(SharedVertex));
  }
  uint16_t Index(int i) { return *ib->At<uint16_t>((6 + i) * sizeof(uint16_t)); }
  bool NeighboursUntouched() {
    for (size_t i = 0; i < 4 * sizeof(SharedVertex); ++i)
      if (vb->bytes[i] != 0xCD) return false;
    for (size_t i = 0; i < 6 * sizeof(uint16_t); ++i)
      if (ib->bytes[i] != 0xCD) return false;
    return true;
  }

  FakeVertexBuffer *vb = nullptr;
  FakeIndexBuffer *ib = nullptr;
  Panel panel;
};

void ExpectVertex(const SharedVertex &v, float x, float y, float u, float vv, int line) {
  SCOPED_TRACE(line);
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, 0.0f);
  EXPECT_FLOAT_EQ(v.u, u);
  EXPECT_FLOAT_EQ(v.v, vv);
}

} // namespace

TEST_F(PanelTest, NewPanelIsVisibleUnlockedWithIdentityWorld) {
  Panel fresh;
  EXPECT_EQ(fresh.visible, 1);
  EXPECT_EQ(fresh.useWorldMatrix, 0);
  EXPECT_EQ(fresh.owner, nullptr);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(fresh.worldMatrix.m[r][c], r == c ? 1.0f : 0.0f);
  EXPECT_FALSE(fresh.LockVertices()); // no buffer yet
  EXPECT_FALSE(fresh.UnlockIndices());
}

TEST_F(PanelTest, SetQuadWritesTheQuadIntoItsOwnRanges) {
  ASSERT_TRUE(panel.SetQuad(2.0f, 1.5f, 0.0f, 1.0f, 1.0f, 0.0f));
  ExpectVertex(Vertex(0), -1.0f, -0.75f, 0.0f, 1.0f, __LINE__);
  ExpectVertex(Vertex(1), -1.0f, 0.75f, 0.0f, 0.0f, __LINE__);
  ExpectVertex(Vertex(2), 1.0f, -0.75f, 1.0f, 1.0f, __LINE__);
  ExpectVertex(Vertex(3), 1.0f, 0.75f, 1.0f, 0.0f, __LINE__);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Vertex(i).nx, 0.0f);
    EXPECT_EQ(Vertex(i).ny, 0.0f);
    EXPECT_EQ(Vertex(i).nz, -1.0f);
  }
  const uint16_t expected[6] = {0, 1, 2, 1, 3, 2};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Index(i), expected[i]) << i;
  EXPECT_TRUE(NeighboursUntouched());

  // Each range locked once, by its byte window, with flags 0, and unlocked again.
  ASSERT_EQ(vb->locks.size(), 1u);
  EXPECT_EQ(vb->locks[0].offset, 4 * 32u);
  EXPECT_EQ(vb->locks[0].size, 4 * 32u);
  EXPECT_EQ(vb->locks[0].flags, 0u);
  ASSERT_EQ(ib->locks.size(), 1u);
  EXPECT_EQ(ib->locks[0].offset, 6 * 2u);
  EXPECT_EQ(ib->locks[0].size, 6 * 2u);
  EXPECT_FALSE(vb->locked);
  EXPECT_FALSE(ib->locked);
  EXPECT_EQ(panel.verticesLocked, 0);
  EXPECT_EQ(panel.lockedVertices, nullptr);
  EXPECT_EQ(panel.lockedIndices, nullptr);
}

TEST_F(PanelTest, SetQuadShrinksALargerRangeToOneQuad) {
  panel.AssignRanges(vb, 0, 8, ib, 0, 12);
  ASSERT_TRUE(panel.SetQuad(1, 1, 0, 1, 1, 0));
  EXPECT_EQ(panel.vertexCount, 4u);
  EXPECT_EQ(panel.indexCount, 6u);
}

TEST_F(PanelTest, SetQuadRefusesRangesTooSmallForAQuad) {
  panel.AssignRanges(vb, 4, 3, ib, 6, 6);
  EXPECT_FALSE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  panel.AssignRanges(vb, 4, 4, ib, 6, 5);
  EXPECT_FALSE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  EXPECT_TRUE(vb->locks.empty());
  EXPECT_TRUE(NeighboursUntouched());
  EXPECT_EQ(vb->bytes[4 * 32], 0xCD);
}

TEST_F(PanelTest, LockFailuresLeaveTheRangesAsTheyWereAndUnlocked) {
  vb->lockResult = D3DERR_INVALIDCALL;
  EXPECT_FALSE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  EXPECT_TRUE(ib->locks.empty());

  vb->lockResult = S_OK;
  ib->lockResult = E_OUTOFMEMORY;
  EXPECT_FALSE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  EXPECT_FALSE(vb->locked); // the vertex range is given back
  EXPECT_EQ(panel.verticesLocked, 0);
  EXPECT_EQ(Index(0), 0xCDCD);

  // Only exactly S_OK counts as a lock.
  ib->lockResult = S_FALSE;
  EXPECT_FALSE(panel.LockIndices());
  EXPECT_EQ(panel.indicesLocked, 0);
}

TEST_F(PanelTest, LockingTwiceFailsAndAFailedUnlockStillUnlocks) {
  ASSERT_TRUE(panel.LockVertices());
  EXPECT_FALSE(panel.LockVertices());
  vb->unlockResult = D3DERR_INVALIDCALL;
  EXPECT_FALSE(panel.UnlockVertices());
  EXPECT_EQ(panel.verticesLocked, 0);
  EXPECT_EQ(panel.lockedVertices, nullptr);
  EXPECT_FALSE(panel.UnlockVertices()); // nothing locked any more
}

TEST_F(PanelTest, AssignRangesSkipsTheHalfThatIsLocked) {
  ASSERT_TRUE(panel.LockVertices());
  panel.AssignRanges(nullptr, 0, 8, nullptr, 0, 12);
  EXPECT_EQ(panel.vertexBuffer, vb);
  EXPECT_EQ(panel.baseVertex, 4u);
  EXPECT_EQ(panel.vertexCount, 4u);
  EXPECT_EQ(panel.indexBuffer, nullptr);
  EXPECT_EQ(panel.startIndex, 0u);
  EXPECT_EQ(panel.indexCount, 12u);
  EXPECT_TRUE(panel.UnlockVertices());
}

TEST_F(PanelTest, TranslateMovesPositionsAndTiltsNormalsTowardsTheOffset) {
  ASSERT_TRUE(panel.SetQuad(2.0f, 1.5f, 0.0f, 1.0f, 1.0f, 0.0f));
  ASSERT_TRUE(panel.Translate(0.5f, 0.0f, 0.0f));
  ExpectVertex(Vertex(0), -0.5f, -0.75f, 0.0f, 1.0f, __LINE__);
  ExpectVertex(Vertex(3), 1.5f, 0.75f, 1.0f, 0.0f, __LINE__);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(Vertex(i).nx, 0.447214f, 1e-6f);
    EXPECT_EQ(Vertex(i).ny, 0.0f);
    EXPECT_NEAR(Vertex(i).nz, -0.894427f, 1e-6f);
  }
  EXPECT_FALSE(vb->locked);
}

TEST_F(PanelTest, RotateZTurnsCounterClockwiseAndKeepsFlatNormals) {
  ASSERT_TRUE(panel.SetQuad(2.0f, 1.5f, 0.0f, 1.0f, 1.0f, 0.0f));
  ASSERT_TRUE(panel.RotateZ(static_cast<float>(M_PI / 2)));
  EXPECT_NEAR(Vertex(2).x, 0.75f, 1e-6f); // (1, -0.75)
  EXPECT_NEAR(Vertex(2).y, 1.0f, 1e-6f);
  EXPECT_NEAR(Vertex(1).x, -0.75f, 1e-6f); // (-1, 0.75)
  EXPECT_NEAR(Vertex(1).y, -1.0f, 1e-6f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(Vertex(i).nx, 0.0f, 1e-7f);
    EXPECT_NEAR(Vertex(i).ny, 0.0f, 1e-7f);
    EXPECT_FLOAT_EQ(Vertex(i).nz, -1.0f);
  }
  EXPECT_FLOAT_EQ(Vertex(2).u, 1.0f); // texture coordinates stay
  EXPECT_FLOAT_EQ(Vertex(2).v, 1.0f);
}

TEST_F(PanelTest, ANormalFlattenedToNothingBecomesZero) {
  ASSERT_TRUE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  D3DMATRIX flatten{};
  flatten._11 = flatten._22 = flatten._44 = 1.0f; // z scaled to 0
  ASSERT_TRUE(panel.ApplyMatrix(flatten));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Vertex(i).nx, 0.0f);
    EXPECT_EQ(Vertex(i).ny, 0.0f);
    EXPECT_EQ(Vertex(i).nz, 0.0f);
    EXPECT_FALSE(std::isnan(Vertex(i).nz));
  }
}

TEST_F(PanelTest, ApplyMatrixKeepsARangeLockedByTheCaller) {
  ASSERT_TRUE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  ASSERT_TRUE(panel.LockVertices());
  const int unlocksBefore = vb->unlocks;
  ASSERT_TRUE(panel.Translate(1, 0, 0));
  EXPECT_EQ(panel.verticesLocked, 1);
  EXPECT_EQ(vb->unlocks, unlocksBefore);
  EXPECT_FLOAT_EQ(panel.lockedVertices[0].x, 0.0f);
  EXPECT_TRUE(panel.UnlockVertices());
}

TEST_F(PanelTest, ApplyMatrixReportsAFailedLockOrUnlock) {
  ASSERT_TRUE(panel.SetQuad(2, 2, 0, 1, 1, 0));
  vb->lockResult = D3DERR_INVALIDCALL;
  EXPECT_FALSE(panel.Translate(1, 0, 0));
  EXPECT_FLOAT_EQ(Vertex(0).x, -1.0f);
  vb->lockResult = S_OK;
  vb->unlockResult = D3DERR_INVALIDCALL;
  EXPECT_FALSE(panel.Translate(1, 0, 0));
  EXPECT_FLOAT_EQ(Vertex(0).x, 0.0f); // written, but the unlock was not clean
  EXPECT_EQ(panel.verticesLocked, 0);
}

TEST_F(PanelTest, RangesBeyondThe32BitLockWindowAreRefused) {
  panel.AssignRanges(vb, 0x08000000u, 4, ib, 0x80000000u, 6);
  EXPECT_FALSE(panel.LockVertices());
  EXPECT_FALSE(panel.LockIndices());
  EXPECT_TRUE(vb->locks.empty());
  EXPECT_TRUE(ib->locks.empty());
}
