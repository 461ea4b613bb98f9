// The script reader of the headless back end: tokens, key names, steps.
#include "platform/ui/script.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace ui {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
  std::string key;  // for key=value tokens
};

bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Reads a quoted string starting at s[i] == '"'; escapes \" \\ \n \r \t \xNN.
bool read_quoted(std::string_view s, size_t& i, std::string& out) {
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c != '\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    char e = s[++i];
    if (e == 'n') out += '\n';
    else if (e == 'r') out += '\r';
    else if (e == 't') out += '\t';
    else if (e == 'x' && i + 2 < s.size() && hex_digit(s[i + 1]) >= 0 && hex_digit(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_digit(s[i + 1]) * 16 + hex_digit(s[i + 2]));
      i += 2;
    } else out += e;
  }
  return false;
}

bool tokenize(std::string_view s, std::vector<Token>& out, std::string& err) {
  size_t i = 0;
  while (i < s.size()) {
    if (std::isspace(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    Token t;
    size_t start = i;
    while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '"' && s[i] != '=') ++i;
    t.text = std::string(s.substr(start, i - start));
    if (i < s.size() && s[i] == '=') {
      t.key = t.text;
      t.text.clear();
      ++i;
    }
    if (i < s.size() && s[i] == '"' && (start == i || !t.key.empty())) {
      t.quoted = true;
      if (!read_quoted(s, i, t.text)) return err = "unterminated quoted text", false;
    } else if (!t.key.empty()) {
      size_t vs = i;
      while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      t.text = std::string(s.substr(vs, i - vs));
    }
    out.push_back(std::move(t));
  }
  return true;
}

bool to_int(std::string_view s, int& v) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2), base = 16;
  bool neg = !s.empty() && s[0] == '-';
  if (neg) s.remove_prefix(1);
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || s.empty()) return false;
  if (neg) v = -v;
  return true;
}

struct KeyName {
  const char* name;
  uint16_t vk;
};
constexpr KeyName kKeys[] = {
    {"Enter", VK_RETURN}, {"Return", VK_RETURN}, {"Tab", VK_TAB},     {"Esc", VK_ESCAPE},
    {"Escape", VK_ESCAPE}, {"Back", VK_BACK},     {"Backspace", VK_BACK}, {"Space", VK_SPACE},
    {"PgUp", VK_PRIOR},   {"Prior", VK_PRIOR},   {"PgDn", VK_NEXT},   {"Next", VK_NEXT},
    {"End", VK_END},      {"Home", VK_HOME},     {"Left", VK_LEFT},   {"Up", VK_UP},
    {"Right", VK_RIGHT},  {"Down", VK_DOWN},     {"Insert", VK_INSERT}, {"Delete", VK_DELETE},
    {"Del", VK_DELETE},   {"Shift", VK_SHIFT},   {"Ctrl", VK_CONTROL}, {"Alt", VK_MENU},
    {"]", VK_OEM_CLOSE_BRACKET},
};

bool key_name(std::string_view name, uint16_t& vk) {
  for (const KeyName& k : kKeys)
    if (same(name, k.name)) return vk = k.vk, true;
  int n = 0;
  if ((name[0] == 'F' || name[0] == 'f') && name.size() > 1 && to_int(name.substr(1), n) && n >= 1 && n <= 24)
    return vk = static_cast<uint16_t>(VK_F1 + n - 1), true;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return vk = static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(name[0]))), true;
  if (to_int(name, n) && n > 0 && n < 256) return vk = static_cast<uint16_t>(n), true;
  return false;
}

const char* key_label(uint16_t vk) {
  for (const KeyName& k : kKeys)
    if (k.vk == vk) return k.name;
  return nullptr;
}

struct ScrollName {
  const char* name;
  int req;
};
constexpr ScrollName kScrolls[] = {{"lineup", SB_LINEUP},   {"linedown", SB_LINEDOWN}, {"pageup", SB_PAGEUP},
                                   {"pagedown", SB_PAGEDOWN}, {"position", SB_THUMBPOSITION},
                                   {"track", SB_THUMBTRACK},  {"top", SB_TOP},           {"bottom", SB_BOTTOM},
                                   {"end", SB_ENDSCROLL}};

Step make(StepKind k, int line) {
  Step s;
  s.kind = k;
  s.line = line;
  return s;
}

// ---- One line ---------------------------------------------------------------

class LineParser {
 public:
  LineParser(const std::vector<Token>& t, int line, std::vector<Step>& out) : t_(t), line_(line), out_(out) {}
  bool run(std::string& err);

