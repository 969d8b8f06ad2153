// The call recorder lists the calls that change what the device draws with, even those that
// fail, in the order they were made, each with its result.
#include "DeviceFixture.h"

#include <string>

namespace zrq::d3d9::test {
namespace {

class CallRecorder : public DeviceFixture {
protected:
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    UINT count = 0;
    EXPECT_EQ(ZrqD3D9GetRecordedCalls(device, nullptr, 0, &count), D3D_OK);
    std::vector<ZRQ_D3D9_CALL> calls(count);
    EXPECT_EQ(ZrqD3D9GetRecordedCalls(device, calls.data(), count, &count), D3D_OK);
    for (const ZRQ_D3D9_CALL &call : calls) texts.push_back(call.Text);
    return texts;
  }
};

TEST_F(CallRecorder, ListsConstantsClippingSurfacesAndStateBlocks) {
  Open(8, 8);
  SetOptions({D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0), TRUE, 0, FALSE});
  const float four[4] = {1, 2, 3, 4};
  const int ints[4] = {1, 2, 3, 4};
  const BOOL yes = TRUE;
  device->SetVertexShaderConstantF(2, four, 1);
  device->SetPixelShaderConstantF(0, four, 1);
  device->SetVertexShaderConstantI(1, ints, 1);
  device->SetPixelShaderConstantB(3, &yes, 1);
  device->SetVertexShaderConstantF(300, four, 1); // past the registers: refused, still listed
  device->SetClipPlane(1, four);
  const RECT scissor = {0, 0, 4, 4};
  device->SetScissorRect(&scissor);
  device->SetDepthStencilSurface(nullptr);
  device->BeginStateBlock();
  IDirect3DStateBlock9 *block = nullptr;
  device->EndStateBlock(&block);
  IDirect3DSurface9 *target = nullptr;
  device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                             nullptr);
  device->ColorFill(target, nullptr, 0xFF00FF00u);
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{
                "SetVertexShaderConstantF(2, 1)", "SetPixelShaderConstantF(0, 1)",
                "SetVertexShaderConstantI(1, 1)", "SetPixelShaderConstantB(3, 1)",
                "SetVertexShaderConstantF(300, 1)", "SetClipPlane(1)", "SetScissorRect(rect)",
                "SetDepthStencilSurface(null)", "BeginStateBlock()", "EndStateBlock(block)",
                "CreateRenderTarget(4, 4, 21)", "ColorFill(0xFF00FF00)"}));
  UINT count = 0;
  std::vector<ZRQ_D3D9_CALL> calls(12);
  ASSERT_EQ(ZrqD3D9GetRecordedCalls(device, calls.data(), 12, &count), D3D_OK);
  EXPECT_EQ(calls[4].Result, D3DERR_INVALIDCALL);
  EXPECT_EQ(calls[9].Object, block);
  EXPECT_EQ(calls[10].Object, target);
  block->Release();
  target->Release();
}

} // namespace
} // namespace zrq::d3d9::test
