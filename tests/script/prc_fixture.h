// Shared set-up of the procedure and statement tests: a runtime with the
// system variables and no statement handler registered, procedure files
// written to a private directory and run from their first statement, and
// the balance check every run must pass (the stacks a run may use are back
// at their counts, no program is left compiled or running).
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/procedures.h"
#include "var_helpers.h"

class PrcTest : public VarTest {
 protected:
  void SetUp() override {
    VarTest::SetUp();
    ExecHandlersReset();
    for (uint16_t n : kWatched) base_[n] = DynStrCount(n);
  }
  void TearDown() override {
    ExecHandlersReset();
    VarTest::TearDown();
  }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Runs the file from its first statement, as task hook 1 does for an
  // empty entry, and checks that nothing was left behind.
  Status Run(const std::string& text, int flags = 0) {
    std::string path = Write("T.PRC", text);
    ErrClear();
    Status s = PrcCall(S(""), S(path), flags);
    ExpectBalanced();
    return s;
  }
  void ExpectBalanced() {
    for (uint16_t n : kWatched)
      if (n != ResultsStack) {
        EXPECT_EQ(DynStrCount(n), base_[n]) << "list " << n;
      }
    EXPECT_EQ(PrcCount(), 0u);
    EXPECT_EQ(LiveBlocksOf(MOD_EXEC_COMPILER), 0u);
    EXPECT_EQ(PrcDepth(), 0u);
  }
  int Int(const char* expr) { return ExpEvalInt(S(expr)); }
  std::string Str(const char* expr) {
    uint16_t m = StrAreaMark(-1);
    std::string s = ExpEvalStr(S(expr)).Str();
    StrAreaMark(m);
    return s;
  }
  std::string Detail() { return ErrDetail().Str(); }

  static constexpr uint16_t kWatched[] = {ResultsStack, ObjParamsList, OpenFileStatesList, ArgStack,
                                          FileLinesQueue};
  uint32_t base_[40] = {};
  TempDir dir_;
};
