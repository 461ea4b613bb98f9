// Resets the global runtime between tests: a forced shutdown of the memory
// table, then a fresh MemInit with the programs' 512 string slots.
#pragma once
#include <gtest/gtest.h>

#include <string>

void RuntimeReset(int stringSlots = 512);
void RuntimeTearDown();

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { RuntimeReset(); }
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
