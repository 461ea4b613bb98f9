// Choosing the back end from the environment:
//   KX_UI=headless|terminal   default: terminal when stdin and stdout are
//                             a terminal that can be set up, else headless
//   KX_UI_SCRIPT=file         steps for the headless back end (SCRIPT.md)
//   KX_UI_TRANSCRIPT=file     where the headless transcript is written
//   KX_UI_STALL=fail|cancel   headless stall policy, default cancel
// A headless run also drives the host's monotonic clock and its sleeps from
// the virtual clock, so waits take no real time and stay deterministic.
// Whatever goes wrong, the layer is left working (headless, cancel) and the
// answer says what: 143 SCREENENVIRON for a back end that cannot be had,
// 163 BADINPUTDATA for a bad setting or script, 166 FILEOPENING for a
// transcript file that cannot be written; last_error() tells more.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/ui/core_internal.h"
#include "platform/ui/headless.h"
#include "platform/ui/terminal.h"

namespace ui {

namespace {

Point g_cell{12, 24};

}  // namespace

void set_cell_size(int width, int height) {
  if (width <= 0 || height <= 0 || (g_cell.x == width && g_cell.y == height)) return;
  g_cell = Point{width, height};
  if (detail::has_core() && detail::core().backend) detail::core().backend->cell_changed();
}

Point cell_size() { return g_cell; }

std::unique_ptr<Backend> make_terminal_backend() {
  std::string why;
  return open_terminal_backend(why);
}

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

Status fallback(Status code, const std::string& why) {
  init(std::make_unique<Headless>(HeadlessOptions{}));
  detail::core().lastError = why;
  return code;
}

}  // namespace

Status init_from_env() {
  shutdown();  // the old back end gives the host clock back first
  std::string kind = env("KX_UI");
  if (kind.empty()) kind = isatty(0) && isatty(1) ? "terminal" : "headless";
  if (kind == "terminal") {
    std::string why;
    if (auto t = open_terminal_backend(why)) return init(std::move(t));
    if (!env("KX_UI").empty()) return fallback(st::SCREENENVIRON, "KX_UI=terminal: " + why);
    kind = "headless";
  }
  if (kind != "headless") return fallback(st::BADINPUTDATA, "KX_UI=" + kind + ": expected headless or terminal");
  HeadlessOptions opt;
  opt.hostClock = true;
  std::string stall = env("KX_UI_STALL");
  if (stall == "fail") opt.stall = StallPolicy::Fail;
  else if (!stall.empty() && stall != "cancel")
    return fallback(st::BADINPUTDATA, "KX_UI_STALL=" + stall + ": expected fail or cancel");
  opt.transcriptPath = env("KX_UI_TRANSCRIPT");
  auto h = std::make_unique<Headless>(std::move(opt));
  std::string script = env("KX_UI_SCRIPT"), error;
  Status result = st::OK;
  if (!h->transcript_open()) {
    result = st::FILEOPENING;
    error = "KX_UI_TRANSCRIPT: cannot write " + env("KX_UI_TRANSCRIPT");
  }
  if (!script.empty() && !h->load_script_file(script, error)) result = st::BADINPUTDATA;
  init(std::move(h));
  detail::core().lastError = error;
  return result;
}

}  // namespace ui
