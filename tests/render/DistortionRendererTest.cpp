#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/FakeDevice.h"
#include "render/TestRenderer.h"

using zrq::test::FakeCall;
using zrq::test::FakeDevice;
using zrq::test::TestRenderer;

namespace {

constexpr float kFourThirds = 1.3333334f;

std::vector<std::string> Methods(const std::vector<FakeCall> &calls) {
  std::vector<std::string> out;
  for (const FakeCall &c : calls) out.push_back(c.method);
  return out;
}

} // namespace

TEST(DistortionRenderer, StartsWithWhiteMaterialsAndThreeDarkenedLightsSwitchedOff) {
  TestRenderer r;
  for (const PanelList &list : r.panelLists) {
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.material.Diffuse.a, 1.0f);
    EXPECT_EQ(list.material.Ambient.g, 1.0f);
    EXPECT_EQ(list.material.Specular.b, 1.0f);
    EXPECT_EQ(list.material.Emissive.r, 0.0f);
    EXPECT_EQ(list.material.Emissive.a, 1.0f);
    EXPECT_EQ(list.material.Power, 0.0f);
  }
  for (int i = 0; i < 3; ++i) {
    const D3DLIGHT9 &l = r.lights[i];
    EXPECT_EQ(l.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(l.Diffuse.r, 0.50196f);
    EXPECT_FLOAT_EQ(l.Ambient.b, 0.50196f);
    EXPECT_EQ(l.Specular.a, 1.0f);
    EXPECT_EQ(l.Position.z, -10.0f);
    EXPECT_EQ(l.Direction.z, 1.0f);
    EXPECT_FLOAT_EQ(l.Range, std::sqrt(3.402823466e+38f));
    EXPECT_EQ(l.Attenuation0, 1.0f);
    EXPECT_EQ(r.lightEnabled[i], FALSE);
  }
  EXPECT_EQ(r.ambientColor, 0xFFFFFFFFu);
  EXPECT_EQ(r.geometryReady, 0);
  EXPECT_EQ(r.layeredDraw, 0);
  EXPECT_EQ(r.inputCount, 1);
  EXPECT_EQ(r.textureExtentU, 1.0f);
  EXPECT_EQ(r.UpdateGeometry(), E_NOTIMPL);
  EXPECT_EQ(r.SetTime(0.5), E_NOTIMPL);
}

TEST(DistortionRenderer, AttachHoldsOneReferenceAndResetsTheAspects) {
  FakeDevice first, second;
  {
    TestRenderer r;
    r.inputAspects[2] = 2.0f;
    ASSERT_EQ(r.Attach(&first, 1.7777778f), S_OK);
    ASSERT_EQ(r.Attach(&first, 1.25f), S_OK);
    EXPECT_EQ(first.Refs(), 2u);
    EXPECT_EQ(r.defaultAspect, 1.25f);
    for (float a : r.inputAspects) EXPECT_EQ(a, kFourThirds);
    ASSERT_EQ(r.Attach(&second, 1.0f), S_OK);
    EXPECT_EQ(first.Refs(), 1u);
    EXPECT_EQ(second.Refs(), 2u);
  }
  EXPECT_EQ(second.Refs(), 1u);
}

TEST(DistortionRenderer, SetInputAspectsFillsTheRestWithTheDefault) {
  FakeDevice device; // outlives the renderer that holds it
  TestRenderer r;
  r.Attach(&device, 1.5f);
  const float given[5] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};

  ASSERT_EQ(r.SetInputAspects(given, 4), S_OK);
  EXPECT_EQ(r.inputCount, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.inputAspects[i], given[i]);
  EXPECT_EQ(r.inputAspects[4], 1.5f);

  ASSERT_EQ(r.SetInputAspects(nullptr, 0), S_OK);
  EXPECT_EQ(r.inputCount, 0);
  for (float a : r.inputAspects) EXPECT_EQ(a, 1.5f);
}

