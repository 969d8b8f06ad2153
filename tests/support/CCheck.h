/* The checks of the test programs written in C: CHECK notes a failed condition with its place
 * and goes on; CheckedExit is the program's exit status, 0 when every check held. */
#pragma once

#include <stdio.h>

static int failures = 0;

/* CHECK_SAYS(condition, printf-style words on what failed). */
#define CHECK(condition) CHECK_SAYS(condition, "%s", "")
#define CHECK_SAYS(condition, ...)                                                                 \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      fprintf(stderr, "%s:%d: failed: %s ", __FILE__, __LINE__, #condition);                       \
      fprintf(stderr, __VA_ARGS__);                                                                \
      fputc('\n', stderr);                                                                         \
      ++failures;                                                                                  \
    }                                                                                              \
  } while (0)

static inline int CheckedExit(void) {
  if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures ? 1 : 0;
}
