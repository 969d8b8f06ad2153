// A new effect object made by its instance creator, with its interfaces at hand, and small
// helpers for key frames and pictures.
#pragma once

#include <gtest/gtest.h>

#include <atlcomcli.h>
#include <ocidl.h>

#include <cstdint>
#include <vector>

#include <ZRQDistortion2D.h>

#include "effect/EffectIds.h"
#include "effect/EffectParameterTable.h"
#include "effect/ZRQDistortion2DEffect.h"
#include "params/KeyFrameGroup.h"

namespace zrq::test {

struct EffectObject {
  EffectObject() {
    void *made = nullptr;
    EXPECT_EQ(ZRQDistortion2DEffect::CreateInstance(nullptr, IID_IUnknown, &made), S_OK);
    unknown.Attach(static_cast<IUnknown *>(made));
    if (!unknown) return;
    unknown->QueryInterface(IID_IDeviceEffect, reinterpret_cast<void **>(&device));
    unknown->QueryInterface(IID_ISoftwareEffect, reinterpret_cast<void **>(&software));
    unknown->QueryInterface(IID_IEffectParameters, reinterpret_cast<void **>(&parameters));
    unknown->QueryInterface(IID_IParameterSetXml, reinterpret_cast<void **>(&xml));
  }

  HRESULT SetEffectId(LONG id) { return parameters->SetValue(EffectIdParameter, CComVariant(id)); }

  // A start-offset key frame of "Effect Value", stored as the page stores a whole percentage.
  HRESULT Key(double time, short percent) {
    return parameters->SetKeyFrameValue(time, StartOffset, EffectValueParameter,
                                        CComVariant(percent));
  }

  CComPtr<IUnknown> unknown;
  CComPtr<IDeviceEffect> device;
  CComPtr<ISoftwareEffect> software;
  CComPtr<IEffectParameters> parameters;
  CComPtr<IParameterSetXml> xml;
};

// A W × H picture of distinct opaque colours, four bytes a pixel, rows in memory order.
inline std::vector<uint32_t> PatternPicture(int w, int h) {
  std::vector<uint32_t> pixels(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[size_t(y) * w + x] = 0xFF000000u | uint32_t(x * 37 % 256) << 16 |
                                  uint32_t(y * 53 % 256) << 8 | uint32_t((x * 11 + y * 7) % 256);
  return pixels;
}

} // namespace zrq::test
