// A fresh headless window system in `fail` mode for a test: every report
// (an unscripted wait, a failed step) is appended to `reports`, which a test
// that expects none checks empty.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "screens/window/winlist.h"

inline ui::Headless* HeadlessInstall(std::vector<std::string>* reports) {
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Fail;
  o.onFailure = [reports](const std::string& r) { reports->push_back(r); };
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  return ui::headless();
}

// The same, with an empty window list as well.
inline ui::Headless* HeadlessFailMode(std::vector<std::string>& reports) {
  ui::Headless* h = HeadlessInstall(&reports);
  WinListReset();
  return h;
}
