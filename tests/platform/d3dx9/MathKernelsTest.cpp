// The math routines' plain and SSE forms agree to within one unit in the last place (in
// fact to the bit, since they add in the same order), and the exported routines use the form
// chosen on first use: SSE unless the processor lacks it or a registry setting turns it off.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <winreg.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "platform/d3dx9/MathKernels.h"

using namespace zrq::d3dx9;

namespace {

// Distance in representable floats; equal NaNs count as equal.
int64_t UlpDistance(float a, float b) {
  if (std::isnan(a) && std::isnan(b)) return 0;
  int32_t x, y;
  std::memcpy(&x, &a, 4);
  std::memcpy(&y, &b, 4);
  const int64_t ox = x < 0 ? int64_t{INT32_MIN} - x : x, oy = y < 0 ? int64_t{INT32_MIN} - y : y;
  return ox > oy ? ox - oy : oy - ox;
}

// Entries from tiny to huge, of both signs, with zeros and the odd infinity.
float Entry(std::mt19937 &random) {
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-40, 40), special(0, 99);
  const int s = special(random);
  if (s == 0) return 0.0f;
  if (s == 1) return -0.0f;
  if (s == 2) return std::numeric_limits<float>::infinity();
  return std::ldexp(mantissa(random), exponent(random));
}

D3DXMATRIX RandomMatrix(std::mt19937 &random) {
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = Entry(random);
  return m;
}

} // namespace

TEST(MathKernels, SseAgreesWithPlainToOneUlp) {
  const MathKernels &plain = PlainKernels(), &sse = SseKernels();
  std::mt19937 random(9);
  int64_t worst = 0;
  for (int n = 0; n < 20000; ++n) {
    const D3DXMATRIX a = RandomMatrix(random), b = RandomMatrix(random);
    D3DXMATRIX p, s;
    plain.multiply(&p, &a, &b);
    sse.multiply(&s, &a, &b);
    for (int i = 0; i < 16; ++i)
      worst = std::max(worst, UlpDistance(p.m[i / 4][i % 4], s.m[i / 4][i % 4]));
    const D3DXVECTOR3 v(Entry(random), Entry(random), Entry(random));
    D3DXVECTOR3 pv, sv;
    for (auto transform : {&MathKernels::transformCoord, &MathKernels::transformNormal}) {
      (plain.*transform)(&pv, &v, &a);
      (sse.*transform)(&sv, &v, &a);
      worst = std::max(
          {worst, UlpDistance(pv.x, sv.x), UlpDistance(pv.y, sv.y), UlpDistance(pv.z, sv.z)});
    }
    plain.normalize(&pv, &v);
    sse.normalize(&sv, &v);
    worst = std::max(
        {worst, UlpDistance(pv.x, sv.x), UlpDistance(pv.y, sv.y), UlpDistance(pv.z, sv.z)});
  }
  EXPECT_LE(worst, 1);
  // Either form writes through an output that is also an input.
  std::mt19937 again(1);
  D3DXMATRIX a = RandomMatrix(again), b = RandomMatrix(again), expected;
  plain.multiply(&expected, &a, &b);
  sse.multiply(&a, &a, &b);
  EXPECT_EQ(a, expected);
}

// Each of the two registry settings turns the processor-specific routines off; the choice is
// made once, so each case runs in a process of its own.
TEST(MathKernels, EitherRegistrySettingTurnsTheProcessorRoutinesOff) {
  for (const char16_t *name : {u"DisablePSGP", u"DisableD3DXPSGP"}) {
    EXPECT_EXIT(
        {
          const std::string registry =
              testing::TempDir() + "zrq-psgp-" + std::to_string(getpid()) + ".reg";
          setenv("ZRQ_REGISTRY", registry.c_str(), 1);
          HKEY key = nullptr;
          DWORD one = 1;
          bool written =
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Direct3D", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS &&
              RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one),
                             sizeof one) == ERROR_SUCCESS;
          RegCloseKey(key);
          bool plain = std::string(ActiveKernels().name) == "plain";
          std::remove(registry.c_str());
          std::exit(written && plain ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
  }
}

TEST(MathKernels, TheChoiceFollowsTheProcessorAndTheSetting) {
  EXPECT_EQ(&ChooseKernels(true, 0), &SseKernels());
  EXPECT_EQ(&ChooseKernels(true, 1), &PlainKernels());
  EXPECT_EQ(&ChooseKernels(true, 0xFFFFFFFF), &PlainKernels());
  EXPECT_EQ(&ChooseKernels(false, 0), &PlainKernels());
  // Every x86-64 processor has SSE, and the tests' registry holds no setting: SSE it is.
  EXPECT_STREQ(ActiveKernels().name, "sse");
  std::mt19937 random(4);
  const D3DXMATRIX a = RandomMatrix(random), b = RandomMatrix(random);
  D3DXMATRIX exported, direct;
  D3DXMatrixMultiply(&exported, &a, &b);
  ActiveKernels().multiply(&direct, &a, &b);
  EXPECT_EQ(std::memcmp(&exported, &direct, sizeof exported), 0);
}
