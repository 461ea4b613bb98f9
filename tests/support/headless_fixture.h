// A fresh headless window system in `fail` mode (a wait that was not
// scripted is reported) whose reports are collected, and an empty window
// list.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "screens/winlist.h"

inline ui::Headless* HeadlessFailMode(std::vector<std::string>& reports) {
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Fail;
  o.onFailure = [&reports](const std::string& r) { reports.push_back(r); };
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  WinListReset();
  return ui::headless();
}
