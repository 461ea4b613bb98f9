#include "runtime/kxassert.h"

#include <cstdio>
#include <cstdlib>

#if KX_ASSERT_ON
void KxAssertFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}
#endif
