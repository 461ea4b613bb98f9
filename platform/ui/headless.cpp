// The headless back end: steps, the virtual clock, answers, the stall
// policy and the transcript.
#include "platform/ui/headless.h"

#include "platform/host/clock.h"
#include "platform/host/console.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ui {

namespace {

std::string hwnd_text(Hwnd h) { return "#" + std::to_string(h); }

std::string rect_text(Rect r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.Width()) + "," +
         std::to_string(r.Height());
}

std::string hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

// " menu=" and the captions of a menu bar's items, or nothing for none.
std::string menu_text(Hmenu bar) {
  if (!bar) return {};
  std::string captions;
  for (const MenuItem& item : menu_items(bar)) {
    if (!captions.empty()) captions += '|';
    captions += item.caption;
  }
  return " menu=" + quote_text(captions);
}

// A picture as the transcript names it: its resource number or its file,
// what it shows and its size.
std::string picture_text(Hbitmap b) {
  BitmapInfo info;
  if (!b || !bitmap_info(b, info)) return "none";
  std::string source = info.resource ? "resource=" + std::to_string(info.resource) : "file=" + quote_text(info.path);
  return source + " name=" + quote_text(info.name) + " size=" + std::to_string(info.width) + "x" +
         std::to_string(info.height);
}

bool same_ci(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string without_ampersand(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

Hwnd find_by_caption(Hwnd root, std::string_view caption) {
  for (Hwnd k : children(root)) {
    if (get_text(k) == caption) return k;
    if (Hwnd deeper = find_by_caption(k, caption)) return deeper;
  }
  return 0;
}

// The visible top-level windows from the top down.
std::vector<Hwnd> visible_tops() {
  std::vector<Hwnd> z = top_levels(), out;
  for (auto it = z.rbegin(); it != z.rend(); ++it)
    if (is_visible(*it)) out.push_back(*it);
  return out;
}

bool menu_find(Hmenu m, const std::vector<std::string>& path, size_t depth, int wantId, int& id) {
  for (const MenuItem& it : menu_items(m)) {
    if (it.popup) {
      bool descend = path.empty() || (depth + 1 < path.size() && same_ci(without_ampersand(it.caption), path[depth]));
      if (descend && menu_find(it.popup, path, depth + 1, wantId, id)) return true;
    } else if (path.empty() ? it.id == wantId
                            : depth + 1 == path.size() && same_ci(without_ampersand(it.caption), path[depth])) {
      id = it.id;
      return true;
    }
  }
  return false;
}

std::vector<std::string> split_path(std::string_view s) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (true) {
    size_t gt = s.find('>', pos);
    out.emplace_back(s.substr(pos, gt == std::string_view::npos ? gt : gt - pos));
    if (gt == std::string_view::npos) return out;
    pos = gt + 1;
  }
}

// The answer of an unscripted box: OK for information, No or Cancel for a
// question; while the stand-in closes a window, the one that lets it close.
int policy_answer(uint32_t type, bool closing) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return closing ? IDOK : IDCANCEL;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL: return closing ? IDYES : IDCANCEL;
    case MB_YESNO: return closing ? IDYES : IDNO;
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

bool answer_fits(uint32_t type, int id) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return id == IDOK || id == IDCANCEL;
    case MB_ABORTRETRYIGNORE: return id == IDABORT || id == IDRETRY || id == IDIGNORE;
    case MB_YESNOCANCEL: return id == IDYES || id == IDNO || id == IDCANCEL;
    case MB_YESNO: return id == IDYES || id == IDNO;
    case MB_RETRYCANCEL: return id == IDRETRY || id == IDCANCEL;
    default: return id == IDOK;
  }
}

void render_control(Hwnd h, int depth, std::ostringstream& out) {
  std::string pad(static_cast<size_t>(depth) * 2, ' ');
  std::string cls = class_name(h);
  out << pad << hwnd_text(h) << " " << cls << " id=" << get_ctrl_id(h) << " rect=" << rect_text(get_window_rect(h))
      << " " << quote_text(display_text(h));
  if (get_focus() == h) out << " [focus]";
  if (!is_enabled(h)) out << " [disabled]";
  if (!is_visible(h)) out << " [hidden]";
  if (button_get_check(h)) out << " [checked]";
  if (same_ci(cls, "msctls_progress32")) out << " pos=" << progress_pos(h);
  out << "\n";
  if (same_ci(cls, "SysListView32")) {
    out << pad << "  top=" << lv_top_index(h) << " mark=" << lv_selection_mark(h) << "\n";
    for (int r = 0; r < lv_item_count(h); ++r) {
      out << pad << "  |";
      for (int c = 0; c < std::max(1, lv_column_count(h)); ++c) out << " " << lv_item_text(h, r, c) << " |";
      out << ((lv_item_state(h, r) & LVIS_SELECTED) ? " *" : "") << "\n";
    }
  }
  for (int i = 0; i < listbox_count(h); ++i)
    out << pad << "  - " << listbox_text(h, i) << (listbox_get_sel(h) == i ? " *" : "") << "\n";
  for (Hwnd k : children(h)) render_control(k, depth + 1, out);
}

}  // namespace