 private:
  bool need(size_t n, std::string& err) {
    if (t_.size() - 1 >= n) return true;
    err = "missing arguments";
    return false;
  }
  bool number(size_t i, int& v, std::string& err) {
    if (i < t_.size() && !t_[i].quoted && to_int(t_[i].text, v)) return true;
    err = "a number is expected";
    return false;
  }
  bool target(size_t i, Target& tg, std::string& err) {
    if (i >= t_.size()) return err = "a control id or caption is expected", false;
    if (t_[i].quoted) {
      tg.caption = t_[i].text;
      tg.byCaption = true;
      return true;
    }
    return number(i, tg.id, err);
  }
  bool key(std::string& err);
  bool click(StepKind k, int kind, std::string& err);
  bool rowed(StepKind k, int col, std::string& err);
  bool scroll(std::string& err);
  bool answer(std::string& err);
  bool top_guard(StepKind k, std::string& err);
  bool expect(std::string_view verb, std::string& err);

  const std::vector<Token>& t_;
  int line_;
  std::vector<Step>& out_;
};

bool LineParser::key(std::string& err) {
  Step s = make(StepKind::Key, line_);
  if (!need(1, err)) return false;
  if (!parse_key(t_[1].text, s.vk, s.mods)) return err = "unknown key '" + t_[1].text + "'", false;
  out_.push_back(s);
  return true;
}

bool LineParser::click(StepKind k, int kind, std::string& err) {
  Step s = make(k, line_);
  if (!need(1, err) || !target(1, s.target, err)) return false;
  s.row = kind;
  out_.push_back(s);
  return true;
}

bool LineParser::rowed(StepKind k, int col, std::string& err) {
  Step s = make(k, line_);
  if (!need(2, err) || !target(1, s.target, err) || !number(2, s.row, err)) return false;
  s.col = col;
  out_.push_back(s);
  return true;
}

bool LineParser::scroll(std::string& err) {
  Step s = make(StepKind::Scroll, line_);
  if (!need(2, err)) return false;
  if (same(t_[1].text, "v")) s.vk = 1;
  else if (!same(t_[1].text, "h")) return err = "scroll takes v or h", false;
  bool named = false;
  for (const ScrollName& n : kScrolls)
    if (same(t_[2].text, n.name)) s.row = n.req, named = true;
  if (!named && !number(2, s.row, err)) return false;
  if (t_.size() > 3 && !number(3, s.col, err)) return false;
  out_.push_back(s);
  return true;
}

bool LineParser::answer(std::string& err) {
  Step s = make(StepKind::Answer, line_);
  if (!need(1, err)) return false;
  s.row = parse_answer(t_[1].text);
  if (!s.row) return err = "unknown answer '" + t_[1].text + "'", false;
  if (t_.size() > 2) {
    if (t_.size() != 4 || !same(t_[2].text, "match") || !t_[3].quoted) return err = "expected: match \"text\"", false;
    s.match = t_[3].text;
  }
  out_.push_back(s);
  return true;
}

bool LineParser::top_guard(StepKind k, std::string& err) {
  Step s = make(k, line_);
  for (size_t i = 1; i < t_.size(); ++i) {
    if (same(t_[i].key, "class")) s.text = t_[i].text;
    else if (same(t_[i].key, "title")) s.match = t_[i].text;
    else return err = "expected class=NAME or title=\"text\"", false;
  }
  if (s.text.empty() && s.match.empty()) return err = "expected class=NAME or title=\"text\"", false;
  out_.push_back(s);
  return true;
}

bool LineParser::expect(std::string_view verb, std::string& err) {
  if (same(verb, "expect-top")) return top_guard(StepKind::ExpectTop, err);
  Step s;
  s.line = line_;
  auto text_at = [&](size_t i) {
    if (i < t_.size() && t_[i].quoted) return s.text = t_[i].text, true;
    return err = "quoted text expected", false;
  };
  if (same(verb, "expect-text")) {
    s.kind = StepKind::ExpectText;
    if (!target(1, s.target, err) || !text_at(2)) return false;
  } else if (same(verb, "expect-focus") || same(verb, "wait-focus")) {
    s.kind = same(verb, "wait-focus") ? StepKind::WaitFocus : StepKind::ExpectFocus;
    if (!target(1, s.target, err)) return false;
  } else if (same(verb, "expect-enabled")) {
    s.kind = StepKind::ExpectEnabled;
    if (!target(1, s.target, err) || !number(2, s.row, err)) return false;
  } else if (same(verb, "expect-box")) {
    s.kind = StepKind::ExpectBox;
    if (!text_at(1)) return false;
  } else if (same(verb, "expect-lv")) {
    s.kind = StepKind::ExpectLv;
    if (!target(1, s.target, err) || !number(2, s.row, err) || !number(3, s.col, err) || !text_at(4)) return false;
  } else {
    return err = "unknown step '" + std::string(verb) + "'", false;
  }
  out_.push_back(s);
  return true;
}

