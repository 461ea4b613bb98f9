// Resets the global runtime between tests: a forced shutdown of the memory
// table, then a fresh MemInit with the programs' 512 string slots.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "runtime/strvalue.h"

void RuntimeReset(int stringSlots = 512);
// Expects no stale descriptor close since RuntimeStaleClear (the fixture's
// SetUp), then shuts the runtime down.
void RuntimeTearDown();
void RuntimeStaleClear();

// Runs f and expects the string area's top where it was before: every mark
// taken inside was released, on the error paths too. Answers f's result.
template <class F>
auto AreaBalanced(F f, const char* what = "") {
  uint16_t top = StrAreaMark(-1);
  auto r = f();
  EXPECT_EQ(StrAreaMark(-1), top) << "string area left above its mark: " << what;
  return r;
}

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeStaleClear();
    RuntimeReset();
  }
  void TearDown() override { RuntimeTearDown(); }
};

// A fresh empty directory under the system temporary directory, removed by
// the destructor; each test gets its own so tests can run in parallel.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
