// The D3DX matrix routines: row-vector order, the helpers the renderers and hosts use.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

D3DXVECTOR3 Apply(const D3DXMATRIX &m, float x, float y, float z) {
  D3DXVECTOR3 v(x, y, z), out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

TEST(MatrixMath, MultiplyAppliesTheFirstMatrixFirst) {
  D3DXMATRIX scale, move, both;
  D3DXMatrixScaling(&scale, 2, 2, 2);
  D3DXMatrixTranslation(&move, 1, 0, 0);
  ASSERT_EQ(D3DXMatrixMultiply(&both, &scale, &move), &both);
  EXPECT_FLOAT_EQ(Apply(both, 1, 0, 0).x, 3.0f); // scaled to 2, then moved to 3
  D3DXMatrixMultiply(&both, &move, &scale);
  EXPECT_FLOAT_EQ(Apply(both, 1, 0, 0).x, 4.0f);
  // The output may be an input.
  D3DXMatrixMultiply(&scale, &scale, &move);
  EXPECT_EQ(scale, (D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 0, 0, 1)));
  EXPECT_EQ(D3DXMatrixMultiply(nullptr, &scale, &move), nullptr);
}

TEST(MatrixMath, IdentityTranslationAndRotationAboutZ) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
  D3DXMatrixTranslation(&m, 1, 2, 3);
  EXPECT_EQ(m._41, 1.0f);
  EXPECT_EQ(m._42, 2.0f);
  EXPECT_EQ(m._43, 3.0f);
  D3DXMatrixRotationZ(&m, D3DX_PI / 2);
  const D3DXVECTOR3 r = Apply(m, 1, 0, 0); // x turns toward y
  EXPECT_NEAR(r.x, 0.0f, 1e-6f);
  EXPECT_NEAR(r.y, 1.0f, 1e-6f);
}

TEST(MatrixMath, OrthographicProjectionsMapTheVolumeToClipSpace) {
  D3DXMATRIX m;
  D3DXMatrixOrthoLH(&m, 4, 2, 1, 11);
  D3DXVECTOR3 p = Apply(m, 2, -1, 1);
  EXPECT_FLOAT_EQ(p.x, 1.0f);
  EXPECT_FLOAT_EQ(p.y, -1.0f);
  EXPECT_FLOAT_EQ(p.z, 0.0f);
  EXPECT_FLOAT_EQ(Apply(m, 0, 0, 11).z, 1.0f);
  D3DXMatrixOrthoOffCenterLH(&m, 0, 8, 0, 4, 0, 1);
  p = Apply(m, 8, 0, 1);
  EXPECT_FLOAT_EQ(p.x, 1.0f);
  EXPECT_FLOAT_EQ(p.y, -1.0f);
  EXPECT_FLOAT_EQ(p.z, 1.0f);
}

TEST(MatrixMath, InverseUndoesAndSingularFails) {
  D3DXMATRIX a, b, inv, product;
  D3DXMatrixRotationZ(&a, 0.7f);
  D3DXMatrixTranslation(&b, 3, -2, 5);
  D3DXMatrixMultiply(&a, &a, &b);
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &a), nullptr);
  EXPECT_NEAR(det, 1.0f, 1e-5f);
  D3DXMatrixMultiply(&product, &a, &inv);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
  D3DXMATRIX zero;
  EXPECT_EQ(D3DXMatrixInverse(&inv, nullptr, &zero), nullptr);
}

} // namespace