Headless* headless() { return dynamic_cast<Headless*>(&backend()); }

// Lets the rest of the program read and wait on the virtual clock: a WAIT of
// 500 ms moves it by 500 ms at once and the timers due meanwhile fire.
// A back end made while another one still drives the clock (init builds the
// new one before it drops the old) takes the clock over: it keeps the old
// one's wall clock and what to restore, and the old one restores nothing.
class Headless::HostClock : public ClockSource {
 public:
  explicit HostClock(Headless& h) : h_(h), wall_(&ClockCurrent()) {
    previous_ = ClockInstall(this);
    if (auto* other = dynamic_cast<HostClock*>(previous_)) {
      wall_ = other->wall_;
      previous_ = other->previous_;
    }
  }
  ~HostClock() override {
    if (&ClockCurrent() == this) ClockInstall(previous_);
  }
  int64_t NowMs() override { return wall_->NowMs(); }
  int64_t MonotonicMs() override { return static_cast<int64_t>(h_.now_ms()); }
  void SleepMs(int64_t ms) override { h_.advance_clock(ms > 0 ? static_cast<uint64_t>(ms) : 0); }

 private:
  Headless& h_;
  ClockSource* wall_;
  ClockSource* previous_ = nullptr;
};

Headless::Headless(HeadlessOptions options) : opt_(std::move(options)) {
  if (!opt_.transcriptPath.empty()) file_ = std::fopen(opt_.transcriptPath.c_str(), "wb");
  if (opt_.hostClock) hostClock_ = std::make_unique<HostClock>(*this);
}

Headless::~Headless() {
  hostClock_.reset();
  if (file_) std::fclose(file_);
}

