// One frame's evaluation of the key-framed effect value, as the render path makes it, from a
// handful of key frames up to a project of 100,000: the cost must grow with the logarithm of
// the count, not with the count.
#include <benchmark/benchmark.h>

#include "params/EffectParameters.h"

namespace {

void FillKeyFrames(EffectParameters &parameters, int keyFrames) {
  for (int i = 0; i < keyFrames; ++i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = static_cast<SHORT>(i * 37 % 101);
    parameters.SetKeyFrameValue(static_cast<double>(i) / (keyFrames - 1), 1, 21, v);
  }
}

void GetValueAtTime(benchmark::State &state) {
  EffectParameters parameters;
  FillKeyFrames(parameters, static_cast<int>(state.range(0)));
  double time = 0.0;
  for (auto _ : state) {
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = parameters.GetValueAtTime(time, 21, &out);
    benchmark::DoNotOptimize(hr);
    benchmark::DoNotOptimize(out.dblVal);
    time += 0.000123;
    if (time > 1.0) time -= 1.0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GetValueAtTime)->Arg(2)->Arg(10)->Arg(100)->Arg(10'000)->Arg(100'000);

} // namespace

BENCHMARK_MAIN();
