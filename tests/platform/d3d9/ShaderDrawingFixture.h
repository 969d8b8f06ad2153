// Drawing through shaders assembled from text, on the device of DeviceFixture.
#pragma once

#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3dx9/ShaderTestSupport.h"

#include <random>
#include <string>
#include <vector>

namespace zrq::d3d9::test {

class ShaderDrawing : public DeviceFixture {
protected:
  IDirect3DPixelShader9 *PixelShader(const std::string &source) {
    const zrq::test::Compiled c = zrq::test::Assemble(source);
    EXPECT_EQ(c.status, S_OK) << c.messages;
    IDirect3DPixelShader9 *shader = nullptr;
    EXPECT_EQ(device->CreatePixelShader(c.tokens.data(), &shader), D3D_OK) << source;
    return shader;
  }
  IDirect3DVertexShader9 *VertexShader(const std::string &source) {
    const zrq::test::Compiled c = zrq::test::Assemble(source);
    EXPECT_EQ(c.status, S_OK) << c.messages;
    IDirect3DVertexShader9 *shader = nullptr;
    EXPECT_EQ(device->CreateVertexShader(c.tokens.data(), &shader), D3D_OK) << source;
    return shader;
  }
  // A texture of w × h with every texel different.
  IDirect3DTexture9 *Pattern(UINT tw, UINT th, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<DWORD> texels(tw * th);
    for (DWORD &t : texels) t = rng();
    return MakeTexture(tw, th, texels);
  }
};

} // namespace zrq::d3d9::test
