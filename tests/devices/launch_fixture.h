// The report launch's tests: the report fixture's application (CLIENTS
// open and current, a private directory that is also TEMP and the default
// directory) under a headless window system in `fail` mode, with an INPUT
// command file (its stream in `_INHND`), an OUTPUT file and UI scripts.
#pragma once
#include <string>
#include <vector>

#include "devices/report_fixture.h"
#include "screens/forms/combo.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winproc.h"
#include "support/batch_io.h"
#include "support/headless_fixture.h"

class LaunchTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    FontTableReset();
    TextWinGeomReset();
    ComboTableReset();
    hl = HeadlessFailMode(reports);
    WinProcReset();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << (reports.empty() ? std::string() : reports.front());
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    VarSysIntSet(kSysInHnd, 0);
    VarSysIntSet(kSysOutHnd, 0);
    ui::shutdown();
    ComboTableReset();
    WinListReset();
    FontTableReset();
    TextWinGeomReset();
    ReportTest::TearDown();
  }

  // The INPUT command file of a batch run, positioned at its first line.
  void Input(const std::vector<std::string>& lines) {
    if (inputSlot != kStreamNoSlot) StreamClose(inputSlot);
    inputSlot = BatchInputOpen(Path("input.txt"), lines);
    ASSERT_NE(inputSlot, kStreamNoSlot);
  }
  // The next line the INPUT file would give.
  std::string InputRest() { return BatchInputRest(inputSlot); }
  // OUTPUT named on the command line, switched on as after the INPUT file.
  void Output() { ASSERT_EQ(BatchOutputOn(Path("output.txt")), 0); }
  void Script(const std::string& text) {
    std::string error;
    ASSERT_TRUE(hl->load_script(text, error)) << error;
  }
  // The transcript holds a window of the class.
  bool Shown(const std::string& cls) const {
    for (const std::string& line : hl->transcript())
      if (line.starts_with("create") && line.find("class=\"" + cls + "\"") != std::string::npos) return true;
    return false;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
  uint16_t inputSlot = kStreamNoSlot;
};
