// The test programs' main: every process works in a folder of its own.
// ctest runs many test processes at once from one build folder, and the
// programs keep working files (the run journal, the log, output files)
// beside the current folder as the applications do; sharing it made one
// test see another's unfinished journal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/runtime_fixture.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TempDir work;
  std::error_code ec;
  std::filesystem::path home = std::filesystem::current_path(ec);
  if (work.path().empty() || chdir(work.path().c_str()) != 0) return 2;
  int r = RUN_ALL_TESTS();
  if (!home.empty()) std::filesystem::current_path(home, ec);
  return r;
}
