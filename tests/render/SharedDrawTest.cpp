// The order of the shared draw's device calls, which states it writes only when they differ,
// and which failures stop it, checked on the recording stand-in device.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <thread>

#include "render/FakeDevice.h"
#include "render/TestRenderer.h"

using zrq::test::FakeCall;
using zrq::test::FakeDevice;
using zrq::test::FakeTexture;
using zrq::test::TestRenderer;

namespace {

float AsFloat(DWORD bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

class SharedDrawTest : public ::testing::Test {
protected:
  void SetUp() override {
    renderer.Attach(&device, 1.0f);
    // Each list's material is told apart by its ambient red.
    for (int g = 0; g < 3; ++g) renderer.panelLists[g].material.Ambient.r = 0.25f * (g + 1);
  }

  void Build(std::vector<TestRenderer::Quad> quads) {
    ASSERT_EQ(renderer.BuildPanels(quads), S_OK);
    device.ClearCalls();
  }

  // The device calls that change something, one line each, with objects by name.
  std::vector<std::string> Writes() {
    const std::map<const void *, std::string> names = {
        {nullptr, "null"},      {renderer.vertexBuffer.p, "vb"}, {renderer.indexBuffer.p, "ib"},
        {&textures[0], "tex0"}, {&textures[1], "tex1"},          {&textures[2], "tex2"}};
    std::vector<std::string> out;
    for (const FakeCall &c : device.Calls()) {
      if (c.method.rfind("Get", 0) == 0) continue;
      std::ostringstream line;
      line << c.method << "(";
      for (size_t i = 0; i < c.args.size(); ++i) {
        if (i) line << ",";
        const bool isFloat = c.method == "SetMaterial" || (c.method == "Clear" && i == 3) ||
                             (c.method == "SetTransform" && i == 1);
        if (isFloat)
          line << AsFloat(c.args[i]);
        else
          line << c.args[i];
      }
      if (c.object || c.method == "SetTexture" || c.method == "SetIndices" ||
          c.method == "SetVertexShader" || c.method == "SetStreamSource") {
        const auto name = names.find(c.object);
        line << (c.args.empty() ? "" : ",") << (name == names.end() ? "?" : name->second);
      }
      line << ")";
      out.push_back(line.str());
    }
    return out;
  }

  std::vector<std::string> Draws() {
    std::vector<std::string> out;
    for (const std::string &w : Writes())
      if (w.rfind("DrawIndexedPrimitive", 0) == 0) out.push_back(w);
    return out;
  }

  IDirect3DTexture9 *const *Textures() {
    for (int i = 0; i < 3; ++i) pointers[i] = &textures[i];
    return pointers;
  }

  FakeDevice device;
  TestRenderer renderer;
  FakeTexture textures[3];
  IDirect3DTexture9 *pointers[3] = {};
};

const std::vector<std::string> kSetUpFromDefaults = {
    "SetRenderState(137,1)",          // lighting on
    "SetRenderState(139,4294967295)", // ambient white
    "SetLight(0)",
    "LightEnable(0,0)",
    "SetLight(1)",
    "LightEnable(1,0)",
    "SetLight(2)",
    "LightEnable(2,0)",
    "SetVertexShader(null)",
    "SetFVF(274)",
    "SetRenderState(8,3)", // solid fill
    "SetStreamSource(0,0,32,vb)",
    "SetRenderState(56,8)",          // stencil always passes ...
    "SetRenderState(59,4294967295)", // ... (reference 0 is already 0) ...
    "SetRenderState(55,4)",          // ... and counts up
};

} // namespace

TEST_F(SharedDrawTest, NotReadyOrDetachedDrawsNothing) {
  EXPECT_EQ(renderer.Render(Textures(), 1), E_FAIL);
  EXPECT_TRUE(device.Calls().empty());
  Build({{0, 2, 2, 0, 1, 1, 0}});
  renderer.DetachDevice();
  EXPECT_EQ(renderer.Render(Textures(), 1), E_FAIL);
  EXPECT_TRUE(device.Calls().empty());
}

TEST_F(SharedDrawTest, PlainDrawGivesEachListItsMaterialAndTexture) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {1, 1, 1, 0, 1, 1, 0}});
  ASSERT_EQ(renderer.Render(Textures(), 1), S_OK);
  std::vector<std::string> expected = kSetUpFromDefaults;
  for (const char *line : {
           "SetRenderState(7,1)", // depth test on, then cleared to the far plane
           "Clear(0,2,4278190080,1,0)",
           "SetMaterial(0.25)",
           "SetTexture(0,tex0)",
           "SetIndices(ib)",
           "DrawIndexedPrimitive(4,0,0,4,0,2)",
           "SetMaterial(0.5)",
           "SetTexture(0,null)", // only one texture was given
           "SetIndices(ib)",
           "DrawIndexedPrimitive(4,4,0,4,6,2)",
           "SetMaterial(0.75)",
           "SetTexture(0,null)",
           "SetMaterial(1)", // the reset material
           "SetRenderState(7,0)",
       })
    expected.push_back(line);
  EXPECT_EQ(Writes(), expected);
}

