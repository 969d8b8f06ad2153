/* A frei0r host written in C: it loads each plugin with dlopen as frei0r hosts do, reads its
   info and parameters, and checks the frames it makes against zrq-render's software path on
   the same input, byte for byte. */
#define _POSIX_C_SOURCE 200809L /* mkdtemp */

#include <frei0r.h>

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "../../support/CCheck.h"

#define WIDTH 64
#define HEIGHT 48
#define PIXELS (WIDTH * HEIGHT)

struct Plugin {
  const char *name;
  int effect; /* 0: the effect is a parameter */
};

static const struct Plugin plugins[] = {
    {"zrq_wave", 2001},
    {"zrq_replicate", 2002},
    {"zrq_mirror_top", 2003},
    {"zrq_mirror_bottom", 2004},
    {"zrq_mirror_left", 2005},
    {"zrq_mirror_right", 2006},
    {"zrq_color_shift_horizontal", 2007},
    {"zrq_color_shift_vertical", 2008},
    {"zrq_color_shift_diagonal", 2009},
    {"zrq_panel_rotate", 2010},
    {"zrq_distortion2d", 0},
};

struct Entries {
  int (*init)(void);
  void (*deinit)(void);
  void (*get_plugin_info)(f0r_plugin_info_t *);
  void (*get_param_info)(f0r_param_info_t *, int);
  f0r_instance_t (*construct)(unsigned, unsigned);
  void (*destruct)(f0r_instance_t);
  void (*set_param_value)(f0r_instance_t, f0r_param_t, int);
  void (*get_param_value)(f0r_instance_t, f0r_param_t, int);
  void (*update)(f0r_instance_t, double, const uint32_t *, uint32_t *);
};

static int Find(void *library, struct Entries *e) {
#define ENTRY(field) (*(void **)&e->field = dlsym(library, "f0r_" #field)) != NULL
  return ENTRY(init) && ENTRY(deinit) && ENTRY(get_plugin_info) && ENTRY(get_param_info) &&
         ENTRY(construct) && ENTRY(destruct) && ENTRY(set_param_value) && ENTRY(get_param_value) &&
         ENTRY(update);
#undef ENTRY
}

static int WriteFile(const char *path, const void *data, size_t size) {
  FILE *file = fopen(path, "wb");
  int ok = file && fwrite(data, 1, size, file) == size;
  return (file && fclose(file) == 0) && ok;
}

static int ReadFile(const char *path, void *data, size_t size) {
  FILE *file = fopen(path, "rb");
  int ok = file && fread(data, 1, size, file) == size && fgetc(file) == EOF;
  if (file) fclose(file);
  return ok;
}

/* What zrq-render's software path makes of `input` with effect `effect` at `percent`. */
static int Reference(const char *folder, const uint32_t *input, int effect, const char *percent,
                     uint32_t *reference) {
  char in[512], out[512], command[2048];
  snprintf(in, sizeof in, "%s/in.raw", folder);
  snprintf(out, sizeof out, "%s/ref.raw", folder);
  if (!WriteFile(in, input, PIXELS * 4)) return 0;
  snprintf(command, sizeof command,
           "'%s/bin/zrq-render' --raw %dx%d --effect %d --value %s --input '%s' --output '%s'",
           getenv("ZRQ_BINARY_DIR"), WIDTH, HEIGHT, effect, percent, in, out);
  return system(command) == 0 && ReadFile(out, reference, PIXELS * 4);
}