TEST(DistortionRenderer, SetInputAspectsRefusesCountsItCannotHoldAndChangesNothing) {
  TestRenderer r;
  const float given[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(r.SetInputAspects(given, 2), S_OK);
  EXPECT_EQ(r.SetInputAspects(given + 1, 5), E_FAIL);
  EXPECT_EQ(r.SetInputAspects(given + 1, 6), E_FAIL);
  EXPECT_EQ(r.SetInputAspects(given + 1, -1), E_FAIL);
  EXPECT_EQ(r.SetInputAspects(nullptr, 3), E_POINTER);
  EXPECT_EQ(r.inputCount, 2);
  EXPECT_EQ(r.inputAspects[0], 1.0f);
  EXPECT_EQ(r.inputAspects[1], 2.0f);
}

TEST(DistortionRenderer, FrameCaptureIsAppliedOnceAndAnUnfinishedOneIsDropped) {
  FakeDevice device;
  TestRenderer r;
  EXPECT_EQ(r.BeginFrame(), E_POINTER);
  EXPECT_EQ(r.EndFrame(), S_OK);

  r.Attach(&device, 1.0f);
  ASSERT_EQ(r.BeginFrame(), S_OK);
  ASSERT_EQ(r.BeginFrame(), S_OK); // the first capture goes unapplied
  ASSERT_EQ(r.EndFrame(), S_OK);
  EXPECT_EQ(r.savedState, nullptr);
  ASSERT_EQ(r.EndFrame(), S_OK); // nothing left to apply
  EXPECT_EQ(Methods(device.Calls()),
            (std::vector<std::string>{"CreateStateBlock", "StateBlock.Release", "CreateStateBlock",
                                      "StateBlock.Apply", "StateBlock.Release"}));
  EXPECT_EQ(device.liveObjects, 0);
}

TEST(DistortionRenderer, AFailedCaptureStillLetsTheFrameRun) {
  FakeDevice device; // outlives the renderer that holds it
  TestRenderer r;
  r.Attach(&device, 1.0f);
  device.Fail("CreateStateBlock", E_OUTOFMEMORY);
  EXPECT_EQ(r.BeginFrame(), S_OK);
  EXPECT_EQ(r.savedState, nullptr);
  EXPECT_EQ(r.EndFrame(), S_OK);
  EXPECT_EQ(Methods(device.Calls()), std::vector<std::string>{"CreateStateBlock"});
}

TEST(DistortionRenderer, CreateBuffersMakesWhatIsMissingWithTheSharedFormats) {
  FakeDevice device; // outlives the renderer that holds it
  TestRenderer r;
  EXPECT_EQ(r.CreateBuffers(nullptr, 8, 12), E_FAIL);
  ASSERT_EQ(r.CreateBuffers(&device, 8, 12), S_OK);
  EXPECT_EQ(r.vertexCapacity, 8u);
  EXPECT_EQ(r.indexCapacity, 12u);
  const auto calls = device.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, (std::vector<DWORD>{8 * 32, 0, 0x112, D3DPOOL_DEFAULT}));
  EXPECT_EQ(calls[1].args,
            (std::vector<DWORD>{12 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT}));

  // Existing buffers stay, whatever size is asked for now.
  ASSERT_EQ(r.CreateBuffers(&device, 400, 600), S_OK);
  EXPECT_EQ(device.Calls().size(), 2u);
  EXPECT_EQ(r.vertexCapacity, 8u);
}

