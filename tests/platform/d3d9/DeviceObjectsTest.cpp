// Creation, defaults, capabilities, state blocks, reference counts, memory failures, bad
// arguments and the call recorder.
#include "tests/platform/d3d9/DeviceFixture.h"

#include <string>

namespace zrq::d3d9::test {
namespace {

class DeviceObjects : public DeviceFixture {};

DWORD RS(IDirect3DDevice9 *d, D3DRENDERSTATETYPE s) {
  DWORD v = 0xDEADBEEF;
  EXPECT_EQ(d->GetRenderState(s, &v), D3D_OK);
  return v;
}
DWORD TSS(IDirect3DDevice9 *d, DWORD stage, D3DTEXTURESTAGESTATETYPE t) {
  DWORD v = 0xDEADBEEF;
  EXPECT_EQ(d->GetTextureStageState(stage, t, &v), D3D_OK);
  return v;
}

TEST_F(DeviceObjects, DefaultStatesAfterCreation) {
  Open(16, 8, true);
  EXPECT_EQ(RS(device, D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
  EXPECT_EQ(RS(device, D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
  EXPECT_EQ(RS(device, D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_LESSEQUAL));
  EXPECT_EQ(RS(device, D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
  EXPECT_EQ(RS(device, D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
  EXPECT_EQ(RS(device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
  EXPECT_EQ(RS(device, D3DRS_STENCILFUNC), static_cast<DWORD>(D3DCMP_ALWAYS));
  EXPECT_EQ(RS(device, D3DRS_STENCILREF), 0u);
  EXPECT_EQ(RS(device, D3DRS_STENCILMASK), 0xFFFFFFFFu);
  EXPECT_EQ(RS(device, D3DRS_STENCILWRITEMASK), 0xFFFFFFFFu);
  for (auto s : {D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS})
    EXPECT_EQ(RS(device, s), static_cast<DWORD>(D3DSTENCILOP_KEEP));
  EXPECT_EQ(RS(device, D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
  EXPECT_EQ(RS(device, D3DRS_AMBIENT), 0u);
  EXPECT_EQ(RS(device, D3DRS_COLORVERTEX), static_cast<DWORD>(TRUE));
  EXPECT_EQ(RS(device, D3DRS_AMBIENTMATERIALSOURCE), static_cast<DWORD>(D3DMCS_MATERIAL));
  EXPECT_EQ(RS(device, D3DRS_EMISSIVEMATERIALSOURCE), static_cast<DWORD>(D3DMCS_MATERIAL));
  EXPECT_EQ(RS(device, D3DRS_DIFFUSEMATERIALSOURCE), static_cast<DWORD>(D3DMCS_COLOR1));
  EXPECT_EQ(RS(device, D3DRS_COLORWRITEENABLE), 0xFu);
  EXPECT_EQ(TSS(device, 0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
  EXPECT_EQ(TSS(device, 0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
  EXPECT_EQ(TSS(device, 0, D3DTSS_COLORARG2), static_cast<DWORD>(D3DTA_CURRENT));
  EXPECT_EQ(TSS(device, 0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  EXPECT_EQ(TSS(device, 0, D3DTSS_ALPHAARG1), static_cast<DWORD>(D3DTA_TEXTURE));
  EXPECT_EQ(TSS(device, 0, D3DTSS_ALPHAARG2), static_cast<DWORD>(D3DTA_CURRENT));
  EXPECT_EQ(TSS(device, 1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
  EXPECT_EQ(TSS(device, 1, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_DISABLE));
  DWORD v;
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
  device->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
  device->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_NONE));
  D3DVIEWPORT9 vp;
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 16u);
  EXPECT_EQ(vp.Height, 8u);
}

TEST_F(DeviceObjects, ZEnableDefaultsFalseWithoutAutomaticDepth) {
  Open(4, 4, false);
  EXPECT_EQ(RS(device, D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
  IDirect3DSurface9 *ds = nullptr;
  EXPECT_EQ(device->GetDepthStencilSurface(&ds), D3DERR_NOTFOUND);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceObjects, CapsReportTheConfiguredShaderVersions) {
  Open(4, 4);
  D3DCAPS9 caps;
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0101u);
  EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
  SetOptions({0, 0, FALSE, 0, FALSE});
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.VertexShaderVersion, 0u);
  EXPECT_EQ(caps.PixelShaderVersion, 0u);
}

TEST_F(DeviceObjects, StateBlockRestoresEverythingARendererChanges) {
  Open(8, 8);
  IDirect3DTexture9 *t = MakeTexture(1, 1, {0xFFFFFFFF});
  IDirect3DVertexBuffer9 *vb = nullptr;
  IDirect3DIndexBuffer9 *ib = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0x112, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  IDirect3DStateBlock9 *saved = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &saved), D3D_OK);

  const D3DMATRIX moved = {{{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1}}};
  D3DMATERIAL9 mat = {};
  mat.Ambient = {0.5f, 0.5f, 0.5f, 1};
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0, 0, 1};
  const D3DRENDERSTATETYPE states[] = {
      D3DRS_LIGHTING,         D3DRS_AMBIENT,    D3DRS_FILLMODE,         D3DRS_ZENABLE,
      D3DRS_STENCILFUNC,      D3DRS_STENCILREF, D3DRS_STENCILWRITEMASK, D3DRS_STENCILPASS,
      D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,   D3DRS_DESTBLEND};
  DWORD before[std::size(states)];
  for (size_t i = 0; i < std::size(states); ++i) {
    before[i] = RS(device, states[i]);
    device->SetRenderState(states[i], before[i] ^ 0x5);
  }
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_ADD);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTransform(D3DTS_WORLD, &moved);
  device->SetTransform(D3DTS_VIEW, &moved);
  device->SetMaterial(&mat);
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  device->SetTexture(0, t);
  device->SetStreamSource(0, vb, 0, 32);
  device->SetIndices(ib);
  device->SetFVF(0x102);

  ASSERT_EQ(saved->Apply(), D3D_OK);
  for (size_t i = 0; i < std::size(states); ++i)
    EXPECT_EQ(RS(device, states[i]), before[i]) << states[i];
  EXPECT_EQ(TSS(device, 0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  DWORD v;
  device->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
  D3DMATRIX m;
  device->GetTransform(D3DTS_WORLD, &m);
  EXPECT_EQ(m._41, 0.0f);
  device->GetTransform(D3DTS_VIEW, &m);
  EXPECT_EQ(m._11, 1.0f);
  D3DMATERIAL9 gotMat;
  device->GetMaterial(&gotMat);
  EXPECT_EQ(gotMat.Ambient.r, 0.0f);
  IDirect3DBaseTexture9 *gotTex = reinterpret_cast<IDirect3DBaseTexture9 *>(1);
  device->GetTexture(0, &gotTex);
  EXPECT_EQ(gotTex, nullptr);
  IDirect3DVertexBuffer9 *gotVb = reinterpret_cast<IDirect3DVertexBuffer9 *>(1);
  UINT off, stride;
  device->GetStreamSource(0, &gotVb, &off, &stride);
  EXPECT_EQ(gotVb, nullptr);
  IDirect3DIndexBuffer9 *gotIb = reinterpret_cast<IDirect3DIndexBuffer9 *>(1);
  device->GetIndices(&gotIb);
  EXPECT_EQ(gotIb, nullptr);
  device->GetFVF(&v);
  EXPECT_EQ(v, 0u);
  // The light did not exist at capture: it stays, as on Direct3D 9, but a captured one is restored.
  saved->Release();
  t->Release();
  vb->Release();
  ib->Release();
}

TEST_F(DeviceObjects, StateBlockCaptureAndRecordedBlocks) {
  Open(4, 4);
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  device->SetRenderState(D3DRS_AMBIENT, 0x12345678);
  IDirect3DStateBlock9 *block = nullptr;
  ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
  EXPECT_EQ(RS(device, D3DRS_AMBIENT), 0u) << "recording does not change the device";
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ASSERT_EQ(block->Apply(), D3D_OK);
  EXPECT_EQ(RS(device, D3DRS_AMBIENT), 0x12345678u);
  EXPECT_EQ(RS(device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE))
      << "only recorded states apply";
  device->SetRenderState(D3DRS_AMBIENT, 7);
  ASSERT_EQ(block->Capture(), D3D_OK);
  device->SetRenderState(D3DRS_AMBIENT, 9);
  block->Apply();
  EXPECT_EQ(RS(device, D3DRS_AMBIENT), 7u);
  block->Release();
}

TEST_F(DeviceObjects, ObjectsHoldTheDeviceAndTeardownLeavesNoReference) {
  Open(4, 4);
  device->AddRef();
  const ULONG base = device->Release();
  IDirect3DTexture9 *t = MakeTexture(2, 2, {1, 2, 3, 4});
  device->AddRef();
  EXPECT_EQ(device->Release(), base + 1) << "a texture holds one device reference";
  IDirect3DSurface9 *level = nullptr;
  ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);
  EXPECT_EQ(level->Release(), 1u) << "levels share the texture's count";
  device->SetTexture(0, t);
  IDirect3DStateBlock9 *sb = nullptr;
  device->CreateStateBlock(D3DSBT_ALL, &sb);
  EXPECT_EQ(t->Release(), 0u) << "bindings are internal references";
  EXPECT_EQ(sb->Release(), 0u);
  device->SetTexture(0, nullptr);
  IDirect3DSurface9 *bb = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  EXPECT_EQ(bb->Release(), 0u);
  device->AddRef();
  EXPECT_EQ(device->Release(), base);
}

TEST_F(DeviceObjects, AllocationFailureIsOutOfMemory) {
  Open(4, 4);
  SetOptions({0, 0, FALSE, 1 << 20, FALSE});
  IDirect3DTexture9 *t = reinterpret_cast<IDirect3DTexture9 *>(1);
  EXPECT_EQ(device->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            E_OUTOFMEMORY);
  EXPECT_EQ(t, nullptr);
  IDirect3DVertexBuffer9 *vb = nullptr;
  EXPECT_EQ(device->CreateVertexBuffer(2 << 20, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr),
            E_OUTOFMEMORY);
  // Memory comes back when objects go.
  ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  t->Release();
  ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  t->Release();
}

TEST_F(DeviceObjects, BadArgumentsAreInvalidCallsNotCrashes) {
  Open(4, 4);
  EXPECT_EQ(device->GetRenderState(D3DRS_LIGHTING, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(4096), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetDeviceCaps(nullptr), D3DERR_INVALIDCALL);
  // Draws without a stream, without indices, or beyond the buffers.
  device->SetFVF(0x112);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  IDirect3DVertexBuffer9 *vb = nullptr;
  IDirect3DIndexBuffer9 *ib = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(4 * 32, 0, 0x112, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  device->SetIndices(ib);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "no stream";
  device->SetStreamSource(0, vb, 0, 32);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL)
      << "indices run out";
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "vertices run out";
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
  WORD *idx = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void **>(&idx), 0), D3D_OK);
  idx[5] = 60000;
  ib->Unlock();
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL)
      << "index 60000";
  // Locks out of range, unbalanced unlocks.
  void *p = nullptr;
  EXPECT_EQ(vb->Lock(100, 100, &p, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  IDirect3DTexture9 *t = MakeTexture(2, 2, {0, 0, 0, 0});
  D3DLOCKED_RECT lr;
  const RECT outside = {0, 0, 3, 1};
  EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
  const D3DVIEWPORT9 big = {0, 0, 5, 4, 0, 1};
  EXPECT_EQ(device->SetViewport(&big), D3DERR_INVALIDCALL);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  t->Release();
  vb->Release();
  ib->Release();
}

TEST_F(DeviceObjects, ShadersHandBackTheirTokensAndAnEmptyOneDrawsNothing) {
  Open(4, 4);
  const DWORD tokens[] = {0xFFFE0101, 0x0000FFFF};
  IDirect3DVertexShader9 *vs = nullptr;
  ASSERT_EQ(device->CreateVertexShader(tokens, &vs), D3D_OK);
  UINT size = 0;
  ASSERT_EQ(vs->GetFunction(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, sizeof tokens);
  const DWORD pixelTokens[] = {0xFFFF0200, 0x0000FFFF};
  IDirect3DVertexShader9 *wrong = nullptr;
  EXPECT_EQ(device->CreateVertexShader(pixelTokens, &wrong), D3DERR_INVALIDCALL);
  // Without a position written every vertex lies at w = 0, outside the clip volume.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->SetVertexShader(vs);
  EXPECT_EQ(DrawRect(0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(Pixel(1, 1), 0xFF000000u);
  device->SetVertexShader(nullptr);
  EXPECT_EQ(vs->Release(), 0u);
}

TEST_F(DeviceObjects, RecorderListsCallsWithTheirArguments) {
  Open(4, 4);
  SetOptions({0, 0, TRUE, 0, FALSE});
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTexture(0, nullptr);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  UINT count = 0;
  ASSERT_EQ(ZrqD3D9GetRecordedCalls(device, nullptr, 0, &count), D3D_OK);
  ASSERT_EQ(count, 3u);
  std::vector<ZRQ_D3D9_CALL> calls(count);
  ASSERT_EQ(ZrqD3D9GetRecordedCalls(device, calls.data(), count, &count), D3D_OK);
  EXPECT_STREQ(calls[0].Text, "SetRenderState(137, 0)");
  EXPECT_EQ(calls[0].Args[0], static_cast<DWORD>(D3DRS_LIGHTING));
  EXPECT_STREQ(calls[1].Text, "SetTexture(0, null)");
  EXPECT_STREQ(calls[2].Method, "Clear");
  ASSERT_EQ(ZrqD3D9ClearRecordedCalls(device), D3D_OK);
  ASSERT_EQ(ZrqD3D9GetRecordedCalls(device, nullptr, 0, &count), D3D_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ZrqD3D9GetRecordedCalls(nullptr, nullptr, 0, &count), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace zrq::d3d9::test
