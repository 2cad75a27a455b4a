#include "verbose.h"

#include <cstdio>

int verbose = 0;

void verbose_line(const char* text) {
  if (verbose)
    std::puts(text);
}