bool LineParser::run(std::string& err) {
  const std::string& v = t_[0].text;
  auto one_text = [&](auto&& fn) {
    if (t_.size() != 2 || !t_[1].quoted) return err = "one quoted text expected", false;
    fn(t_[1].text, out_, line_);
    return true;
  };
  if (same(v, "key")) return key(err);
  if (same(v, "type")) return one_text(typing_steps);
  if (same(v, "scan")) return one_text(scan_steps);
  if (same(v, "click")) return click(StepKind::Click, 0, err);
  if (same(v, "dblclick")) return click(StepKind::Click, 1, err);
  if (same(v, "rclick")) return click(StepKind::Click, 2, err);
  if (same(v, "lv-click")) return rowed(StepKind::LvClick, 0, err);
  if (same(v, "lv-dblclick")) return rowed(StepKind::LvClick, 1, err);
  if (same(v, "lv-rclick")) return rowed(StepKind::LvClick, 2, err);
  if (same(v, "list-select")) return rowed(StepKind::ListSelect, 0, err);
  if (same(v, "list-dblclick")) return rowed(StepKind::ListSelect, 1, err);
  if (same(v, "combo-select")) return rowed(StepKind::ComboSelect, 0, err);
  if (same(v, "scroll")) return scroll(err);
  if (same(v, "answer")) return answer(err);
  if (same(v, "wait-top")) return top_guard(StepKind::WaitTop, err);
  Step s = make(StepKind::Close, line_);
  if (same(v, "close")) {
    if (t_.size() != 1) return err = "close takes no argument", false;
  } else if (same(v, "menu")) {
    s.kind = StepKind::Menu;
    if (!need(1, err)) return false;
    if (t_[1].quoted) s.text = t_[1].text;
    else if (!number(1, s.target.id, err)) return false;
  } else if (same(v, "device")) {
    s.kind = StepKind::Device;
    if (!need(2, err) || !number(1, s.row, err) || !number(2, s.col, err)) return false;
  } else if (same(v, "popup")) {
    s.kind = StepKind::Popup;
    if (!need(1, err)) return false;
    if (t_[1].quoted) s.text = t_[1].text;
    else if (!same(t_[1].text, "none") && (!number(1, s.row, err) || s.row < 1))
      return err = "popup takes a position from 1, a quoted caption or none", false;
  } else if (same(v, "dialog")) {
    s.kind = StepKind::Dialog;
    if (t_.size() != 2 || !t_[1].quoted) return err = "dialog takes a quoted path (\"\" cancels)", false;
    s.text = t_[1].text;
  } else if (same(v, "advance")) {
    s.kind = StepKind::Advance;
    if (!need(1, err) || !number(1, s.row, err) || s.row < 0) return err = "advance takes milliseconds", false;
  } else if (same(v, "snapshot")) {
    s.kind = StepKind::Snapshot;
    if (!need(1, err)) return false;
    s.text = t_[1].text;
  } else {
    return expect(v, err);
  }
  out_.push_back(s);
  return true;
}

std::string quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') out += '\\', out += c;
    else if (u < 32 || u == 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else out += c;
  }
  return out + "\"";
}

std::string target_text(const Target& t) { return t.byCaption ? quote(t.caption) : std::to_string(t.id); }

std::string key_text(const Step& s) {
  std::string out;
  if (s.ch >= 32 && s.ch != 127) return "type " + quote(std::string(1, static_cast<char>(s.ch)));
  const char* label = key_label(s.vk);
  if (label) out = label;
  else if ((s.vk >= 'A' && s.vk <= 'Z') || (s.vk >= '0' && s.vk <= '9')) out = std::string(1, static_cast<char>(s.vk));
  else if (s.vk >= VK_F1 && s.vk <= VK_F1 + 23) out = "F" + std::to_string(s.vk - VK_F1 + 1);
  else out = std::to_string(s.vk);
  if (s.mods & KEY_SHIFT) out += "+Shift";
  if (s.mods & KEY_CTRL) out += "+Ctrl";
  if (s.mods & KEY_ALT) out += "+Alt";
  return "key " + out;
}

}  // namespace

// ---- Public helpers ---------------------------------------------------------

bool parse_key(std::string_view spec, uint16_t& vk, LParam& mods) {
  mods = 0;
  size_t plus = spec.find('+', 1);
  if (!key_name(spec.substr(0, plus), vk)) return false;
  while (plus != std::string_view::npos) {
    size_t next = spec.find('+', plus + 1);
    std::string_view m = spec.substr(plus + 1, next == std::string_view::npos ? next : next - plus - 1);
    if (same(m, "Shift")) mods |= KEY_SHIFT;
    else if (same(m, "Ctrl")) mods |= KEY_CTRL;
    else if (same(m, "Alt")) mods |= KEY_ALT;
    else return false;
    plus = next;
  }
  return true;
}

