// The shared draw on the software device: its recorded calls, the frame's restore of what it
// wrote, and where the picture pieces land.
#include <gtest/gtest.h>

#include <map>

#include "host/common/ModelSpaceView.h"
#include "render/RecordedWrites.h"
#include "support/TestDevice.h"
#include "render/TestRenderer.h"

using zrq::test::TestDevice;
using zrq::test::TestRenderer;

namespace {

constexpr UINT kWidth = 16, kHeight = 12; // aspect 4/3: the picture is 2.0 × 1.5 in the model

uint32_t Pattern(UINT x, UINT y) {
  return 0xFF000000u | (x * 16) << 16 | (y * 20) << 8 | (x + y) * 5;
}

std::vector<uint32_t> PatternPicture() {
  std::vector<uint32_t> p(kWidth * kHeight);
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) p[y * kWidth + x] = Pattern(x, y);
  return p;
}

class SharedDrawOnDeviceTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(sw.device, nullptr);
    renderer.Attach(sw.device, 4.0f / 3.0f);
    picture = sw.Texture(kWidth, kHeight, PatternPicture());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(zrq::host::ApplyModelSpaceView(sw.device, kWidth, kHeight), S_OK);
  }

  // Recorded calls that change something, with buffers and textures by name.
  std::vector<std::string> Writes() {
    return zrq::test::RecordedWrites(sw, {{nullptr, "null"},
                                          {renderer.vertexBuffer.p, "vb"},
                                          {renderer.indexBuffer.p, "ib"},
                                          {picture.p, "picture"}});
  }

  std::vector<uint32_t> DrawFrame(IDirect3DTexture9 *const *textures, INT count) {
    sw.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF123456,
                     1.0f, 0);
    sw.device->BeginScene();
    EXPECT_EQ(renderer.Render(textures, count), S_OK);
    sw.device->EndScene();
    return sw.ReadBack();
  }

  TestDevice sw{kWidth, kHeight};
  CComPtr<IDirect3DTexture9> picture;
  TestRenderer renderer;
};

} // namespace

TEST_F(SharedDrawOnDeviceTest, LayeredDrawIsRecordedInItsOrderWithListOneOnce) {
  ASSERT_EQ(renderer.BuildPanels(
                {{0, 2, 1.5f, 0, 1, 1, 0}, {1, 2, 1.5f, 0, 1, 1, 0}, {2, 1, 1, 0, 1, 1, 0}}),
            S_OK);
  renderer.layeredDraw = 1;
  renderer.panelLists[1].material.Ambient = {1, 0, 0, 1};
  IDirect3DTexture9 *textures[3] = {picture, picture, nullptr};
  sw.Record(true);
  ASSERT_EQ(renderer.Render(textures, 3), S_OK);

  const std::string white = "SetMaterial(D(1 1 1 1) A(1 1 1 1) S(1 1 1 1) E(0 0 0 1) P 0)";
  // The device starts lit, solid, with the stencil always passing and writing everywhere, the
  // depth test on, blending off and the blend factors ONE and ZERO: those are not rewritten.
  const std::vector<std::string> expected = {
      "SetRenderState(139,4294967295)",
      "SetLight(0,3)",
      "LightEnable(0,0)",
      "SetLight(1,3)",
      "LightEnable(1,0)",
      "SetLight(2,3)",
      "LightEnable(2,0)",
      "SetVertexShader(null)",
      "SetFVF(274)",
      "SetStreamSource(0,0,32,vb)",
      "SetRenderState(55,4)",
      "SetMaterial(D(1 1 1 1) A(1 0 0 1) S(1 1 1 1) E(0 0 0 1) P 0)", // the backdrop, list 1
      "SetTexture(0,picture)",
      "SetIndices(ib)",
      "DrawIndexedPrimitive(4,4,0,4,6,2)",
      "Clear(0,2,4278190080,1065353216,0)",
      "SetRenderState(27,1)",
      white, // list 0
      "SetTexture(0,picture)",
      "SetIndices(ib)",
      "DrawIndexedPrimitive(4,0,0,4,0,2)",
      white, // list 2, untextured
      "SetTexture(0,null)",
      "SetIndices(ib)",
      "DrawIndexedPrimitive(4,8,0,4,12,2)",
      "SetMaterial(D(1 1 1 1) A(1 1 1 1) S(0 0 0 1) E(0 0 0 1) P 0)", // the reset material
      "SetRenderState(7,0)",
      "SetRenderState(27,0)",
  };
  EXPECT_EQ(Writes(), expected);
}

TEST_F(SharedDrawOnDeviceTest, OnlyVisiblePanelsAreDrawnInWholeTrianglesAndNoStateIsRewritten) {
  ASSERT_EQ(renderer.BuildPanels({{0, 2, 1.5f, 0, 1, 1, 0}, {0, 1, 1, 0, 1, 1, 0}}), S_OK);
  renderer.panelLists[0].At(0).visible = 0;
  renderer.panelLists[0].At(1).indexCount = 7;
  sw.device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  sw.device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT);
  IDirect3DTexture9 *textures[1] = {picture};
  sw.Record(true);
  ASSERT_EQ(renderer.Render(textures, 1), S_OK);
  std::vector<std::string> interesting;
  for (const std::string &w : Writes())
    if (w.rfind("SetRenderState", 0) == 0 || w.rfind("DrawIndexedPrimitive", 0) == 0)
      interesting.push_back(w);
  EXPECT_EQ(interesting,
            (std::vector<std::string>{"DrawIndexedPrimitive(4,4,0,4,6,2)", "SetRenderState(7,0)"}));
}