TEST_F(SharedDrawTest, LayeredDrawPaintsTheBackdropFirstAndListOneOnlyOnce) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {1, 1, 1, 0, 1, 1, 0}, {2, 1, 1, 0, 1, 1, 0}});
  renderer.layeredDraw = 1;
  ASSERT_EQ(renderer.Render(Textures(), 3), S_OK);
  std::vector<std::string> expected = kSetUpFromDefaults;
  for (const char *line : {
           "SetRenderState(20,1)", // the backdrop copies: dest ZERO, src ONE
           "SetRenderState(19,2)",
           "SetMaterial(0.5)",
           "SetTexture(0,tex1)",
           "SetIndices(ib)",
           "DrawIndexedPrimitive(4,4,0,4,6,2)",
           "SetRenderState(7,1)",
           "Clear(0,2,4278190080,1,0)",
           "SetRenderState(27,1)", // blending on; the factors are already ONE and ZERO
           "SetMaterial(0.25)",
           "SetTexture(0,tex0)",
           "SetIndices(ib)",
           "DrawIndexedPrimitive(4,0,0,4,0,2)",
           "SetMaterial(0.75)",
           "SetTexture(0,tex2)",
           "SetIndices(ib)",
           "DrawIndexedPrimitive(4,8,0,4,12,2)",
           "SetMaterial(1)",
           "SetRenderState(7,0)",
           "SetRenderState(27,0)",
       })
    expected.push_back(line);
  EXPECT_EQ(Writes(), expected);
}

TEST_F(SharedDrawTest, StatesAlreadyInPlaceAreNotWritten) {
  Build({{0, 2, 2, 0, 1, 1, 0}});
  device.renderStates = {{D3DRS_LIGHTING, 5}, // any value but FALSE counts as on
                         {D3DRS_AMBIENT, 0xFFFFFFFF},
                         {D3DRS_FILLMODE, D3DFILL_SOLID},
                         {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
                         {D3DRS_STENCILREF, 0},
                         {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
                         {D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT},
                         {D3DRS_ZENABLE, D3DZB_TRUE}};
  ASSERT_EQ(renderer.Render(Textures(), 1), S_OK);
  std::vector<std::string> states;
  for (const FakeCall &c : device.CallsOf({"SetRenderState"}))
    states.push_back(std::to_string(c.args[0]) + "=" + std::to_string(c.args[1]));
  // Only the unconditional switch-off of the depth test at the end.
  EXPECT_EQ(states, std::vector<std::string>{"7=0"});
  EXPECT_EQ(device.renderStates[D3DRS_LIGHTING], 5u);
}

TEST_F(SharedDrawTest, PanelsAreDrawnByTheirFlagsAndWholeTriangles) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {0, 1, 1, 0, 1, 1, 0}, {0, 1, 1, 0, 1, 1, 0}});
  Panel &hidden = renderer.panelLists[0].At(0);
  hidden.visible = 0;
  hidden.useWorldMatrix = 1;
  Panel &moved = renderer.panelLists[0].At(1);
  moved.useWorldMatrix = 1;
  moved.worldMatrix._41 = 0.5f;
  Panel &odd = renderer.panelLists[0].At(2);
  odd.indexCount = 7; // the extra index does not make a triangle
  ASSERT_EQ(renderer.Render(Textures(), 1), S_OK);

  std::vector<std::string> list0;
  bool inList0 = false;
  for (const std::string &w : Writes()) {
    if (w == "SetMaterial(0.25)") inList0 = true;
    if (w == "SetMaterial(0.5)") inList0 = false;
    if (inList0) list0.push_back(w);
  }
  // The hidden panel issues nothing; the one without a world matrix inherits the last one set.
  EXPECT_EQ(list0, (std::vector<std::string>{"SetMaterial(0.25)", "SetTexture(0,tex0)",
                                             "SetTransform(256,0.5)", "SetIndices(ib)",
                                             "DrawIndexedPrimitive(4,4,0,4,6,2)", "SetIndices(ib)",
                                             "DrawIndexedPrimitive(4,8,0,4,12,2)"}));
  EXPECT_EQ(device.world._41, 0.5f);
}

