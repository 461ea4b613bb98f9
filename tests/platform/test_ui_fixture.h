// Shared set-up of the window-system tests: a fresh headless back end in
// `fail` mode whose reports are collected (a test that expects none checks
// `reports` is empty), a message recorder, and a loop of the same shape as
// the programs' modal loop.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"

namespace uitest {

using namespace ui;

// Every recorded message as "#handle NAME wp" (wp only where it matters).
inline std::vector<std::string> g_log;
inline std::map<Hwnd, WndProc> g_next;  // procedure a recorder passes on to

inline std::string msg_name(Msg m) {
  switch (m) {
    case WM_CREATE: return "CREATE";
    case WM_DESTROY: return "DESTROY";
    case WM_SETFOCUS: return "SETFOCUS";
    case WM_KILLFOCUS: return "KILLFOCUS";
    case WM_CLOSE: return "CLOSE";
    case WM_KEYDOWN: return "KEYDOWN";
    case WM_KEYUP: return "KEYUP";
    case WM_CHAR: return "CHAR";
    case WM_COMMAND: return "COMMAND";
    case WM_TIMER: return "TIMER";
    case WM_VSCROLL: return "VSCROLL";
    case WM_LBUTTONDOWN: return "LBUTTONDOWN";
    case WM_NOTIFY: return "NOTIFY";
    case MSG_DEVICE_DATA: return "DEVICE";
    case WM_USER + 1: return "USER";
    default: return "";
  }
}

inline std::string entry(Hwnd h, Msg m, WParam wp, LParam lp) {
  std::string s = "#" + std::to_string(h) + " " + msg_name(m);
  if (m == WM_SETFOCUS || m == WM_KILLFOCUS || m == WM_CHAR || m == WM_TIMER) s += " " + std::to_string(wp);
  if (m == WM_KEYDOWN || m == WM_KEYUP) s += " " + std::to_string(wp) + ((lp & KEY_SHIFT) ? "+S" : "");
  if (m == WM_COMMAND) s += " " + std::to_string(LoWord(wp)) + "/" + std::to_string(HiWord(wp));
  if (m == WM_NOTIFY) s += " " + std::to_string(reinterpret_cast<NotifyHeader*>(lp)->code);
  return s;
}

inline LResult record(Hwnd h, Msg m, WParam wp, LParam lp) {
  if (!msg_name(m).empty()) g_log.push_back(entry(h, m, wp, lp));
  if (m == WM_DESTROY && !is_window(h)) g_log.push_back("dead during DESTROY");
  auto it = g_next.find(h);
  return it != g_next.end() ? call_window_proc(it->second, h, m, wp, lp) : def_window_proc(h, m, wp, lp);
}

// The recorded messages whose entry contains `what`.
inline std::vector<std::string> only(const std::string& what) {
  std::vector<std::string> out;
  for (const std::string& s : g_log)
    if (s.find(what) != std::string::npos) out.push_back(s);
  return out;
}

// Subclasses a window with the recorder.
inline void watch(Hwnd h) { g_next[h] = set_window_proc(h, record); }

// The programs' modal loop: pump; end on quit or when the window is no
// longer on top; wait when nothing was done. Answers whether a quit ended it.
inline bool run_loop(Hwnd w) {
  for (int guard = 0; guard < 100000; ++guard) {
    PumpResult r = pump_pending();
    if (r.quit) return true;
    if (w && active_window() != w) return false;
    if (r.dispatched == 0) wait_input();
  }
  ADD_FAILURE() << "loop did not end";
  return false;
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_next.clear();
    HeadlessOptions o;
    o.stall = StallPolicy::Fail;
    o.onFailure = [this](const std::string& r) { reports.push_back(r); };
    init(std::make_unique<Headless>(std::move(o)));
    hl = headless();
    register_class("Rec", record);
  }
  void TearDown() override { shutdown(); }

  Hwnd top(std::string_view title, Hwnd owner = 0, uint32_t style = WS_CAPTION) {
    CreateSpec s;
    s.cls = "Rec";
    s.title = title;
    s.style = style;
    s.parent = owner;
    s.x = 10, s.y = 20, s.width = 400, s.height = 300;
    return create_window(s);
  }
  Hwnd child(Hwnd parent, std::string_view cls, int id, uint32_t style = 0, std::string_view text = {}) {
    CreateSpec s;
    s.cls = cls;
    s.title = text;
    s.style = WS_CHILD | WS_VISIBLE | style;
    s.parent = parent;
    s.id = id;
    s.x = 10, s.y = 10 + 30 * (id % 10), s.width = 120, s.height = 24;
    return create_window(s);
  }
  void pump_all() {
    for (int i = 0; i < 1000 && (hl->steps_left() || pending_count()); ++i) pump_pending();
  }

  Headless* hl = nullptr;
  std::vector<std::string> reports;
};

}  // namespace uitest