void Headless::log(const std::string& line) {
  transcript_.push_back(line);
  if (file_) {
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
}

void Headless::fail(const std::string& report) {
  failures_.push_back(report);
  log("failed: " + report);
  if (opt_.onFailure) {
    opt_.onFailure(report);
    return;
  }
  host::StdErrWrite("ui: " + report + "\n");
  if (opt_.stall == StallPolicy::Fail) {
    std::_Exit(3);
  }
}

// ---- Steps ------------------------------------------------------------------

bool Headless::load_script(std::string_view text, std::string& error) {
  std::vector<Step> steps;
  if (!parse_script(text, steps, error)) return false;
  for (Step& s : steps) steps_.push_back(std::move(s));
  return true;
}

bool Headless::load_script_file(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "ui script not found: " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return load_script(text.str(), error);
}

Headless& Headless::add(Step s) {
  steps_.push_back(std::move(s));
  return *this;
}

namespace {
Step step(StepKind k) {
  Step s;
  s.kind = k;
  return s;
}
Step targeted(StepKind k, int id) {
  Step s = step(k);
  s.target.id = id;
  return s;
}
}  // namespace

Headless& Headless::key(uint16_t vk, LParam mods) {
  Step s = step(StepKind::Key);
  s.vk = vk;
  s.mods = mods;
  return add(s);
}

Headless& Headless::type(std::string_view text) {
  std::vector<Step> v;
  typing_steps(text, v);
  for (Step& s : v) add(s);
  return *this;
}

Headless& Headless::scan(std::string_view text) {
  std::vector<Step> v;
  scan_steps(text, v);
  for (Step& s : v) add(s);
  return *this;
}

Headless& Headless::click(int id) { return add(targeted(StepKind::Click, id)); }

Headless& Headless::click(std::string_view caption) {
  Step s = step(StepKind::Click);
  s.target.caption = std::string(caption);
  s.target.byCaption = true;
  return add(s);
}

Headless& Headless::dblclick(int id) {
  Step s = targeted(StepKind::Click, id);
  s.row = 1;
  return add(s);
}

Headless& Headless::lv_click(int id, int row, Click kind) {
  Step s = targeted(StepKind::LvClick, id);
  s.row = row;
  s.col = kind == Click::Left ? 0 : kind == Click::Double ? 1 : 2;
  return add(s);
}

Headless& Headless::list_select(int id, int row, bool doubleClick) {
  Step s = targeted(StepKind::ListSelect, id);
  s.row = row;
  s.col = doubleClick ? 1 : 0;
  return add(s);
}

Headless& Headless::combo_select(int id, int row) {
  Step s = targeted(StepKind::ComboSelect, id);
  s.row = row;
  return add(s);
}

Headless& Headless::menu(int id) { return add(targeted(StepKind::Menu, id)); }

Headless& Headless::menu(std::string_view captionPath) {
  Step s = step(StepKind::Menu);
  s.text = std::string(captionPath);
  return add(s);
}

Headless& Headless::close() { return add(step(StepKind::Close)); }

Headless& Headless::scroll(bool vertical, uint16_t request, int pos) {
  Step s = step(StepKind::Scroll);
  s.vk = vertical ? 1 : 0;
  s.row = request;
  s.col = pos;
  return add(s);
}

Headless& Headless::device(int slot, int bytes) {
  Step s = step(StepKind::Device);
  s.row = slot;
  s.col = bytes;
  return add(s);
}

Headless& Headless::answer(int button, std::string_view match) {
  Step s = step(StepKind::Answer);
  s.row = button;
  s.match = std::string(match);
  return add(s);
}

Headless& Headless::popup(int position) {
  Step s = step(StepKind::Popup);
  s.row = position;
  return add(s);
}

Headless& Headless::popup(std::string_view caption) {
  Step s = step(StepKind::Popup);
  s.text = std::string(caption);
  return add(s);
}

Headless& Headless::dialog(std::string_view path) {
  Step s = step(StepKind::Dialog);
  s.text = std::string(path);
  return add(s);
}

Headless& Headless::wait_top(std::string_view cls, std::string_view title) {
  Step s = step(StepKind::WaitTop);
  s.text = std::string(cls);
  s.match = std::string(title);
  return add(s);
}

Headless& Headless::advance(int ms) {
  Step s = step(StepKind::Advance);
  s.row = std::max(0, ms);
  return add(s);
}

Headless& Headless::snapshot(std::string_view name) {
  Step s = step(StepKind::Snapshot);
  s.text = std::string(name);
  return add(s);
}

// ---- Taking steps -----------------------------------------------------------

Hwnd Headless::resolve(const Target& t) const {
  for (Hwnd top : visible_tops()) {
    Hwnd h = t.byCaption ? find_by_caption(top, t.caption) : find_descendant(top, t.id);
    if (h) return h;
  }
  return 0;
}

bool Headless::guard_holds(const Step& s) const {
  Hwnd top = active_window();
  if (!top) return false;
  if (!s.text.empty() && !same_ci(class_name(top), s.text)) return false;
  return s.match.empty() || get_text(top) == s.match;
}

// Expectations, guards and snapshots; false when the step must wait.
bool Headless::check(const Step& s) {
  std::string where = (s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s);
  Hwnd h = s.target.byCaption || s.target.id ? resolve(s.target) : 0;
  std::string got;
  bool ok = true;
  switch (s.kind) {
    case StepKind::WaitTop: return guard_holds(s);
    case StepKind::WaitFocus: return h && get_focus() == h;
    case StepKind::ExpectTop:
      ok = guard_holds(s);
      got = class_name(active_window()) + " " + quote_text(get_text(active_window()));
      break;
    case StepKind::ExpectText:
      got = quote_text(get_text(h));
      ok = h && get_text(h) == s.text;
      break;
    case StepKind::ExpectFocus:
      ok = h && get_focus() == h;
      got = "focus " + hwnd_text(get_focus()) + " id " + std::to_string(get_ctrl_id(get_focus()));
      break;
    case StepKind::ExpectEnabled:
      ok = h && is_enabled(h) == (s.row != 0);
      got = h ? (is_enabled(h) ? "enabled" : "disabled") : "no such control";
      break;
    case StepKind::ExpectBox:
      ok = !boxes_.empty() && boxes_.back().text.find(s.text) != std::string::npos;
      got = boxes_.empty() ? "no box" : quote_text(boxes_.back().text);
      break;
    case StepKind::ExpectLv:
      got = quote_text(lv_item_text(h, s.row, s.col));
      ok = h && lv_item_text(h, s.row, s.col) == s.text;
      break;
    case StepKind::Snapshot:
      log("snapshot " + s.text);
      for (std::istringstream in(render(active_window())); std::getline(in, got);) log("| " + got);
      return true;
    default:
      return true;
  }
  if (!ok) fail(where + " (found " + got + ")");
  return true;
}

bool Headless::poll_input() {
  closing_ = false;
  while (!steps_.empty()) {
    Step s = steps_.front();
    switch (s.kind) {
      case StepKind::Answer:
      case StepKind::Popup:
      case StepKind::Dialog:
        return false;  // waits for its box, popup or dialog
      case StepKind::WaitTop:
      case StepKind::WaitFocus:
      case StepKind::ExpectTop:
      case StepKind::ExpectText:
      case StepKind::ExpectFocus:
      case StepKind::ExpectEnabled:
      case StepKind::ExpectBox:
      case StepKind::ExpectLv:
      case StepKind::Snapshot:
        if (!check(s)) return false;
        steps_.pop_front();
        continue;
      default:
        break;
    }
    steps_.pop_front();
    stallStage_.clear();
    if (deliver(s)) return true;
  }
  return false;
}

bool Headless::deliver(const Step& s) {
  log("> " + describe(s));
  std::string where = (s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s);
  Hwnd top = active_window();
  Hwnd h = 0;
  switch (s.kind) {
    case StepKind::Key:
      h = key_target();
      if (!h || !accepts_input(h)) return fail(where + ": no window takes keys"), false;
      return input_key(s.vk, s.mods, s.ch);
    case StepKind::Advance:
      clock_ += static_cast<uint64_t>(s.row);
      return true;
    case StepKind::Menu:
      return deliver_menu(s);
    case StepKind::Close:
    case StepKind::Scroll:
    case StepKind::Device:
      if (!top || !accepts_input(top)) return fail(where + ": no active window"), false;
      if (s.kind == StepKind::Close) return post(top, WM_CLOSE);
      if (s.kind == StepKind::Device) return post(top, MSG_DEVICE_DATA, static_cast<WParam>(s.row), s.col);
      if (s.row == SB_THUMBTRACK || s.row == SB_THUMBPOSITION) set_scroll_track(top, s.vk ? SB_VERT : SB_HORZ, s.col);
      return post(top, s.vk ? WM_VSCROLL : WM_HSCROLL,
                  MakeLong(static_cast<uint16_t>(s.row), static_cast<uint16_t>(s.col)), 0);
    default:
      break;
  }
  h = resolve(s.target);
  if (!h) return fail(where + ": no such control"), false;
  if (!accepts_input(h)) return fail(where + ": the control takes no input (disabled or hidden)"), false;
  if (s.kind == StepKind::Click) {
    Rect r = get_client_rect(h);
    return input_click(h, Point{r.Width() / 2, r.Height() / 2},
                       s.row == 1 ? Click::Double : s.row == 2 ? Click::Right : Click::Left);
  }
  return deliver_list(s, h);
}

bool Headless::deliver_list(const Step& s, Hwnd h) {
  std::string where = (s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s);
  Point p;
  if (s.kind == StepKind::LvClick) {
    if (s.row < 0 || s.row >= lv_item_count(h)) return fail(where + ": no such row"), false;
    lv_ensure_visible(h, s.row);  // a person scrolls to the row first
    Rect r = lv_subitem_rect(h, s.row, 0);
    p = Point{r.left + r.Width() / 2, r.top + r.Height() / 2};
  } else {
    if (s.row < 0 || s.row >= listbox_count(h)) return fail(where + ": no such item"), false;
    int ih = listbox_item_height(h);
    int line = s.kind == StepKind::ComboSelect ? s.row + 1 : s.row;  // a combo's list is under its edit line
    p = Point{get_client_rect(h).Width() / 2, line * ih + ih / 2};
  }
  int kind = s.kind == StepKind::LvClick ? s.col : s.kind == StepKind::ListSelect ? s.col : 0;
  return input_click(h, p, kind == 1 ? Click::Double : kind == 2 ? Click::Right : Click::Left);
}

bool Headless::deliver_menu(const Step& s) {
  std::vector<std::string> path;
  if (!s.text.empty()) path = split_path(s.text);
  for (Hwnd top : visible_tops()) {
    int id = 0;
    if (!get_menu(top) || !menu_find(get_menu(top), path, 0, s.target.id, id)) continue;
    if (!accepts_input(top)) break;
    return post(top, WM_COMMAND, MakeLong(static_cast<uint16_t>(id), 0), 0);
  }
  fail((s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s) +
       ": no enabled window has that menu item");
  return false;
}

bool Headless::wait_input(int timeoutMs) {
  if (poll_input()) return true;
  if (timeoutMs >= 0) {
    int t = next_timer_ms();
    clock_ += static_cast<uint64_t>(t >= 0 && t < timeoutMs ? t : timeoutMs);
    return false;
  }
  return stall();
}

// ---- Stall ------------------------------------------------------------------

std::string Headless::stack_report() const {
  std::ostringstream out;
  out << "window stack, top first:";
  for (Hwnd top : visible_tops()) {
    out << "\n  " << hwnd_text(top) << " class=" << quote_text(class_name(top)) << " title="
        << quote_text(get_text(top)) << (is_enabled(top) ? "" : " [disabled]");
  }
  Hwnd f = get_focus();
  out << "\n  focus " << (f ? hwnd_text(f) + " id " + std::to_string(get_ctrl_id(f)) : std::string("none"));
  if (steps_.empty()) out << "\n  the script has no steps left";
  else out << "\n  next step: " << describe(steps_.front()) << (steps_.front().line ? " (line " + std::to_string(steps_.front().line) + ")" : "");
  return out.str();
}

bool Headless::stall() {
  ++stalls_;
  Hwnd top = active_window();
  if (opt_.stall == StallPolicy::Fail && !failReported_) {
    failReported_ = true;
    fail("stall: the program waits for input that the script does not give\n" + stack_report());
  }
  int stage = top ? stallStage_[top]++ : 2;
  static const char* const kStages[] = {"Esc", "close", "quit", "destroy"};
  log("stall " + hwnd_text(top) + ": " + kStages[std::min(stage, 3)]);
  switch (stage) {
    case 0:
      closing_ = true;
      return input_key(VK_ESCAPE, 0);
    case 1:
      closing_ = true;
      return post(top, WM_CLOSE);
    case 2:
      post_quit(0);
      return true;
    default:
      destroy_window(top);
      return true;
  }
}

// ---- Modal primitives -------------------------------------------------------

int Headless::message_box(Hwnd, std::string_view text, std::string_view caption, uint32_t type) {
  BoxRecord box{std::string(text), std::string(caption), type, 0};
  std::string what = "box " + quote_text(caption) + " " + quote_text(text);
  if (!steps_.empty() && steps_.front().kind == StepKind::Answer) {
    Step s = steps_.front();
    steps_.pop_front();
    std::string where = (s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s);
    if (!s.match.empty() && box.text.find(s.match) == std::string::npos) fail(where + ": the " + what + " does not match");
    if (answer_fits(type, s.row)) box.answer = s.row;
    else fail(where + ": the " + what + " has no such button");
  } else if (opt_.stall == StallPolicy::Fail && !closing_) {
    fail("unscripted " + what + "\n" + stack_report());
  }
  if (!box.answer) box.answer = policy_answer(type, closing_);
  log("box type=" + hex(type) + " caption=" + quote_text(caption) + " text=" + quote_text(text) + " -> " +
      answer_name(box.answer));
  boxes_.push_back(box);
  return box.answer;
}

int Headless::popup_menu(Hwnd, const std::vector<std::string>& items, Point) {
  int chosen = -1;
  std::string list;
  for (const std::string& it : items) list += (list.empty() ? "" : "|") + it;
  if (!steps_.empty() && steps_.front().kind == StepKind::Popup) {
    Step s = steps_.front();
    steps_.pop_front();
    for (size_t i = 0; !s.text.empty() && i < items.size(); ++i)
      if (without_ampersand(items[i]) == s.text) chosen = static_cast<int>(i);
    if (s.text.empty() && s.row > 0) chosen = s.row - 1;
    if ((s.row > 0 || !s.text.empty()) && (chosen < 0 || chosen >= static_cast<int>(items.size()))) {
      fail((s.line ? "line " + std::to_string(s.line) + ": " : std::string()) + describe(s) +
           ": the popup has no such item (" + list + ")");
      chosen = -1;
    }
  } else if (opt_.stall == StallPolicy::Fail && !closing_) {
    fail("unscripted popup " + quote_text(list) + "\n" + stack_report());
  }
  log("popup " + quote_text(list) + " -> " + (chosen < 0 ? std::string("none") : std::to_string(chosen + 1)));
  return chosen;
}

namespace {

const char* dialog_kind_name(DialogKind k) {
  return k == DialogKind::Save ? "save" : k == DialogKind::Folder ? "folder" : "open";
}

std::string filter_text(const std::vector<DialogFilter>& filters) {
  std::string out;
  for (const DialogFilter& f : filters) out += (out.empty() ? "" : "|") + f.caption + "|" + f.pattern;
  return out;
}

}  // namespace

bool Headless::path_dialog(Hwnd, const DialogRequest& request, std::string& path) {
  DialogRecord rec{request, false, {}};
  std::string what = std::string("dialog ") + dialog_kind_name(request.kind) + " title=" + quote_text(request.title) +
                     " filter=" + quote_text(filter_text(request.filters)) + " initial=" + quote_text(request.initial);
  if (!steps_.empty() && steps_.front().kind == StepKind::Dialog) {
    rec.path = steps_.front().text;
    rec.chosen = !rec.path.empty();
    steps_.pop_front();
  } else if (opt_.stall == StallPolicy::Fail && !closing_) {
    fail("unscripted " + what + "\n" + stack_report());
  }
  log(what + " -> " + (rec.chosen ? quote_text(rec.path) : std::string("cancel")));
  dialogs_.push_back(rec);
  path = rec.path;
  return rec.chosen;
}

bool Headless::viewer_allowed(std::string_view command, std::string_view file) {
  std::string what = quote_text(command) + " " + quote_text(file);
  log("viewer " + what + " (not started)");
  viewers_.push_back(what);
  return false;
}

// ---- Transcript -------------------------------------------------------------

void Headless::on_event(const Event& e) {
  std::string h = hwnd_text(e.hwnd);
  switch (e.kind) {
    case EventKind::Create:
      if (Hwnd p = get_parent(e.hwnd))
        log("create " + h + " class=" + quote_text(class_name(e.hwnd)) + " id=" + std::to_string(get_ctrl_id(e.hwnd)) +
            " parent=" + hwnd_text(p) + " rect=" + rect_text(get_window_rect(e.hwnd)) + " text=" +
            quote_text(display_text(e.hwnd)));
      else
        log("create " + h + " class=" + quote_text(class_name(e.hwnd)) + " title=" + quote_text(get_text(e.hwnd)) +
            " style=" + hex(get_style(e.hwnd)) + " owner=" + hwnd_text(get_owner(e.hwnd)) +
            " rect=" + rect_text(get_window_rect(e.hwnd)) + menu_text(get_menu(e.hwnd)));
      break;
    case EventKind::Destroy: log("destroy " + h); break;
    case EventKind::Text: log("text " + h + " " + quote_text(display_text(e.hwnd))); break;
    case EventKind::Show:
      if (!get_parent(e.hwnd)) log("show " + h + (e.value ? " max" : "") + " rect=" + rect_text(get_window_rect(e.hwnd)));
      break;
    case EventKind::Hide:
      if (!get_parent(e.hwnd)) log("hide " + h);
      break;
    case EventKind::Enable: log("enable " + h + " " + std::to_string(e.value)); break;
    case EventKind::Focus:
      log(e.hwnd ? "focus " + h + " id=" + std::to_string(get_ctrl_id(e.hwnd)) : std::string("focus none"));
      break;
    case EventKind::Progress: log("progress " + h + " " + std::to_string(e.value)); break;
    case EventKind::Move:
      if (!get_parent(e.hwnd)) log("move " + h + " rect=" + rect_text(get_window_rect(e.hwnd)));
      break;
    case EventKind::Image: log("image " + h + " " + picture_text(static_cast<Hbitmap>(e.value))); break;
    case EventKind::Paint: break;
  }
}

std::string Headless::render(Hwnd top) const {
  std::ostringstream out;
  if (!is_window(top)) return "no window\n";
  out << "window " << hwnd_text(top) << " class=" << quote_text(class_name(top)) << " title="
      << quote_text(get_text(top)) << " rect=" << rect_text(get_window_rect(top))
      << (is_enabled(top) ? "" : " [disabled]") << (is_maximized(top) ? " [max]" : "") << "\n";
  for (Hwnd k : children(top)) render_control(k, 1, out);
  return out.str();
}

}  // namespace ui
