// The renderers' shader paths, with a stand-in compiler that records what it is asked: what is
// compiled, what reaches the shader constants, that a shader is compiled once and made again on
// a new device, and that nothing of a device is held after the renderer lets it go.
#include <gtest/gtest.h>

#include <zrqresource.h>

#include "effect/EffectIds.h"
#include "render/ColorShiftRenderer.h"
#include "render/FakeShaderCompiler.h"
#include "render/RendererFrames.h"
#include "render/WaveRenderer.h"

using zrq::test::CompileCalls;
using zrq::test::LastConstant;
using zrq::test::RendererFrames;

namespace {

constexpr float kFourThirds = 4.0f / 3.0f;

// A device that reports vertex shader 1.1 and pixel shader 2.0 (the stand-in's shaders compute
// nothing worth looking at: ShaderExecutionTest looks at the real ones).
struct ShaderDevice : RendererFrames {
  ShaderDevice() : RendererFrames(16, 12) {
    ShaderVersions(D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0));
    picture = sw.Texture(16, 12, zrq::test::PatternPicture(16, 12));
  }

  // The recorded calls of `method`, by whether they were given an object.
  std::vector<bool> ObjectsOf(const char *method) {
    std::vector<bool> objects;
    for (const ZRQ_D3D9_CALL &c : sw.Calls())
      if (std::string(c.Method) == method) objects.push_back(c.Object != nullptr);
    return objects;
  }

  CComPtr<IDirect3DTexture9> picture;
};

class ShaderPath : public ::testing::Test {
protected:
  void SetUp() override { zrq::test::ResetShaderCompiler(); }
  ShaderDevice device;
};

} // namespace

TEST_F(ShaderPath, WaveCompilesItsVertexShaderAndFeedsItsConstants) {
  WaveRenderer wave;
  ASSERT_EQ(device.Attach(wave), S_OK);
  ASSERT_EQ(CompileCalls().size(), 1u);
  const zrq::test::CompileCall &call = CompileCalls()[0];
  EXPECT_EQ(call.module, ZrqThisModule());
  EXPECT_EQ(call.resource, 201u);
  EXPECT_EQ(call.entry, "Wave");
  EXPECT_EQ(call.profile, "vs_1_1");
  EXPECT_EQ(call.flags, 0u);

  // Depth 0.2 of the object height 1.5, and the device's world × view × projection.
  EXPECT_EQ(LastConstant("fWaveHeight"), std::vector<float>{0.3f});
  EXPECT_EQ(LastConstant("fObjectHeight"), std::vector<float>{1.5f});
  D3DXMATRIX view, projection, world;
  device.sw.device->GetTransform(D3DTS_VIEW, &view);
  device.sw.device->GetTransform(D3DTS_PROJECTION, &projection);
  device.sw.device->GetTransform(D3DTS_WORLD, &world);
  const D3DXMATRIX expected = world * view * projection;
  EXPECT_EQ(LastConstant("mWorldViewProj"),
            std::vector<float>(&expected.m[0][0], &expected.m[0][0] + 16));

  // Each frame hands the value to the shader; the mesh itself is left alone.
  device.sw.Record(true);
  device.Frame(wave, 0.4, device.picture, kFourThirds);
  EXPECT_EQ(LastConstant("fEffectValue"), std::vector<float>{0.4f});
  EXPECT_TRUE(device.ObjectsOf("VertexBuffer::Lock").empty());
  EXPECT_EQ(device.ObjectsOf("SetVertexDeclaration"), std::vector<bool>{true});
  EXPECT_EQ(device.ObjectsOf("SetVertexShader"), std::vector<bool>{true});
}

TEST_F(ShaderPath, ASecondWaveAttachLeavesOneShaderDeclarationAndConstantTable) {
  const ULONG baseline = device.DeviceRefs();
  {
    WaveRenderer wave;
    ASSERT_EQ(device.Attach(wave), S_OK);
    const ULONG attached = device.DeviceRefs();
    ASSERT_EQ(device.Attach(wave), S_OK);
    EXPECT_EQ(device.DeviceRefs(), attached);
    EXPECT_EQ(zrq::test::LiveConstantTables(), 1);
  }
  EXPECT_EQ(device.DeviceRefs(), baseline);
  EXPECT_EQ(zrq::test::LiveConstantTables(), 0);
}

TEST_F(ShaderPath, ColorShiftCompilesOnceAndMakesItsShaderAgainOnANewDevice) {
  ShaderDevice other;
  const ULONG firstBaseline = device.DeviceRefs(), otherBaseline = other.DeviceRefs();
  {
    ColorShiftRenderer r(ColorShiftHorizontalEffectId);
    ASSERT_EQ(device.Attach(r), S_OK);
    const ULONG attached = device.DeviceRefs();
    ASSERT_EQ(device.Attach(r), S_OK);
    EXPECT_EQ(device.DeviceRefs(), attached);
    ASSERT_EQ(CompileCalls().size(), 1u);
    EXPECT_EQ(CompileCalls()[0].resource, 205u);
    EXPECT_EQ(CompileCalls()[0].entry, "main");
    EXPECT_EQ(CompileCalls()[0].profile, "ps_2_0");
    EXPECT_EQ(CompileCalls()[0].flags, static_cast<DWORD>(D3DXSHADER_DEBUG));

    // The host switches devices: nothing of the first is kept, and the shader is made again on
    // the second from the tokens compiled before.
    ASSERT_EQ(r.DetachDevice(), S_OK);
    ASSERT_EQ(other.Attach(r), S_OK);
    EXPECT_EQ(CompileCalls().size(), 1u);
    EXPECT_EQ(device.DeviceRefs(), firstBaseline);
    other.sw.Record(true);
    other.Frame(r, 0.25, other.picture, kFourThirds);
    EXPECT_EQ(other.ObjectsOf("SetPixelShader"), std::vector<bool>{true});
    EXPECT_EQ(other.ObjectsOf("DrawIndexedPrimitive").size(), 1u);
    // Red is read a sixteenth of the width to the left: it moves right.
    EXPECT_EQ(LastConstant("fOffsetX"), std::vector<float>{-0.0625f});
    EXPECT_EQ(LastConstant("fOffsetY"), std::vector<float>{0.0f});
    ASSERT_FALSE(zrq::test::ConstantWrites().empty());
    EXPECT_EQ(zrq::test::ConstantWrites().back().device, other.sw.device.p);
  }
  EXPECT_EQ(device.DeviceRefs(), firstBaseline);
  EXPECT_EQ(other.DeviceRefs(), otherBaseline);
  EXPECT_EQ(zrq::test::LiveConstantTables(), 0);
}
