// A frei0r filter plugin of the module. One source for all eleven plugins: ZRQ_FREI0R_EFFECT
// names the effect of a plugin for one effect, or is 0 for the plugin that takes the effect
// as a parameter. Nothing leaves these functions as an exception: a failure is a null
// instance or a frame passed through unchanged.
#include "host/frei0r/Frei0rEffects.h"
#include "host/frei0r/Frei0rFilter.h"
#include "host/frei0r/Frei0rValues.h"

#include "host/EffectModule.h"

// The plugin interface is C, and its header says so to no compiler.
extern "C" {
#include <frei0r.h>
}

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#ifndef ZRQ_FREI0R_EFFECT
#error "ZRQ_FREI0R_EFFECT names the plugin's effect (0: the effect is a parameter)"
#endif

namespace {

constexpr bool kGeneric = ZRQ_FREI0R_EFFECT == 0;
static_assert(kGeneric || Frei0rEffectIndex(ZRQ_FREI0R_EFFECT) >= 0,
              "ZRQ_FREI0R_EFFECT is no effect identifier");
// The plugin's own effect (for the generic plugin, the one it starts with).
constexpr const Frei0rEffect &kEffect =
    kFrei0rEffects[kGeneric ? 0 : Frei0rEffectIndex(ZRQ_FREI0R_EFFECT)];

constexpr int kValueParameter = 0;
constexpr int kEffectParameter = 1;

// The module, loaded once for every instance of the plugin.
std::unique_ptr<EffectModule> module;

// The module's file beside the plugin, or in the folder above it (a plugin folder such as
// lib/frei0r-1 beside the module's lib); empty when neither holds it.
std::string ModuleBesidePlugin(std::string *folder) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void *>(&f0r_init), &info) == 0 || !info.dli_fname) return {};
  std::string plugin = info.dli_fname;
  *folder = plugin.substr(0, plugin.rfind('/') + 1);
  for (std::string candidate : {*folder + kModuleFileName, *folder + "../" + kModuleFileName})
    if (access(candidate.c_str(), F_OK) == 0) return candidate;
  return {};
}

Frei0rFilter *FilterOf(f0r_instance_t instance) { return static_cast<Frei0rFilter *>(instance); }

} // namespace

extern "C" {

int f0r_init() try {
  if (module) return 1;
  // The module shipped with the plugin comes first; without one, the registered module.
  std::string folder;
  std::string beside = ModuleBesidePlugin(&folder);
  Result<std::unique_ptr<EffectModule>> opened =
      EffectModule::Open(beside, folder + kModuleFileName);
  if (!opened.ok()) {
    std::fprintf(stderr, "zrq frei0r: %s\n", opened.message().c_str());
    return 0;
  }
  module = std::move(opened.value());
  return 1;
} catch (...) {
  return 0;
}

void f0r_deinit() { module.reset(); }

void f0r_get_plugin_info(f0r_plugin_info_t *info) {
  info->name = kGeneric ? kFrei0rGenericName.data() : kEffect.pluginName.data();
  info->author = "ZRQ Distortion 2D";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_BGRA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 1;
  info->minor_version = 0;
  info->num_params = kGeneric ? 2 : 1;
  info->explanation = kGeneric ? "The ten 2D distortions, the effect chosen by a parameter"
                               : kEffect.explanation.data();
}

void f0r_get_param_info(f0r_param_info_t *info, int index) {
  if (index == kValueParameter) {
    info->name = "Effect Value";
    info->type = F0R_PARAM_DOUBLE;
    info->explanation = "The strength of the effect, 0 to 1 (1 is 100 %)";
  } else if (kGeneric && index == kEffectParameter) {
    info->name = "Effect";
    info->type = F0R_PARAM_DOUBLE;
    info->explanation = "Which effect: each owns a tenth of 0 to 1, in the order Wave, "
                        "Replicate, Mirror from Top, Bottom, Left, Right, Color Shift "
                        "Horizontal, Vertical, Diagonal, Panel Rotate";
  }
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) try {
  if (!module && f0r_init() == 0) return nullptr;
  return Frei0rFilter::Create(*module, kEffect.id, width, height).release();
} catch (...) {
  return nullptr;
}

void f0r_destruct(f0r_instance_t instance) { delete FilterOf(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance || !param) return;
  const double given = *static_cast<const f0r_param_double *>(param);
  if (index == kValueParameter)
    FilterOf(instance)->SetPercent(PercentOfFraction(given));
  else if (kGeneric && index == kEffectParameter)
    FilterOf(instance)->SetEffect(EffectOfFraction(given));
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance || !param) return;
  double *value = static_cast<f0r_param_double *>(param);
  if (index == kValueParameter)
    *value = FilterOf(instance)->Percent() / 100.0;
  else if (kGeneric && index == kEffectParameter)
    *value = FractionOfEffect(FilterOf(instance)->Effect());
}

void f0r_update(f0r_instance_t instance, double, const uint32_t *in, uint32_t *out) try {
  if (instance) FilterOf(instance)->Update(in, out);
} catch (...) {
  // Nothing throws once the instance stands; a frame that failed anyway is left as it was.
}

} // extern "C"
