// The headless back end: deterministic, scripted, recorded.
//
// - Time is virtual: it starts at 0, moves by `advance` steps and by 1 ms at
//   every pump that finds nothing to do; timers fire from it.
// - Input comes from the steps of script.h, only when the program is idle:
//   at most one step of input per pump that finds the queue empty. Each step
//   is turned into the messages a person's action causes (core input_*).
//   Guards (`wait-top`) hold the steps after them until their window is on
//   top; expectations are checked when they are reached.
// - Message boxes, popup menus and file or folder dialogs take the next step
//   when it is an `answer`, `popup` or `dialog`; otherwise the stall policy
//   answers (a dialog is cancelled). A viewer the program wants to start on
//   a file is recorded and not started.
// - Stall: a loop waits for input with no step it can use. Policy `fail`
//   (tests) reports the window stack through the failure hook once; policy
//   `cancel` (unattended runs) does not. Either way the stand-in then ends
//   the wait, one action per stall on the top window, each window going
//   through Esc, WM_CLOSE, WM_QUIT, then destroying it (a window back on
//   top goes on where it stopped, until a step is taken); a box raised
//   while that Esc or close is handled is answered with the button that
//   lets the close go on (OK or Yes), any other unscripted box with OK for
//   information and No or Cancel for a question, an unscripted popup menu
//   with none, an unscripted dialog with a cancel.
// - Transcript: one line per window created or destroyed, text set, show,
//   enable, focus, progress position, box, popup, dialog, viewer, input
//   step, stall and failed expectation; kept in memory and written to a file
//   when given.
// - The failure hook gets every report (stall under `fail`, unscripted box,
//   popup or dialog under `fail`, failed expectation, unusable step). Without one,
//   a report is written to stderr and, under `fail`, the process ends with
//   exit code 3 so a test run never hangs.
#pragma once
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/script.h"

namespace ui {

enum class StallPolicy { Fail, Cancel };

struct HeadlessOptions {
  Profile profile;
  StallPolicy stall = StallPolicy::Cancel;
  std::string transcriptPath;  // empty: in memory only
  std::function<void(const std::string& report)> onFailure;
  // The host clock's monotonic reading and its sleeps follow the virtual
  // clock while this back end lives (program runs; wall-clock time stays).
  bool hostClock = false;
};

struct BoxRecord {
  std::string text;
  std::string caption;
  uint32_t type = 0;
  int answer = 0;
};

struct DialogRecord {
  DialogRequest request;
  bool chosen = false;  // false: cancelled
  std::string path;
};

class Headless : public Backend {
 public:
  explicit Headless(HeadlessOptions options);
  ~Headless() override;

  // Backend
  const char* name() const override { return "headless"; }
  const Profile& profile() const override { return opt_.profile; }
  uint64_t now_ms() override { return clock_; }
  bool poll_input() override;
  void idle_tick() override { ++clock_; }
  void advance_clock(uint64_t ms) { clock_ += ms; }
  bool wait_input(int timeoutMs) override;
  int message_box(Hwnd owner, std::string_view text, std::string_view caption, uint32_t type) override;
  int popup_menu(Hwnd owner, const std::vector<std::string>& items, Point at) override;
  bool path_dialog(Hwnd owner, const DialogRequest& request, std::string& path) override;
  bool viewer_allowed(std::string_view command, std::string_view file) override;
  void on_event(const Event& e) override;

  // ---- Steps: the C++ driver (each appends one step, as a script line does)
  bool load_script(std::string_view text, std::string& error);
  bool load_script_file(const std::string& path, std::string& error);
  Headless& add(Step s);
  Headless& key(uint16_t vk, LParam mods = 0);
  Headless& type(std::string_view text);
  Headless& scan(std::string_view text);
  Headless& click(int id);
  Headless& click(std::string_view caption);
  Headless& dblclick(int id);
  Headless& lv_click(int id, int row, Click kind = Click::Left);
  Headless& list_select(int id, int row, bool doubleClick = false);
  Headless& combo_select(int id, int row);
  Headless& menu(int id);
  Headless& menu(std::string_view captionPath);
  Headless& close();
  Headless& scroll(bool vertical, uint16_t request, int pos = 0);
  Headless& device(int slot, int bytes);
  Headless& answer(int button, std::string_view match = {});
  Headless& popup(int position);  // 1-based, 0 = none
  Headless& popup(std::string_view caption);
  // Answers the next file or folder dialog with a path; empty cancels it.
  Headless& dialog(std::string_view path);
  Headless& wait_top(std::string_view cls, std::string_view title = {});
  Headless& advance(int ms);
  Headless& snapshot(std::string_view name);

  // ---- Queries
  size_t steps_left() const { return steps_.size(); }
  const std::vector<std::string>& transcript() const { return transcript_; }
  const std::vector<BoxRecord>& boxes() const { return boxes_; }
  const std::vector<DialogRecord>& dialogs() const { return dialogs_; }
  // Viewer requests, each "command" "file" as in the transcript.
  const std::vector<std::string>& viewers() const { return viewers_; }
  const std::vector<std::string>& failures() const { return failures_; }
  int stalls() const { return stalls_; }
  StallPolicy policy() const { return opt_.stall; }
  bool transcript_open() const { return opt_.transcriptPath.empty() || file_ != nullptr; }
  void set_policy(StallPolicy p) { opt_.stall = p; }
  void set_failure_hook(std::function<void(const std::string&)> hook) { opt_.onFailure = std::move(hook); }
  // A text rendering of a top-level window and its controls.
  std::string render(Hwnd top) const;
  // A control by id or caption: the active window first, then the others
  // from the top down.
  Hwnd resolve(const Target& t) const;

 private:
  bool guard_holds(const Step& s) const;
  bool check(const Step& s);
  bool deliver(const Step& s);
  bool deliver_list(const Step& s, Hwnd h);
  bool deliver_menu(const Step& s);
  bool stall();
  std::string stack_report() const;
  void fail(const std::string& report);
  void log(const std::string& line);

  HeadlessOptions opt_;
  std::deque<Step> steps_;
  uint64_t clock_ = 0;
  std::vector<std::string> transcript_;
  std::vector<BoxRecord> boxes_;
  std::vector<DialogRecord> dialogs_;
  std::vector<std::string> viewers_;
  std::vector<std::string> failures_;
  FILE* file_ = nullptr;
  class HostClock;
  std::unique_ptr<HostClock> hostClock_;
  int stalls_ = 0;
  // How far the stall actions went for each window: a window that comes
  // back on top (after what its Esc opened was closed) goes on from there.
  std::map<Hwnd, int> stallStage_;
  bool closing_ = false;  // an Esc or close of the stand-in is being handled
  bool failReported_ = false;
};

// The headless back end in use, or null when another one is.
Headless* headless();

}  // namespace ui