static void CheckPlugin(const struct Plugin *plugin, const char *folder, const uint32_t *input) {
  char path[512];
  snprintf(path, sizeof path, "%s/bin/frei0r-1/%s.so", getenv("ZRQ_BINARY_DIR"), plugin->name);
  void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  CHECK_SAYS(library, "%s", dlerror());
  struct Entries f;
  if (!library || !Find(library, &f)) {
    CHECK_SAYS(0, "%s lacks a frei0r entry point", plugin->name);
    return;
  }
  CHECK_SAYS(f.init() == 1, "%s: f0r_init failed", plugin->name);

  f0r_plugin_info_t info;
  memset(&info, 0, sizeof info);
  f.get_plugin_info(&info);
  CHECK_SAYS(info.name && strcmp(info.name, plugin->name) == 0, "name %s", info.name);
  CHECK_SAYS(info.author && strcmp(info.author, "ZRQ Distortion 2D") == 0, "author %s",
             info.author);
  CHECK_SAYS(info.plugin_type == F0R_PLUGIN_TYPE_FILTER, "%s: not a filter", plugin->name);
  CHECK_SAYS(info.color_model == F0R_COLOR_MODEL_BGRA8888, "%s: colour model", plugin->name);
  CHECK_SAYS(info.frei0r_version == FREI0R_MAJOR_VERSION, "%s: frei0r version", plugin->name);
  CHECK_SAYS(info.num_params == (plugin->effect ? 1 : 2), "%s: %d parameters", plugin->name,
             info.num_params);
  CHECK_SAYS(info.explanation && *info.explanation, "%s: no explanation", plugin->name);
  f0r_param_info_t param;
  f.get_param_info(&param, 0);
  CHECK_SAYS(strcmp(param.name, "Effect Value") == 0 && param.type == F0R_PARAM_DOUBLE,
             "%s: parameter 0 is %s", plugin->name, param.name);
  if (!plugin->effect) {
    f.get_param_info(&param, 1);
    CHECK_SAYS(strcmp(param.name, "Effect") == 0 && param.type == F0R_PARAM_DOUBLE,
               "%s: parameter 1 is %s", plugin->name, param.name);
  }

  CHECK_SAYS(f.construct(0, HEIGHT) == NULL, "%s: made an instance for no width", plugin->name);
  f0r_instance_t instance = f.construct(WIDTH, HEIGHT);
  CHECK_SAYS(instance, "%s: f0r_construct failed", plugin->name);
  if (instance) {
    double value = -1;
    f.get_param_value(instance, &value, 0);
    CHECK_SAYS(value == 0.5, "%s: starts at %g, not at the parameter's own 50", plugin->name,
               value);
    int effect = plugin->effect;
    if (!effect) {
      /* The generic plugin as Mirror from Left: its tenth starts at 0.4. */
      double choice = 0.4;
      f.set_param_value(instance, &choice, 1);
      f.get_param_value(instance, &value, 1);
      CHECK_SAYS(value == 0.4, "%s: the effect reads back as %g", plugin->name, value);
      effect = 2005;
    }
    /* Fractions whose product with 100 misses the percentage (0.29, 0.57) included. */
    static const char *const percents[] = {"0", "29", "40", "57", "100"};
    static uint32_t output[PIXELS], reference[PIXELS];
    for (size_t i = 0; i < sizeof percents / sizeof *percents; ++i) {
      double fraction = atof(percents[i]) / 100.0;
      f.set_param_value(instance, &fraction, 0);
      f.update(instance, 1.25, input, output);
      CHECK_SAYS(Reference(folder, input, effect, percents[i], reference),
                 "zrq-render failed for %d at %s", effect, percents[i]);
      CHECK_SAYS(memcmp(output, reference, sizeof output) == 0, "%s at %s%%: frames differ",
                 plugin->name, percents[i]);
    }
    /* Missing frames are refused quietly, never followed. */
    f.update(instance, 0.0, NULL, output);
    f.update(instance, 0.0, input, NULL);
    f.destruct(instance);
  }
  f.deinit();
  dlclose(library);
}

int main(void) {
  if (!getenv("ZRQ_BINARY_DIR")) {
    fprintf(stderr, "ZRQ_BINARY_DIR names the build folder\n");
    return 1;
  }
  char folder[] = "/tmp/zrq-frei0r-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  /* A picture with something in every row and column, so turned rows show. */
  static uint32_t input[PIXELS];
  for (int y = 0; y < HEIGHT; ++y)
    for (int x = 0; x < WIDTH; ++x)
      input[y * WIDTH + x] = 0xff000000u | (uint32_t)(x * 4) << 16 | (uint32_t)(y * 5) << 8 |
                             (uint32_t)((x * y) & 0xff);
  for (size_t i = 0; i < sizeof plugins / sizeof *plugins; ++i)
    CheckPlugin(&plugins[i], folder, input);
  char command[600];
  snprintf(command, sizeof command, "rm -rf '%s'", folder);
  if (system(command) != 0) ++failures;
  return CheckedExit();
}
