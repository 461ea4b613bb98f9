// Shared set-up of the input-form tests: the screen fixture's window system
// and dictionary, a third file STOCK (CODE A7, QTY N6; current file, record
// buffer allocated), the field controls subclassed as in the programs, and
// helpers for an INPUT command file (its stream in `_INHND`) and an OUTPUT
// file (`_OUTHND` 1).
#pragma once
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/store/recbuf.h"
#include "runtime/options.h"
#include "runtime/streams.h"
#include "runtime/sysvars.h"
#include "screens/forms/acceptlist.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"
#include "support/batch_io.h"

class FormTest : public ScreenUiTest {
 protected:
  static constexpr int kStock = 3;

  void SetUp() override {
    ScreenUiTest::SetUp();
    ASSERT_EQ(DicDefineFile(0, S("STOCK"), S("")), 0);
    ASSERT_EQ(DicDefineField(S("CODE"), 7, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("QTY"), 6, 'N'), 0);
    ASSERT_EQ(RecBufAlloc(kStock), 0);
    VarSysIntSet(kSysCurFil, kStock);
    WinProcReset();
    CtlSubclassHookSet(CtlSubclass);
  }
  void TearDown() override {
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    VarSysIntSet(kSysInHnd, 0);
    VarSysIntSet(kSysOutHnd, 0);
    WinRecordClose(kCurrentIndex);
    ScreenUiTest::TearDown();
  }

  // The INPUT command file of a batch run, positioned at its first line.
  void Input(const std::vector<std::string>& lines) {
    inputSlot = BatchInputOpen(dir.File("input.txt"), lines);
    ASSERT_NE(inputSlot, kStreamNoSlot);
  }
  // The next line the INPUT file would give.
  std::string InputRest() { return BatchInputRest(inputSlot); }
  // OUTPUT named on the command line, switched on as after the INPUT file.
  void Output() { ASSERT_EQ(BatchOutputOn(dir.File("output.txt")), 0); }
  std::string OutputText() {
    std::ifstream in(dir.File("output.txt"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string Str(const char* name) {
    const StrAreaScope scope;
    EXPECT_EQ(VarRead(StrFromC(name)), 0);
    return StrAreaTop().Str();
  }
  static std::string SysText(uint32_t item) { return DynStrGet(SystemTextList, item).Str(); }

  uint16_t inputSlot = kStreamNoSlot;
};