constexpr const char* kAnswers[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

int parse_answer(std::string_view word) {
  for (int i = 1; i <= 7; ++i)
    if (same(word, kAnswers[i])) return i;
  return 0;
}

std::string quote_text(std::string_view s) { return quote(s); }

const char* answer_name(int id) { return id >= 1 && id <= 7 ? kAnswers[id] : "none"; }

void typing_steps(std::string_view text, std::vector<Step>& out, int line) {
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    Step s = make(StepKind::Key, line);
    s.ch = u;
    if (u >= 'a' && u <= 'z') s.vk = static_cast<uint16_t>(u - 'a' + 'A');
    else if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' ') s.vk = u;
    else if (u == '\r' || u == '\n') s.vk = VK_RETURN, s.ch = '\r';
    else if (u == '\t') s.vk = VK_TAB;
    else s.vk = 0;  // a character without a key of its own
    if (u >= 'A' && u <= 'Z') s.mods = KEY_SHIFT;
    out.push_back(s);
  }
}

void scan_steps(std::string_view text, std::vector<Step>& out, int line) {
  Step gs = make(StepKind::Key, line);
  gs.vk = VK_OEM_CLOSE_BRACKET;
  gs.mods = KEY_CTRL;
  out.push_back(gs);
  typing_steps(text, out, line);
  Step enter = make(StepKind::Key, line);
  enter.vk = VK_RETURN;
  out.push_back(enter);
}

bool parse_script(std::string_view text, std::vector<Step>& out, std::string& error) {
  std::vector<Step> steps;
  int line = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view l = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
    ++line;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    std::vector<Token> tokens;
    std::string err;
    bool ok = tokenize(l, tokens, err);
    if (ok && (tokens.empty() || (!tokens[0].quoted && tokens[0].text.starts_with("#")))) continue;
    if (ok && (tokens[0].quoted || !tokens[0].key.empty())) ok = false, err = "a step name is expected";
    if (ok) ok = LineParser(tokens, line, steps).run(err);
    if (!ok) {
      error = "ui script line " + std::to_string(line) + ": " + err;
      return false;
    }
  }
  out.insert(out.end(), steps.begin(), steps.end());
  return true;
}

std::string describe(const Step& s) {
  auto rc = [&](const char* verb) { return std::string(verb) + " " + target_text(s.target) + " " + std::to_string(s.row); };
  static const char* const kClicks[] = {"click", "dblclick", "rclick"};
  static const char* const kLv[] = {"lv-click", "lv-dblclick", "lv-rclick"};
  switch (s.kind) {
    case StepKind::Key: return key_text(s);
    case StepKind::Click: return std::string(kClicks[s.row % 3]) + " " + target_text(s.target);
    case StepKind::LvClick: return rc(kLv[s.col % 3]);
    case StepKind::ListSelect: return rc(s.col ? "list-dblclick" : "list-select");
    case StepKind::ComboSelect: return rc("combo-select");
    case StepKind::Menu: return "menu " + (s.text.empty() ? std::to_string(s.target.id) : quote(s.text));
    case StepKind::Close: return "close";
    case StepKind::Scroll:
      return std::string("scroll ") + (s.vk ? "v " : "h ") + std::to_string(s.row) + " " + std::to_string(s.col);
    case StepKind::Device: return "device " + std::to_string(s.row) + " " + std::to_string(s.col);
    case StepKind::Answer:
      return std::string("answer ") + answer_name(s.row) + (s.match.empty() ? "" : " match " + quote(s.match));
    case StepKind::Popup:
      return "popup " + (!s.text.empty() ? quote(s.text) : s.row ? std::to_string(s.row) : std::string("none"));
    case StepKind::Dialog: return "dialog " + quote(s.text);
    case StepKind::WaitTop:
    case StepKind::ExpectTop:
      return std::string(s.kind == StepKind::WaitTop ? "wait-top" : "expect-top") +
             (s.text.empty() ? "" : " class=" + s.text) + (s.match.empty() ? "" : " title=" + quote(s.match));
    case StepKind::Advance: return "advance " + std::to_string(s.row);
    case StepKind::ExpectText: return "expect-text " + target_text(s.target) + " " + quote(s.text);
    case StepKind::ExpectFocus: return "expect-focus " + target_text(s.target);
    case StepKind::WaitFocus: return "wait-focus " + target_text(s.target);
    case StepKind::ExpectEnabled: return "expect-enabled " + target_text(s.target) + " " + std::to_string(s.row);
    case StepKind::ExpectBox: return "expect-box " + quote(s.text);
    case StepKind::ExpectLv: return rc("expect-lv") + " " + std::to_string(s.col) + " " + quote(s.text);
    case StepKind::Snapshot: return "snapshot " + s.text;
  }
  return "?";
}

}  // namespace ui
