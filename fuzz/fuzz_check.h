// A property check for the fuzz targets: a failed check names itself and
// aborts, which libFuzzer reports as a crash with the input that caused it
// (and which fails the corpus replay in an ordinary test build).
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                               \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);   \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)