TEST_F(SharedDrawOnDeviceTest, TheFrameEndPutsBackEverythingTheDrawWrote) {
  ASSERT_EQ(renderer.BuildPanels({{0, 2, 1.5f, 0, 1, 1, 0}, {1, 2, 1.5f, 0, 1, 1, 0}}), S_OK);
  renderer.layeredDraw = 1;
  renderer.panelLists[0].At(0).useWorldMatrix = 1;
  renderer.panelLists[0].At(0).worldMatrix._41 = 0.25f;
  IDirect3DTexture9 *textures[1] = {picture};
  const D3DRENDERSTATETYPE states[] = {D3DRS_LIGHTING,         D3DRS_AMBIENT,     D3DRS_ZENABLE,
                                       D3DRS_ALPHABLENDENABLE, D3DRS_STENCILPASS, D3DRS_SRCBLEND,
                                       D3DRS_DESTBLEND};
  sw.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  std::map<int, DWORD> before;
  for (auto s : states) sw.device->GetRenderState(s, &before[s]);
  DWORD fvfBefore = 0;
  sw.device->GetFVF(&fvfBefore);

  ASSERT_EQ(renderer.BeginFrame(), S_OK);
  ASSERT_EQ(renderer.Render(textures, 1), S_OK);
  ASSERT_EQ(renderer.EndFrame(), S_OK);

  for (auto s : states) {
    DWORD now = 0;
    sw.device->GetRenderState(s, &now);
    EXPECT_EQ(now, before[s]) << "render state " << s;
  }
  DWORD fvf = 0;
  sw.device->GetFVF(&fvf);
  EXPECT_EQ(fvf, fvfBefore);
  D3DMATRIX world{};
  sw.device->GetTransform(D3DTS_WORLD, &world);
  EXPECT_EQ(world._41, 0.0f);
  CComPtr<IDirect3DBaseTexture9> bound;
  sw.device->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);
}

TEST_F(SharedDrawOnDeviceTest, ThreePanelsPutThePicturePiecesWhereTheirGeometrySays) {
  // Left half in place; the top right shows the picture's bottom-right quarter; the bottom
  // right shows the right half's bottom rows mirrored left to right, placed by its world matrix.
  ASSERT_EQ(renderer.BuildPanels({{0, 1.0f, 1.5f, 0.0f, 1.0f, 0.5f, 0.0f},
                                  {0, 1.0f, 0.75f, 0.5f, 1.0f, 1.0f, 0.5f},
                                  {0, 1.0f, 0.75f, 1.0f, 1.0f, 0.5f, 0.5f}}),
            S_OK);
  ASSERT_TRUE(renderer.panelLists[0].At(0).Translate(-0.5f, 0.0f, 0.0f));
  ASSERT_TRUE(renderer.panelLists[0].At(1).Translate(0.5f, 0.375f, 0.0f));
  Panel &mirrored = renderer.panelLists[0].At(2);
  mirrored.useWorldMatrix = 1;
  mirrored.worldMatrix._41 = 0.5f;
  mirrored.worldMatrix._42 = -0.375f;
  IDirect3DTexture9 *textures[1] = {picture};

  const std::vector<uint32_t> out = DrawFrame(textures, 1);
  ASSERT_EQ(out.size(), kWidth * kHeight);
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) {
      const uint32_t expected = x < 8   ? Pattern(x, y)
                                : y < 6 ? Pattern(x, y + 6)
                                        : Pattern(23 - x, y);
      ASSERT_EQ(out[y * kWidth + x], expected) << "pixel " << x << ", " << y;
    }
}

TEST_F(SharedDrawOnDeviceTest, TheBackdropIsFilteredByItsMaterialAndTheFrontListCoversIt) {
  // The whole picture through a red filter behind, its middle unfiltered in front.
  ASSERT_EQ(renderer.BuildPanels({{1, 2.0f, 1.5f, 0.0f, 1.0f, 1.0f, 0.0f},
                                  {0, 1.0f, 0.75f, 0.25f, 0.75f, 0.75f, 0.25f}}),
            S_OK);
  renderer.panelLists[1].material.Ambient = {1, 0, 0, 1};
  renderer.layeredDraw = 1;
  IDirect3DTexture9 *textures[2] = {picture, picture};

  const std::vector<uint32_t> out = DrawFrame(textures, 2);
  ASSERT_EQ(out.size(), kWidth * kHeight);
  for (UINT y = 0; y < kHeight; ++y)
    for (UINT x = 0; x < kWidth; ++x) {
      const bool front = x >= 4 && x < 12 && y >= 3 && y < 9;
      const uint32_t expected = front ? Pattern(x, y) : Pattern(x, y) & 0xFFFF0000u;
      ASSERT_EQ(out[y * kWidth + x], expected) << "pixel " << x << ", " << y;
    }
}

TEST_F(SharedDrawOnDeviceTest, EveryDeviceObjectIsReleasedAtTeardown) {
  ASSERT_EQ(renderer.BuildPanels({{0, 2, 1.5f, 0, 1, 1, 0}}), S_OK);
  ASSERT_EQ(renderer.BeginFrame(), S_OK);
  ASSERT_EQ(renderer.DetachDevice(), S_OK);
  picture.Release();
  IDirect3DDevice9 *device = sw.device.Detach();
  EXPECT_EQ(device->Release(), 0u);
}
