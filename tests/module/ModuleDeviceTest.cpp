// Every effect drawn on a device through the loaded module, the way a host drives it; the host
// gets every reference back when it lets go.
#include "ReferenceCount.h"
#include <gtest/gtest.h>

#include <atlcomcli.h>
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include <ZRQDistortion2D.h>

#include "host/common/ModelSpaceView.h"
#include "support/TestDevice.h"

namespace {

using zrq::test::ReferenceCount;

constexpr UINT kW = 40;
constexpr UINT kH = 30;

std::vector<uint32_t> Picture() {
  std::vector<uint32_t> pixels(kW * kH);
  for (UINT i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | (i * 2654435761u >> 8);
  return pixels;
}

TEST(ModuleOnDevice, EveryEffectDrawsAndTheHostGetsItsReferencesBack) {
  const char *dir = std::getenv("ZRQ_BINARY_DIR");
  void *module = dlopen((std::string(dir ? dir : ".") + "/bin/ZRQDistortion2D9.so").c_str(),
                        RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(module, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(module, "DllCanUnloadNow"));
  ASSERT_TRUE(getClassObject && canUnloadNow);

  zrq::test::TestDevice target(kW, kH);
  ASSERT_TRUE(target.device);
  ASSERT_EQ(zrq::host::ApplyModelSpaceView(target.device, kW, kH), S_OK);
  const std::vector<uint32_t> picture = Picture();
  CComPtr<IDirect3DTexture9> texture = target.Texture(kW, kH, picture);
  ASSERT_TRUE(texture);
  const ULONG deviceCount = ReferenceCount(target.device);
  const ULONG textureCount = ReferenceCount(texture);
  {
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_ZRQDistortion2DEffect, IID_IClassFactory,
                             reinterpret_cast<void **>(&factory)),
              S_OK);
    for (LONG id = 2001; id <= 2010; ++id) {
      CComPtr<IDeviceEffect> effect;
      ASSERT_EQ(
          factory->CreateInstance(nullptr, IID_IDeviceEffect, reinterpret_cast<void **>(&effect)),
          S_OK);
      CComPtr<IEffectParameters> parameters;
      ASSERT_EQ(
          effect->QueryInterface(IID_IEffectParameters, reinterpret_cast<void **>(&parameters)),
          S_OK);
      ASSERT_EQ(parameters->SetValue(0, CComVariant(id)), S_OK);
      ASSERT_EQ(parameters->SetKeyFrameValue(0.0, 1, 21, CComVariant(short(0))), S_OK);
      ASSERT_EQ(parameters->SetKeyFrameValue(1.0, 1, 21, CComVariant(short(100))), S_OK);
      ASSERT_EQ(effect->SetDevice(target.device, kW, kH), S_OK);
      ASSERT_EQ(effect->SetDuration(1.0), S_OK);
      ASSERT_EQ(parameters->ApplyParameters(), S_OK);
      for (const double time : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        target.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        float aspect = float(kW) / kH;
        ASSERT_EQ(effect->PrepareFrame(time, &aspect, 1), S_OK) << id << " at " << time;
        IDirect3DTexture9 *textures[1] = {texture};
        ASSERT_EQ(effect->RenderFrame(textures, 1), S_OK) << id << " at " << time;
        // The panel effects at 0 are the picture itself, pixel for pixel.
        const bool flatAtZero = id != 2001 && (id < 2007 || id > 2009);
        if (time == 0.0 && flatAtZero) {
          EXPECT_EQ(target.ReadBack(), picture) << id;
        }
      }
      EXPECT_EQ(canUnloadNow(), S_FALSE);
    }
  }
  EXPECT_EQ(ReferenceCount(target.device), deviceCount);
  EXPECT_EQ(ReferenceCount(texture), textureCount);
  EXPECT_EQ(canUnloadNow(), S_OK);
  dlclose(module);
}

} // namespace
