// Helpers shared by the variable and array tests: a runtime with the system
// variables declared, and current results built and read as raw bytes.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// A number current result: 8 raw bytes of the FixedNum (2 decimals by default).
inline StrValue Num(int64_t raw) {
  char b[8];
  std::memcpy(b, &raw, 8);
  return StrFromView(std::string_view(b, 8));
}

inline int64_t TopNum() {
  StrValue t = StrAreaTop();
  int64_t v = 0;
  if (!t.IsError() && t.len == 8) std::memcpy(&v, t.ptr, 8);
  return t.len == 8 ? v : -999999;
}

inline std::string TopText() { return StrAreaTop().Str(); }

inline uint16_t LiveBlocksOf(uint16_t owner) {
  uint16_t n = 0;
  for (uint16_t i = 0; i < MemSlotCount(); ++i)
    if (MemSlotAt(i)->ptr && MemSlotAt(i)->owner == owner) ++n;
  return n;
}

class VarTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
  }
  void TearDown() override {
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
};
