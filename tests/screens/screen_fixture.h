// Shared set-up of the screen tests: a runtime with the system variables, a
// two-file dictionary (CUST with a two-part key, ZONE), the default text
// geometry, and helpers to parse a definition text into a screen.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "screens/geometry.h"
#include "screens/screendef.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline uint16_t LiveBlocksOf(uint16_t owner) {
  uint16_t n = 0;
  for (uint16_t i = 0; i < MemSlotCount(); ++i)
    if (MemSlotAt(i)->ptr && MemSlotAt(i)->owner == owner) ++n;
  return n;
}

// A layout field: row, column, width (length, limit and display width) and type.
inline FieldDesc LayoutField(uint16_t row, uint16_t col, uint16_t width, char type) {
  FieldDesc f;
  f.row = row;
  f.col = col;
  f.length = f.limit = f.width = width;
  f.type = type;
  return f;
}

class ScreenTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    TextWinGeomReset();
    ASSERT_EQ(DicDefineFile(0, S("CUST"), S("")), 0);  // file 1
    ASSERT_EQ(DicDefineField(S("CODE"), 6, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("NAME"), 30, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("CITY"), 20, 'A'), 0);
    ASSERT_EQ(DicDefineFile(0, S("ZONE"), S("")), 0);  // file 2
    ASSERT_EQ(DicDefineField(S("ZCODE"), 4, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("ZNAME"), 20, 'A'), 0);
  }
  void TearDown() override {
    TextWinGeomReset();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }

  // Pushes the definition as the current parameter string and parses it
  // with the layout; the parameter string is popped again.
  Status Parse(const std::string& text, const std::vector<FieldDesc>& layout = {}, const std::string& name = "TST",
               ScreenDesc desc = {}) {
    EXPECT_EQ(DynStrPush(ObjParamsList, S(text)), 0);
    Status s = ScreenDefParse(desc, layout.data(), static_cast<uint16_t>(layout.size()), StrFromView(name));
    ParmStrPop();
    return s;
  }
  static std::string FieldName(int n) {
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    return ScreenSliceText(*s, s->fields[n - 1].name).Str();
  }
};