TEST(DistortionRenderer, CreateBuffersSkipsTinyVertexBuffersAndReportsEitherFailure) {
  FakeDevice device;
  {
    TestRenderer r;
    EXPECT_EQ(r.CreateBuffers(&device, 1, 6), S_OK);
    EXPECT_EQ(r.vertexBuffer, nullptr);
    EXPECT_NE(r.indexBuffer, nullptr);
    EXPECT_EQ(r.vertexCapacity, 0u);
  }
  {
    TestRenderer r;
    device.Fail("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(r.CreateBuffers(&device, 4, 6), E_FAIL);
    EXPECT_EQ(r.vertexCapacity, 0u);
    EXPECT_NE(r.indexBuffer, nullptr); // still attempted
    EXPECT_EQ(r.indexCapacity, 6u);
  }
  {
    TestRenderer r;
    device.Fail("CreateVertexBuffer", S_OK);
    device.Fail("CreateIndexBuffer", E_OUTOFMEMORY);
    EXPECT_EQ(r.CreateBuffers(&device, 4, 6), E_FAIL);
    EXPECT_NE(r.vertexBuffer, nullptr);
    EXPECT_EQ(r.indexCapacity, 0u);
  }
  EXPECT_EQ(device.liveObjects, 0);
}

TEST(DistortionRenderer, CreateBuffersRefusesCountsWhoseByteLengthWouldWrap) {
  FakeDevice device; // outlives the renderer that holds it
  TestRenderer r;
  EXPECT_EQ(r.CreateBuffers(&device, 0x08000000u, 0x80000000u), E_FAIL);
  EXPECT_TRUE(device.CallsOf({"CreateVertexBuffer", "CreateIndexBuffer"}).empty());
  EXPECT_EQ(r.vertexCapacity, 0u);
  EXPECT_EQ(r.indexCapacity, 0u);
}

TEST(DistortionRenderer, ReleasedBuffersCannotBeReachedThroughThePanels) {
  FakeDevice device; // outlives the renderer that holds it
  TestRenderer r;
  r.Attach(&device, 1.0f);
  ASSERT_EQ(r.BuildPanels({{0, 2, 2, 0, 1, 1, 0}, {1, 2, 2, 0, 1, 1, 0}}), S_OK);
  ASSERT_EQ(r.ReleaseBuffers(), S_OK);
  EXPECT_EQ(device.liveObjects, 0);
  EXPECT_EQ(r.vertexCapacity, 0u);
  EXPECT_EQ(r.indexCapacity, 0u);
  Panel &p = r.panelLists[1].At(0);
  EXPECT_EQ(p.vertexBuffer, nullptr);
  EXPECT_EQ(p.baseVertex, 4u); // the range itself is kept for the next AssignRanges
  EXPECT_FALSE(p.SetQuad(2, 2, 0, 1, 1, 0));
}

TEST(DistortionRenderer, DetachDeviceDropsEverythingTheDeviceOwns) {
  FakeDevice device;
  TestRenderer r;
  r.Attach(&device, 1.0f);
  ASSERT_EQ(r.BuildPanels({{0, 2, 2, 0, 1, 1, 0}}), S_OK);
  ASSERT_EQ(r.BeginFrame(), S_OK);
  ASSERT_EQ(r.DetachDevice(), S_OK);
  EXPECT_EQ(device.Refs(), 1u);
  EXPECT_EQ(device.liveObjects, 0); // buffers and the waiting capture
  EXPECT_EQ(r.panelLists[0].count, 0u);
  EXPECT_EQ(r.geometryReady, 1);
  EXPECT_EQ(r.BeginFrame(), E_POINTER);
  EXPECT_EQ(r.Render(nullptr, 0), E_FAIL);
  EXPECT_EQ(r.EndFrame(), S_OK);
  EXPECT_TRUE(device.CallsOf({"StateBlock.Apply"}).empty());
}

TEST(DistortionRenderer, DestructionReleasesBuffersCaptureAndDevice) {
  FakeDevice device;
  {
    auto r = std::make_unique<TestRenderer>();
    r->Attach(&device, 1.0f);
    ASSERT_EQ(r->BuildPanels({{0, 2, 2, 0, 1, 1, 0}}), S_OK);
    ASSERT_EQ(r->BeginFrame(), S_OK);
    EXPECT_EQ(device.liveObjects, 3);
  }
  EXPECT_EQ(device.liveObjects, 0);
  EXPECT_EQ(device.Refs(), 1u);
}
