#include <gtest/gtest.h>

#include "runtime/startup.h"

namespace {

TEST(ExitCode, FinalCodeBelow128GivesZeroAboveGivesTheCode) {
  const struct {
    unsigned code;
    int want;
  } cases[] = {{0, 0}, {1, 0}, {122, 0}, {127, 0}, {128, 128}, {164, 164}, {255, 255}, {65535, 255}};
  for (const auto& c : cases) EXPECT_EQ(ExitCodeOf(c.code), c.want) << c.code;
}

TEST(TaskStubs, AnswerFeatureRemoved) {
  EXPECT_EQ(TaskStub(25), st::FEATUREREMOVED);
  EXPECT_EQ(TaskClose(25), st::FEATUREREMOVED);
  EXPECT_EQ(TaskLowLevel(25), st::FEATUREREMOVED);
}

}  // namespace
