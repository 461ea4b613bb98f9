// The entry points libFuzzer calls: the one target linked into this program.
#include <cstdio>
#include <cstdlib>

#include "fuzz/harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (FuzzTargets().size() != 1 || !FuzzScratchEnter()) {
    std::fprintf(stderr, "fuzz: one target and a scratch directory are needed\n");
    std::exit(2);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzTargets().front().fn(data, size);
}
