// The demo application with a headless window system: boxes and scripted
// input fail the test when nothing answers them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "tests/administration/adm_fixture.h"

class AdmUiTest : public AdmDemoTest {
 protected:
  void SetUp() override {
    AdmDemoTest::SetUp();
    ui::HeadlessOptions options;
    options.stall = ui::StallPolicy::Fail;
    options.onFailure = [this](const std::string& r) { reports.push_back(r); };
    ui::init(std::make_unique<ui::Headless>(std::move(options)));
    hl = ui::headless();
    WinListReset();
    TextWinGeomReset();
    FontTableReset();
    TaskHookSet(&ScreenFieldHook, kHookValue);  // as start-up does
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    FontTableReset();
    TextWinGeomReset();
    AdmDemoTest::TearDown();
  }
  // The texts of the boxes shown so far.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const ui::BoxRecord& b : hl->boxes()) out.push_back(b.text);
    return out;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};
