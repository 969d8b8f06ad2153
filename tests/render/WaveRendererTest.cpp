// The wave moved on the processor: its mesh rows against the formula, the flat picture at value
// 0, the transparent surround, and a device whose vertex shaders cannot be fed by this build.
#include "render/FakeShaderCompiler.h"
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/RendererFrames.h"
#include "render/WaveRenderer.h"

using zrq::test::FrameIs;
using zrq::test::PatternPixel;
using zrq::test::RendererFrames;

namespace {

struct WaveVertex {
  float x, y, z, u, v;
};

class WaveProbe : public WaveRenderer {
public:
  // The mesh as it stands in the vertex buffer.
  std::vector<WaveVertex> Mesh() {
    std::vector<WaveVertex> mesh;
    void *data = nullptr;
    if (!vertexBuffer || FAILED(vertexBuffer->Lock(0, 0, &data, 0))) return mesh;
    const auto *v = static_cast<const WaveVertex *>(data);
    mesh.assign(v, v + kMeshVertices);
    vertexBuffer->Unlock();
    return mesh;
  }
};

// Where a row's vertices must lie: the picture squeezed to s - 2a and waved by a × sin(k × step),
// step = (1/127 ÷ v) × 3π with both constants and the step in single precision.
double ExpectedY(double value, float aspect, int row, int column) {
  const float s = 2.0f / aspect;
  const float amplitude = static_cast<float>(value * s * 0.2);
  const float height = s - 2 * amplitude;
  const double sine = value > 0 ? std::sin(column * static_cast<double>(static_cast<float>(
                                                        (0.007874016f / value) * 9.424778f)))
                                : 0.0;
  return row * height - height / 2.0 + amplitude * sine;
}

class WaveFrames : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(frames.sw.device, nullptr);
    picture = frames.sw.Texture(16, 12, zrq::test::PatternPicture(16, 12));
    ASSERT_NE(picture, nullptr);
  }

  ::testing::AssertionResult MeshFollowsTheWave(double value, float aspect) {
    const std::vector<WaveVertex> mesh = wave.Mesh();
    if (mesh.size() != WaveRenderer::kMeshVertices)
      return ::testing::AssertionFailure() << "no mesh";
    for (int row = 0; row < 2; ++row)
      for (int k = 0; k < 128; ++k) {
        const WaveVertex &v = mesh[row * 128 + k];
        const double y = ExpectedY(value, aspect, row, k);
        if (std::fabs(v.y - y) > 1e-6 || std::fabs(v.x - (k * 2.0 / 127 - 1)) > 1e-6 ||
            std::fabs(v.u - k / 127.0) > 1e-6 || v.v != 1.0f - row || v.z != 0.0f)
          return ::testing::AssertionFailure()
                 << "value " << value << ", row " << row << ", column " << k << ": (" << v.x << ", "
                 << v.y << ") u " << v.u << ", expected y " << y;
      }
    return ::testing::AssertionSuccess();
  }

  RendererFrames frames{16, 12};
  CComPtr<IDirect3DTexture9> picture;
  WaveProbe wave;
};

} // namespace

TEST_F(WaveFrames, TheRowsFollowTheWaveForEveryValueAndAspect) {
  ASSERT_EQ(frames.Attach(wave), S_OK);
  for (float aspect : {4.0f / 3.0f, 16.0f / 9.0f})
    for (double value : {0.0, 0.01, 0.25, 0.5, 0.8, 1.0}) {
      ASSERT_EQ(frames.Frame(wave, value, picture, aspect), S_OK);
      EXPECT_TRUE(MeshFollowsTheWave(value, aspect));
    }
}

TEST_F(WaveFrames, ValueZeroDrawsTheFlatPictureAndBadValuesCountAsTheNearest) {
  ASSERT_EQ(frames.Attach(wave), S_OK);
  for (double value : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(),
                       -std::numeric_limits<double>::infinity()}) {
    ASSERT_EQ(frames.Frame(wave, value, picture, 4.0f / 3.0f), S_OK);
    EXPECT_TRUE(MeshFollowsTheWave(0.0, 4.0f / 3.0f)) << value;
    EXPECT_TRUE(FrameIs(frames, PatternPixel)) << value;
  }
  ASSERT_EQ(frames.Frame(wave, 1e9, picture, 4.0f / 3.0f), S_OK);
  EXPECT_TRUE(MeshFollowsTheWave(1.0, 4.0f / 3.0f));
  EXPECT_EQ(wave.SetEffectValue(nullptr, 8), E_POINTER);
}

TEST_F(WaveFrames, WhatTheWavedPictureDoesNotCoverIsTransparentBlack) {
  // At value 1 the picture is squeezed to 0.9 of its 1.5 height; near the left edge its top
  // and bottom lie well inside the target.
  ASSERT_EQ(frames.Attach(wave), S_OK);
  ASSERT_EQ(frames.Frame(wave, 1.0, picture, 4.0f / 3.0f), S_OK);
  EXPECT_EQ(frames.At(0, 0), 0x00000000u);
  EXPECT_EQ(frames.At(0, 11), 0x00000000u);
  EXPECT_EQ(frames.At(8, 6) >> 24, 0xFFu);
}

TEST_F(WaveFrames, ADeviceWithVertexShadersStillWavesWhenNoShaderCanBeCompiled) {
  zrq::test::ResetShaderCompiler(E_NOTIMPL); // as when no compiler is at hand
  frames.ShaderVersions(D3DVS_VERSION(1, 1), 0);
  ASSERT_EQ(frames.Attach(wave), S_OK);
  ASSERT_EQ(frames.Frame(wave, 0.8, picture, 4.0f / 3.0f), S_OK);
  EXPECT_TRUE(MeshFollowsTheWave(0.8, 4.0f / 3.0f));
}
