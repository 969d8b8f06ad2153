// A plugin's frames as a host that animates the value drives them: after the first frame,
// nothing is allocated, whatever the value does between frames.
extern "C" {
#include <frei0r.h>
}

#include "support/FailingAllocator.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

template <typename Function> Function Entry(void *library, const char *name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

TEST(Frei0rUpdate, AllocatesNothingAfterTheFirstFrameWhileTheValueMoves) {
  const std::string path =
      std::string(std::getenv("ZRQ_BINARY_DIR")) + "/bin/frei0r-1/zrq_distortion2d.so";
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(library) << dlerror();
  auto init = Entry<int (*)()>(library, "f0r_init");
  auto construct = Entry<f0r_instance_t (*)(unsigned, unsigned)>(library, "f0r_construct");
  auto destruct = Entry<void (*)(f0r_instance_t)>(library, "f0r_destruct");
  auto set = Entry<void (*)(f0r_instance_t, f0r_param_t, int)>(library, "f0r_set_param_value");
  auto update =
      Entry<void (*)(f0r_instance_t, double, const uint32_t *, uint32_t *)>(library, "f0r_update");
  auto deinit = Entry<void (*)()>(library, "f0r_deinit");
  ASSERT_TRUE(init && construct && destruct && set && update && deinit);
  ASSERT_EQ(init(), 1);

  const unsigned width = 320, height = 184;
  std::vector<uint32_t> in(width * height), out(width * height);
  for (size_t i = 0; i < in.size(); ++i) in[i] = 0xff000000u | uint32_t(i * 2654435761u >> 8);
  for (int effect = 0; effect < 10; ++effect) {
    f0r_instance_t instance = construct(width, height);
    ASSERT_TRUE(instance);
    double choice = effect / 10.0;
    set(instance, &choice, 1);
    update(instance, 0.0, in.data(), out.data()); // the first frame may set things up
    const long before = AllocationsOnThisThread();
    for (int frame = 0; frame < 24; ++frame) {
      double value = frame / 23.0;
      set(instance, &value, 0);
      update(instance, frame / 25.0, in.data(), out.data());
    }
    EXPECT_EQ(AllocationsOnThisThread() - before, 0) << "effect " << 2001 + effect;
    destruct(instance);
  }
  deinit();
  dlclose(library);
}

} // namespace