TEST_F(SharedDrawTest, FailedDrawsAndUnexaminedStepsDoNotStopTheFrame) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {0, 1, 1, 0, 1, 1, 0}, {2, 1, 1, 0, 1, 1, 0}});
  device.Fail("DrawIndexedPrimitive", D3DERR_INVALIDCALL);
  device.Fail("Clear", D3DERR_INVALIDCALL);
  device.Fail("SetVertexShader", D3DERR_INVALIDCALL);
  device.Fail("SetIndices", D3DERR_INVALIDCALL);
  EXPECT_EQ(renderer.Render(Textures(), 3), S_OK);
  EXPECT_EQ(Draws().size(), 3u);
  EXPECT_EQ(Writes().back(), "SetRenderState(7,0)");
}

TEST_F(SharedDrawTest, AFailingStepStopsTheDrawWithItsStatusAndReleasesTheLock) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {1, 1, 1, 0, 1, 1, 0}});
  renderer.layeredDraw = 1;
  const HRESULT failure = 0x8876086C; // D3DERR_INVALIDCALL
  const std::vector<std::pair<const char *, size_t>> steps = {
      {"SetRenderState", 0},  {"SetLight", 0},    {"LightEnable", 0}, {"SetFVF", 0},
      {"SetStreamSource", 0}, {"SetMaterial", 0}, {"SetTexture", 0}};
  for (const auto &[method, drawsBefore] : steps) {
    SCOPED_TRACE(method);
    device.ClearCalls();
    device.renderStates.clear();
    device.Fail(method, failure);
    EXPECT_EQ(renderer.Render(Textures(), 2), failure);
    EXPECT_EQ(Draws().size(), drawsBefore);
    const std::vector<std::string> writes = Writes();
    EXPECT_EQ(writes.back().rfind(method, 0), 0u) << writes.back(); // nothing after the failure
    device.Fail(method, S_OK);
    device.ClearCalls();
    EXPECT_EQ(renderer.Render(Textures(), 2), S_OK); // the lock was given back
    EXPECT_EQ(Draws().size(), 2u);
  }
}

TEST_F(SharedDrawTest, AFailedBackdropDrawStopsTheLayeredDraw) {
  Build({{0, 2, 2, 0, 1, 1, 0}, {1, 1, 1, 0, 1, 1, 0}});
  renderer.layeredDraw = 1;
  device.Fail("DrawIndexedPrimitive", E_FAIL);
  EXPECT_EQ(renderer.Render(Textures(), 2), E_FAIL);
  EXPECT_EQ(Draws().size(), 1u);
  EXPECT_TRUE(device.CallsOf({"Clear"}).empty());
}

TEST_F(SharedDrawTest, NoTextureArrayDrawsEveryListUntextured) {
  Build({{0, 2, 2, 0, 1, 1, 0}});
  ASSERT_EQ(renderer.Render(nullptr, 3), S_OK);
  for (const FakeCall &c : device.CallsOf({"SetTexture"})) EXPECT_EQ(c.object, nullptr);
  ASSERT_EQ(renderer.Render(Textures(), -2), S_OK);
  for (const FakeCall &c : device.CallsOf({"SetTexture"})) EXPECT_EQ(c.object, nullptr);
}

TEST_F(SharedDrawTest, DetachingWhileAnotherThreadDrawsIsSerialised) {
  Build({{0, 2, 2, 0, 1, 1, 0}});
  std::thread drawer([&] {
    for (int i = 0; i < 200; ++i) {
      const HRESULT hr = renderer.Render(Textures(), 1);
      ASSERT_TRUE(hr == S_OK || hr == E_FAIL);
    }
  });
  std::this_thread::yield();
  EXPECT_EQ(renderer.DetachDevice(), S_OK);
  drawer.join();
  EXPECT_EQ(renderer.Render(Textures(), 1), E_FAIL);
  EXPECT_EQ(device.liveObjects, 0);
}
