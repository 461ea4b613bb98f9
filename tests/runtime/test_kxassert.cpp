#include "runtime/kxassert.h"

#include <gtest/gtest.h>

// The test build keeps the checks: a broken invariant stops the program at
// the place that broke it, a kept one costs nothing visible.
TEST(KxAssertDeathTest, ABrokenInvariantAbortsNamingItAndAKeptOnePasses) {
  ASSERT_EQ(KX_ASSERT_ON, 1);
  int calls = 0;
  KX_ASSERT(++calls == 1);
  EXPECT_EQ(calls, 1);  // evaluated once
  EXPECT_DEATH(KX_ASSERT(calls == 2), "invariant broken: calls == 2");
}
