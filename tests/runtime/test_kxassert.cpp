#include "runtime/kxassert.h"

#include <gtest/gtest.h>

#include "runtime/strvalue.h"
#include "support/runtime_fixture.h"

// The test build keeps the checks: a broken invariant stops the program at
// the place that broke it, a kept one costs nothing visible.
TEST(KxAssertDeathTest, ABrokenInvariantAbortsNamingItAndAKeptOnePasses) {
  ASSERT_EQ(KX_ASSERT_ON, 1);
  int calls = 0;
  KX_ASSERT(++calls == 1);
  EXPECT_EQ(calls, 1);  // evaluated once
  EXPECT_DEATH(KX_ASSERT(calls == 2), "invariant broken: calls == 2");
}

// String-area marks are balanced: a scope, or a function handing a string up
// from its mark, that finds the top below its mark stops there (a callee
// released its caller's texts); a balanced pair passes.
TEST(KxAssertDeathTest, AStringAreaMarkReleasedFromBelowStops) {
  RuntimeReset();
  StrAreaPush(StrFromC("caller's"));
  const uint16_t below = StrAreaMark(-1) - 1;
  {
    const StrAreaScope scope;
    StrAreaPush(StrFromC("own"));
  }
  EXPECT_EQ(StrAreaMark(-1), below + 1);
  EXPECT_DEATH(
      {
        const StrAreaScope scope;
        StrAreaMark(below);
      },
      "invariant broken");
  const uint16_t mark = StrAreaMark(-1);
  StrAreaMark(below);
  EXPECT_DEATH(StrAreaReturn(mark, StrFromC("x")), "invariant broken");
  RuntimeTearDown();
}
