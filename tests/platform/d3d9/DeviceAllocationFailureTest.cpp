// The software device when memory runs out: every call that makes something answers
// E_OUTOFMEMORY, hands back no object and leaves no reference behind, and a draw that cannot
// get its working memory leaves the render target as it was. This program's allocation
// functions fail the n-th allocation on demand.
#include "DeviceFixture.h"

#include "support/FailingAllocator.h"

#include <atlcomcli.h>

#include <functional>

namespace zrq::d3d9::test {
namespace {

using MakeObject = std::function<HRESULT(IDirect3DDevice9 *, IUnknown **)>;

// What `make` made, handed out as an IUnknown (the object is read only after the call).
template <typename Object, typename Make> HRESULT Made(Object **object, IUnknown **out, Make make) {
  const HRESULT hr = make();
  *out = *object;
  return hr;
}

ULONG References(IUnknown *object) {
  object->AddRef();
  return object->Release();
}

class DeviceAllocationFailure : public DeviceFixture {
protected:
  // Makes the object with each allocation failing in turn: a failure hands back nothing and
  // leaves the device's references as they were.
  void FailsWhole(const char *what, const MakeObject &make) {
    SCOPED_TRACE(what);
    const ULONG before = References(device);
    const long failed = WithEachAllocationFailing(
        [&] {
          IUnknown *object = nullptr;
          const HRESULT hr = make(device, &object);
          if (FAILED(hr)) {
            EXPECT_EQ(object, nullptr);
          } else if (object) {
            object->Release();
          }
          return hr;
        },
        [&](HRESULT) { EXPECT_EQ(References(device), before); });
    EXPECT_GT(failed, 0) << "making it allocates, so some attempts must fail";
  }
};

TEST_F(DeviceAllocationFailure, CreatingADeviceFailsWhole) {
  WithEachAllocationFailing(
      [] {
        CComPtr<IDirect3D9> d3d;
        d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        if (!d3d) return E_OUTOFMEMORY;
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 32;
        pp.BackBufferFormat = D3DFMT_A8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        IDirect3DDevice9 *made = nullptr;
        const HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                             D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &made);
        if (FAILED(hr)) {
          EXPECT_EQ(made, nullptr);
        } else {
          EXPECT_EQ(made->Release(), 0u);
        }
        return hr;
      },
      [](HRESULT) {});
}

TEST_F(DeviceAllocationFailure, ResourcesFailWhole) {
  Open(16, 8);
  FailsWhole("texture", [](IDirect3DDevice9 *d, IUnknown **out) {
    IDirect3DTexture9 *t = nullptr;
    return Made(&t, out, [&] {
      return d->CreateTexture(32, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
    });
  });
  FailsWhole("vertex buffer", [](IDirect3DDevice9 *d, IUnknown **out) {
    IDirect3DVertexBuffer9 *vb = nullptr;
    return Made(&vb, out,
                [&] { return d->CreateVertexBuffer(1024, 0, 0, D3DPOOL_MANAGED, &vb, nullptr); });
  });
  FailsWhole("index buffer", [](IDirect3DDevice9 *d, IUnknown **out) {
    IDirect3DIndexBuffer9 *ib = nullptr;
    return Made(&ib, out, [&] {
      return d->CreateIndexBuffer(256, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
    });
  });
  FailsWhole("plain surface", [](IDirect3DDevice9 *d, IUnknown **out) {
    IDirect3DSurface9 *s = nullptr;
    return Made(&s, out, [&] {
      return d->CreateOffscreenPlainSurface(16, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr);
    });
  });
  FailsWhole("state block", [](IDirect3DDevice9 *d, IUnknown **out) {
    IDirect3DStateBlock9 *b = nullptr;
    return Made(&b, out, [&] { return d->CreateStateBlock(D3DSBT_ALL, &b); });
  });
  FailsWhole("vertex declaration", [](IDirect3DDevice9 *d, IUnknown **out) {
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9 *declaration = nullptr;
    return Made(&declaration, out,
                [&] { return d->CreateVertexDeclaration(elements, &declaration); });
  });
  FailsWhole("vertex shader", [](IDirect3DDevice9 *d, IUnknown **out) {
    const DWORD tokens[] = {0xFFFE0101, 0x0000FFFF};
    IDirect3DVertexShader9 *vs = nullptr;
    return Made(&vs, out, [&] { return d->CreateVertexShader(tokens, &vs); });
  });
}

TEST_F(DeviceAllocationFailure, ADrawWithoutMemoryLeavesTheTargetAsItWas) {
  Open(16, 8);
  IDirect3DTexture9 *texture =
      MakeTexture(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
  ASSERT_NE(texture, nullptr);
  device->SetTexture(0, texture);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030u, 1.0f, 0);
  const std::vector<DWORD> cleared = ReadBack();
  // The first draw makes the device's working memory, so it allocates.
  const long failed = WithEachAllocationFailing(
      [&] {
        const ScreenVertex v[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                   {16, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                   {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 1}};
        device->SetFVF(kScreenFVF);
        return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ScreenVertex));
      },
      [&](HRESULT hr) {
        if (FAILED(hr)) {
          EXPECT_EQ(ReadBack(), cleared);
        }
      });
  EXPECT_GT(failed, 0);
  EXPECT_NE(ReadBack(), cleared);
  device->SetTexture(0, nullptr);
  texture->Release();
}

} // namespace
} // namespace zrq::d3d9::test
