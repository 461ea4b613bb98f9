#include "screens/forms/acceptlist.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "data/dictionary/compat.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/objparams.h"
#include "script/scanner.h"
#include "script/variables.h"

namespace {

constexpr uint16_t kAuxStatDefaults = 64;  // `_AUXSTAT` while the starting values are put
constexpr size_t kNameMax = 8;             // a form's derived screen name
constexpr int32_t kFitMinColumns = 25;
constexpr int kPlaceMax = 9999;            // a row or column beyond any window
constexpr char kNumericTypes[] = "NL123456789";
// The comparison operators of names, in the order of message 0080's words.
constexpr std::string_view kPromptOps[] = {">", "<", "==", ">=", "<=", "<>"};
// The same operators as FmtCompareExpr numbers them ("==,>,>=,<,<=,<>").
constexpr int kCondOps[] = {2, 4, 1, 3, 5, 6};
constexpr int kOpFrom = 4, kOpTo = 5;  // ">=" and "<=" of kPromptOps, 1-based
constexpr int kOpEqual = 1, kOpNotEqual = 6;  // "==" and "<>" of kCondOps

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(std::min<size_t>(detail.size(), 1024))), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

std::string_view Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '\'' || s.front() == '"') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

bool IsNumericType(char type) { return type && std::string_view(kNumericTypes).find(type) != std::string_view::npos; }

// The first position from `from` where match holds outside quotes, braces
// and parentheses; npos when none.
template <class Match>
size_t FindTop(std::string_view s, size_t from, Match match) {
  char quote = 0;
  int braces = 0, parens = 0;
  for (size_t i = from; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '{') {
      ++braces;
    } else if (c == '}') {
      braces = std::max(braces - 1, 0);
    } else if (c == '(') {
      ++parens;
    } else if (c == ')') {
      parens = std::max(parens - 1, 0);
    } else if (braces == 0 && parens == 0 && match(i)) {
      return i;
    }
  }
  return std::string_view::npos;
}

std::vector<std::string_view> SplitTop(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (;;) {
    size_t at = FindTop(s, start, [&](size_t i) { return s[i] == sep; });
    out.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return out;
    start = at + 1;
  }
}

bool HasTop(std::string_view s, char c) {
  return FindTop(s, 0, [&](size_t i) { return s[i] == c; }) != std::string_view::npos;
}

// "/ROW" or "/COL" at i, followed by a blank, "=" or a digit.
bool IsOption(std::string_view s, size_t i) {
  if (s[i] != '/' || i + 4 > s.size()) return false;
  std::string word(s.substr(i + 1, 3));
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (word != "ROW" && word != "COL") return false;
  if (i + 4 == s.size()) return false;
  char next = s[i + 4];
  return next == ' ' || next == '=' || (next >= '0' && next <= '9');
}

// The number after an option word (blanks and "=" skipped).
int OptionNumber(std::string_view s, size_t at) {
  size_t i = at + 4;
  while (i < s.size() && (s[i] == ' ' || s[i] == '=')) ++i;
  int v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min(v * 10 + (s[i] - '0'), kPlaceMax);
  return v;
}

// "{row,col}" at the start of a text: the place, and the text after it.
bool PlacePrefix(std::string_view& text, int* row, int* col) {
  if (text.empty() || text.front() != '{') return false;
  size_t close = text.find('}');
  size_t comma = text.find(',');
  if (close == std::string_view::npos || comma == std::string_view::npos || comma > close) return false;
  auto num = [](std::string_view v) {
    v = Trim(v);
    int n = 0;
    for (char c : v) {
      if (c < '0' || c > '9') return -1;
      n = std::min(n * 10 + (c - '0'), kPlaceMax);
    }
    return v.empty() ? -1 : n;
  };
  int r = num(text.substr(1, comma - 1)), c = num(text.substr(comma + 1, close - comma - 1));
  if (r < 0 || c < 0) return false;
  *row = r;
  *col = c;
  text = Trim(text.substr(close + 1));
  return true;
}

struct Spec {
  std::string text;                // the spec without its options
  std::vector<std::string> parts;  // trimmed
  int row = 0, col = 0;            // its own place (0: none)
  std::string prompt;              // without the place, unquoted (generated for field references)
  std::string name;                // part 3, else part 1 without its place
  std::string term;                // the name without its comparison operator
  int op = 0;                      // 1-6 in kPromptOps order, 0 none, -1 not a comparison
};

struct Form {
  std::string list;   // trimmed
  std::string specs;  // the text before the properties
  std::string props;  // after " /"
  std::vector<Spec> items;
};

// The name's trailing comparison operator.
void NameOperator(Spec& s) {
  size_t end = s.name.size();
  size_t start = end;
  while (start > 0 && std::string_view("<>=").find(s.name[start - 1]) != std::string_view::npos) --start;
  s.term = s.name.substr(0, start);
  std::string_view op = std::string_view(s.name).substr(start);
  s.op = 0;
  if (op.empty()) return;
  s.op = -1;
  for (int k = 0; k < 6; ++k)
    if (op == kPromptOps[k]) s.op = k + 1;
}

// The prompt of a field reference: its dictionary name and the operator's
// word of message 0080.
std::string FieldPrompt(const Spec& s, uint32_t n) {
  const StrAreaScope scope;
  DataFieldDesc d = DicFieldRefParse(StrFromView(Trim(s.term)));
  std::string name = d.status == 0 ? DicFieldName(d.file, d.field).Str() : std::string(Trim(s.term));
  int op = s.op > 0 ? s.op : n == 1 ? kOpFrom : n == 2 ? kOpTo : 0;
  if (op > 0) name += StrListItem(Msg("0080"), ',', static_cast<uint32_t>(op)).View();
  return name + ":";
}

Spec SpecParse(std::string_view raw, bool single, uint32_t n) {
  Spec s;
  raw = Trim(raw);
  size_t opt = FindTop(raw, 0, [&](size_t i) { return IsOption(raw, i); });
  s.text = std::string(Trim(raw.substr(0, opt)));
  int row = 0, col = 0;
  for (size_t at = opt; at != std::string_view::npos;
       at = FindTop(raw, at + 1, [&](size_t i) { return IsOption(raw, i); })) {
    int v = OptionNumber(raw, at);
    (std::toupper(static_cast<unsigned char>(raw[at + 1])) == 'R' ? row : col) = v;
  }
  char sep = single && !HasTop(s.text, ':') && HasTop(s.text, ';') ? ';' : ':';
  for (std::string_view p : SplitTop(s.text, sep)) s.parts.emplace_back(Trim(p));
  std::string_view first = s.parts[0];
  PlacePrefix(first, &s.row, &s.col);
  std::string_view prompt = Unquote(first);
  PlacePrefix(prompt, &s.row, &s.col);
  s.prompt = std::string(prompt);
  if (row) s.row = row;
  if (col) s.col = col;
  s.name = s.parts.size() >= 3 && !s.parts[2].empty() ? s.parts[2] : std::string(first);
  NameOperator(s);
  if (s.parts.size() == 1) s.prompt = FieldPrompt(s, n);
  return s;
}

// The first " /" outside quotes that does not start a field option.
size_t PropsStart(std::string_view list) {
  return FindTop(list, 0, [&](size_t i) { return list[i] == ' ' && i + 1 < list.size() && list[i + 1] == '/' &&
                                                 !IsOption(list, i + 1); });
}

Form FormParse(StrValue text) {
  Form f;
  if (text.IsError()) return f;
  f.list = std::string(Trim(text.View()));
  size_t at = PropsStart(f.list);
  f.specs = std::string(Trim(std::string_view(f.list).substr(0, at)));
  if (at != std::string_view::npos) f.props = std::string(Trim(std::string_view(f.list).substr(at + 2)));
  if (f.specs.empty()) return f;
  std::vector<std::string_view> raw = SplitTop(f.specs, ',');
  for (size_t i = 0; i < raw.size(); ++i)
    f.items.push_back(SpecParse(raw[i], raw.size() == 1, static_cast<uint32_t>(i + 1)));
  return f;
}

const Spec* SpecAt(const Form& f, uint32_t i) { return i >= 1 && i <= f.items.size() ? &f.items[i - 1] : nullptr; }

uint16_t PromptWidth(const Form& f) {
  size_t w = 1;
  for (const Spec& s : f.items) w = std::max(w, s.prompt.size());
  return static_cast<uint16_t>(std::min<size_t>(w, 0xFFFF));
}

AcceptPos FieldPos(const Form& f, uint32_t i, uint16_t column) {
  const Spec* s = SpecAt(f, i);
  if (!s) return {};
  return AcceptPos{static_cast<uint16_t>(s->row ? s->row : i), static_cast<uint16_t>(s->col ? s->col : column)};
}

AcceptPos LabelPos(const Form& f, uint32_t i) {
  AcceptPos p = FieldPos(f, i, static_cast<uint16_t>(PromptWidth(f) + 1));
  int32_t col = static_cast<int32_t>(p.col) - static_cast<int32_t>(SpecAt(f, i)->prompt.size());
  p.col = static_cast<uint16_t>(std::max(col, 1));
  return p;
}

struct NameInfo {
  Status status = 0;
  uint16_t kind = 0;  // the term's kind (bit 1: a string)
  bool plainVariable = false;
};

// The scanner's view of a name without its operator.
NameInfo NameScan(std::string_view term) {
  NameInfo info;
  const StrAreaScope scope;
  ExpToken t = ExpScanStart(StrFromView(term));
  if (t.status == 0) t = ExpScanToken(t);
  if (t.status) {
    info.status = Fail(t.status, term);
    return info;
  }
  info.kind = t.kind;
  info.plainVariable = t.op == 0 && t.AtEnd() && (t.kind == kTermInt || t.kind == kTermStr || t.kind == kTermNum);
  return info;
}

// --- Field records ------------------------------------------------------------

Status WidthFail(const Spec& s, std::string_view why) { return Fail(st::DATAOUTBOUND, s.text + ": " + std::string(why)); }

// Type and width from the evaluated type-and-width part.
Status TypeWidth(const Spec& s, uint16_t number, char* type, uint32_t* width) {
  const StrAreaScope scope;
  StrValue v = ExpEvalStr(StrFromView(s.parts[1]));
  if (Status e = StrError(v)) return e;
  std::string_view tw = Trim(v.View());
  if (tw.empty()) return Fail(st::BADINPUTDATA, s.text);
  *type = static_cast<char>(std::toupper(static_cast<unsigned char>(tw[0])));
  std::string_view digits = Trim(tw.substr(1));
  uint64_t w = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return WidthFail(s, "bad width");
    w = std::min<uint64_t>(w * 10 + static_cast<uint64_t>(c - '0'), 1u << 20);
  }
  if (*type == 'V' && !CompatOn(compat::kNoValueLists)) {
    ScreenFieldVar var = VarScreenFieldRead(number);
    if (var.status) return var.status;
    *type = static_cast<char>(std::toupper(static_cast<unsigned char>(var.kind)));
    w = var.value > 0 ? static_cast<uint64_t>(var.value) : 0;
  }
  if (!FmtTypeCodeIndex(*type)) return Fail(st::BADINPUTDATA, s.text);
  if (w < 1 || w > kStrMaxLen) return WidthFail(s, "width outside 1-65535");
  *width = static_cast<uint32_t>(w);
  return 0;
}

FieldDesc FieldOf(const Spec& s, uint16_t number, AcceptPos pos) {
  FieldDesc f;
  f.row = pos.row;
  f.col = pos.col;
  if (s.name.empty()) {
    f.status = Fail(st::BADINPUTDATA, "no name: " + s.text);
    return f;
  }
  if (Status e = s.op < 0 ? Fail(st::SINTAXERROR, s.name) : NameScan(s.term).status) {
    f.status = e;
    return f;
  }
  if (s.parts.size() == 1) {
    const StrAreaScope scope;
    DataFieldDesc d = DicFieldRefParse(StrFromView(Trim(s.term)));
    if (d.status) {
      f.status = Fail(d.status, s.text);
      return f;
    }
    f.type = static_cast<char>(d.type);
    f.length = d.length;
    f.limit = f.width = std::max<uint16_t>(DicFieldWidth(f.type, d.length), 1);
    f.keyFile = d.file;
    f.keyField = d.field;
    return f;
  }
  char type = 0;
  uint32_t width = 0;
  if (Status e = TypeWidth(s, number, &type, &width)) {
    f.status = e;
    return f;
  }
  f.type = type;
  f.length = CompatFieldLen(type, static_cast<uint16_t>(type == 'D' ? std::min<uint32_t>(width, 8) : width));
  f.limit = f.width = CompatFieldLen(type, static_cast<uint16_t>(width));
  return f;
}

Status FieldsOf(const Form& form, std::vector<FieldDesc>& fields, int flags) {
  fields.clear();
  if (form.items.empty()) return Fail(st::BADINPUTDATA, "no fields: " + form.list);
  uint16_t column = static_cast<uint16_t>(PromptWidth(form) + 1);
  uint32_t next = 1, total = 0;
  for (uint32_t i = 1; i <= form.items.size(); ++i) {
    AcceptPos pos = FieldPos(form, i, column);
    if (flags & kAcceptGridPad) pos = AcceptPos{1, static_cast<uint16_t>(std::min<uint32_t>(next, 0xFFFF))};
    FieldDesc f = FieldOf(form.items[i - 1], static_cast<uint16_t>(i), pos);
    if (f.status) return f.status;
    total += f.length;
    if (total > kStrMaxLen) return WidthFail(form.items[i - 1], "value width over 65535");
    next += static_cast<uint32_t>(f.width) + 1;
    fields.push_back(f);
  }
  return 0;
}

// --- The form's screen -----------------------------------------------------------

// The screens made from field lists: a screen is shared only by the same
// list text.
struct FormScreen {
  std::string name;
  std::string list;
  int gridPad = 0;
  const unsigned char* block = nullptr;
};
std::vector<FormScreen> g_formScreens;

std::string DerivedName(const Form& f) {
  if (f.items.empty()) return "_ACCEPT";  // an empty list has no prompt to share out
  size_t each = std::max<size_t>(1, kNameMax / f.items.size());
  std::string name;
  for (const Spec& s : f.items) name += s.prompt.substr(0, each);
  name = name.substr(0, kNameMax);
  return name.empty() ? std::string("_ACCEPT") : name;
}

bool SameForm(const FormScreen& fs, uint16_t index, std::string_view list, int gridPad) {
  const ScreenDesc* s = ScreenGet(index);
  return s && s->block == fs.block && fs.list == list && fs.gridPad == gridPad;
}

// The screen to share (its index), or 0xFFFF and the free name to parse under.
uint16_t FormScreenFind(const Form& f, int gridPad, std::string* name) {
  std::erase_if(g_formScreens, [](const FormScreen& fs) {
    const StrAreaScope scope;
    uint16_t at = ScreenFind(StrFromView(fs.name));
    return at == 0xFFFF || ScreenGet(at)->block != fs.block;
  });
  std::string base = DerivedName(f);
  for (uint32_t k = 1;; ++k) {
    const StrAreaScope scope;
    std::string candidate = k == 1 ? base : base + "~" + std::to_string(k);
    uint16_t at = ScreenFind(StrFromView(candidate));
    if (at == 0xFFFF) {
      *name = candidate;
      return 0xFFFF;
    }
    for (const FormScreen& fs : g_formScreens)
      if (fs.name == candidate && SameForm(fs, at, f.list, gridPad)) return at;
  }
}

Status FormScreenMake(const Form& f, int flags) {
  std::string name;
  int gridPad = flags & kAcceptGridPad;
  uint16_t shared = FormScreenFind(f, gridPad, &name);
  if (shared != 0xFFFF) {
    ScreenStackSetCurrent(shared);
    return 0;
  }
  std::vector<FieldDesc> fields;
  if (Status e = FieldsOf(f, fields, flags)) return e;
  ScreenDesc d;
  if (flags & kAcceptGridPad) {
    d.linesFirst = 1;
    d.linesLast = static_cast<uint16_t>(fields.size());
  }
  const StrAreaScope scope;
  if (Status e = ScreenDefParse(d, fields.data(), static_cast<uint16_t>(fields.size()), StrFromView(name))) return e;
  g_formScreens.push_back(FormScreen{name, f.list, gridPad, ScreenGet(kCurrentIndex)->block});
  return 0;
}

// The text window of a form: SCREENSIZE$, by default the fields' extent.
void FormGeometryFit() {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  TextWinGeom g = TextWinGeomGet();
  int32_t cols = 0, rows = 1;
  for (uint16_t n = 0; n < s->fieldCount; ++n) {
    const FieldDesc& f = s->fields[n];
    cols = std::max<int32_t>(cols, f.col + std::max(f.length, f.width));
    rows = std::max<int32_t>(rows, f.row);
  }
  int32_t most = std::max<int32_t>(static_cast<int32_t>(g.columns) - g.originCol, 1);
  cols = std::min(std::max(cols, kFitMinColumns), std::max(most, kFitMinColumns));
  cols = std::min<int32_t>(cols, 255);
  rows = std::min<int32_t>(rows, 255);
  TextWinGeomSet(static_cast<uint16_t>(cols), static_cast<uint16_t>(rows), false);
  ScreenSizeApply(static_cast<uint16_t>(cols), static_cast<uint16_t>(rows));
}

// Pops the parameter string pushed for the form when the scope is left.
class PropsPush {
 public:
  explicit PropsPush(const std::string& props) : status_(DynStrPush(ObjParamsList, StrFromView(props))) {}
  ~PropsPush() {
    if (status_ == 0) ParmStrPop();
  }
  PropsPush(const PropsPush&) = delete;
  PropsPush& operator=(const PropsPush&) = delete;
  Status status() const { return status_; }

 private:
  Status status_;
};

// --- Collection ---------------------------------------------------------------

// A number text as the stored forms write it: sign, digits, a point.
bool NumberText(std::string_view v) {
  if (!v.empty() && v.front() == '-') v.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : v) {
    if (c >= '0' && c <= '9') digit = true;
    else if (c == '.' && !point) point = true;
    else return false;
  }
  return digit;
}

std::string FieldLabel(const Spec& s, uint32_t n) { return s.name + " (field " + std::to_string(n) + ")"; }

// "target=value" with the value written so that it cannot end early (a
// number target takes only a number).
Status Assign(const std::string& target, std::string_view value, const std::string& what) {
  const StrAreaScope scope;
  StrValue text = ExpAssignText(StrFromView(target), StrFromView(value));
  if (Status e = StrError(text)) return Fail(e, what);
  Status s = ExpExecText(text);
  return s >= st::USERCANCELED ? s : 0;
}

// A record field holds its text padded with blanks to its length, which a
// typed value lacks: for an (in)equality with a field the value is padded
// the same way, so "Caja, euros" equals the field holding it. A value with
// a "*" stays a pattern; a term that is no field keeps the value as typed.
std::string PaddedToField(const std::string& term, std::string_view value) {
  std::string v(value);
  if (term.find('{') == std::string::npos || v.find('*') != std::string::npos) return v;
  const StrAreaScope scope;
  StrValue now = ExpEvalStr(StrFromView(term));
  if (now.IsError()) {
    ErrClear();
    return v;
  }
  if (now.len > v.size()) v.resize(now.len, ' ');
  return v;
}

// One answer: assigned to its target, quoted into the list, its term added
// to the condition.
Status CollectOne(const Spec& s, uint32_t n, char type, std::string_view value, AcceptResult& r, bool list) {
  if (s.name.empty()) return Fail(st::BADINPUTDATA, "no name: " + s.text);
  if (s.op < 0) return Fail(st::SINTAXERROR, s.name);
  NameInfo name = NameScan(s.term);
  if (name.status) return name.status;
  std::string v = AcceptValueText(type, value);
  std::string what = FieldLabel(s, n);
  std::string target = s.parts.size() >= 5 && !s.parts[4].empty() ? s.parts[4] : name.plainVariable ? s.term : "";
  if (!target.empty())
    if (Status e = Assign(target, IsNumericType(type) ? Trim(v) : std::string_view(v), what)) return e;
  if (list)
    if (Status e = AcceptValueAppend(r.values, v, what)) return e;
  const StrAreaScope scope;
  if (s.op <= 0) return 0;
  bool text = (name.kind & 1) != 0;
  std::string_view cv = text ? std::string_view(v) : Trim(v);
  if (Trim(cv).empty()) return 0;
  if (!text && !NumberText(cv)) return Fail(st::BADINPUTDATA, what);
  std::string padded;
  if (text && s.op <= 6 && (kCondOps[s.op - 1] == kOpEqual || kCondOps[s.op - 1] == kOpNotEqual)) {
    padded = PaddedToField(s.term, cv);
    cv = padded;
  }
  StrValue cond = FmtCondAppend(StrFromView(s.term), kCondOps[s.op - 1], StrFromView(cv), StrFromView(r.condition),
                                StrFromC("&&"), StrFromC(text ? "" : "%s%s%s"));
  if (Status e = StrError(cond)) return Fail(e, what);
  r.condition = cond.Str();
  return 0;
}

// The remembering of a confirmed form: answers, condition, OUTPUT line.
void Remember(AcceptResult& r) {
  const StrAreaScope scope;
  DynStrSet(SystemTextList, kSysAcceptValuesItem, StrFromView(r.values));
  DynStrSet(SystemTextList, kSysLastCondItem, StrFromView(r.condition));
  OutputLineAppend(StrFromView(r.values));
}

void CollectFailed(AcceptResult& r, Status e) {
  r.status = e;
  r.values.clear();
  r.condition.clear();
}

// Closes the current record; a window the form made for itself goes with it
// when it is still open.
void FormRecordClose() {
  const WinRecord* w = WinGet(kCurrentIndex);
  if (!w) return;
  ui::Hwnd own = (w->flags & kWinAcceptOwnWindow) && ui::is_window(w->window) ? w->window : 0;
  WinClose(kCurrentIndex);
  if (own) WinDestroy(own);
}

}  // namespace

void AcceptResultInit(AcceptResult& result) {
  result = AcceptResult{};
  const StrAreaScope scope;
  StrValue line = BatchInputLine();
  if (Status e = StrError(line)) result.status = e;
  else result.values = line.Str();
}

StrValue AcceptListSpecs(StrValue list) { return StrFromView(FormParse(list).specs); }

std::string AcceptValueText(char type, std::string_view stored) {
  std::string v(stored);
  if (!IsNumericType(type)) v.erase(v.find_last_not_of(' ') + 1);
  return v;
}

Status AcceptStoredValue(char type, std::string_view item, uint16_t n, std::string* stored) {
  std::string_view v = Trim(item);
  std::string what = "field " + std::to_string(n) + ": " + std::string(v);
  if (v.empty() || (!IsNumericType(type) && type != 'D' && type != 'F')) {
    *stored = std::string(type == 'D' || type == 'F' || IsNumericType(type) ? v : item);
    return 0;
  }
  if (type == 'D' || type == 'F') {
    const StrAreaScope scope;
    StrValue date = FmtDateParse(StrFromView(v));
    if (date.IsError() || Trim(date.View()).empty()) return Fail(st::BADINPUTDATA, what);
    *stored = date.Str();
    return 0;
  }
  if (type == 'L' ? v != "0" && v != "1" : !NumberText(v)) return Fail(st::BADINPUTDATA, what);
  *stored = std::string(v);
  return 0;
}

Status AcceptValueAppend(std::string& list, std::string_view value, std::string_view what) {
  const StrAreaScope scope;
  StrValue q = StrQuote(StrFromView(value), '\'');
  if (q.IsError()) return Fail(st::BADINPUTDATA, what);
  if (!list.empty()) list += ',';
  list += q.View();
  return 0;
}

Status AcceptWinSelect(StrValue text, int flags) {
  Form form = FormParse(text);
  PropsPush props(form.props);
  if (props.status()) return props.status();
  Status s = FormScreenMake(form, flags);
  if (s) return s;
  ScreenDesc* screen = ScreenGet(kCurrentIndex);
  {
    const StrAreaScope scope;
    if (AssertCheck(screen != nullptr, StrFromC("AcceptWinSelect")).IsError() || !screen) return st::INTERNALERROR;
  }
  ++screen->useCount;
  if ((s = WinOpenCurrent()) != 0) {
    if (--screen->useCount == 0) ScreenRemove(ScreenStackIndex(0));
    return s;
  }
  if (flags & kAcceptFitGeometry) FormGeometryFit();
  if (!(flags & kAcceptGridPad)) {
    const StrAreaScope scope;
    StrValue list = StrFromView(form.list);
    for (uint16_t n = 1; n <= form.items.size(); ++n) AcceptLabelCreate(n, list);
  }
  const StrAreaScope scope;
  if (DynStrGet(SystemTextList, kSysAcceptListItem).View() != form.list) {
    DynStrSet(SystemTextList, kSysAcceptListItem, StrFromView(form.list));
    DynStrSet(SystemTextList, kSysAcceptValuesItem, StrMake("", 0));
  }
  return 0;
}

Status AcceptFieldsParse(StrValue specs, std::vector<FieldDesc>& fields, int flags) {
  return FieldsOf(FormParse(specs), fields, flags);
}

FieldDesc AcceptFieldSpec(StrValue spec, uint16_t number, AcceptPos position) {
  if (Status e = StrError(spec)) {
    FieldDesc f;
    f.status = e;
    return f;
  }
  return FieldOf(SpecParse(spec.View(), true, number), number, position);
}

StrValue AcceptSpecPart(StrValue specs, uint32_t i, uint32_t part) {
  Form f = FormParse(specs);
  const Spec* s = SpecAt(f, i);
  return StrFromView(s && part >= 1 && part <= s->parts.size() ? s->parts[part - 1] : std::string());
}

StrValue AcceptPrompt(StrValue specs, uint32_t i) {
  Form f = FormParse(specs);
  const Spec* s = SpecAt(f, i);
  return StrFromView(s ? s->prompt : std::string());
}

AcceptPos AcceptLabelPos(StrValue specs, uint32_t i) {
  Form f = FormParse(specs);
  return SpecAt(f, i) ? LabelPos(f, i) : AcceptPos{};
}

uint16_t AcceptPromptWidth(StrValue specs) { return PromptWidth(FormParse(specs)); }

AcceptPos AcceptFieldPos(StrValue specs, uint32_t i, uint16_t column) { return FieldPos(FormParse(specs), i, column); }

uint16_t AcceptLabelCreate(uint16_t n, StrValue list) {
  Form f = FormParse(list);
  const Spec* s = SpecAt(f, n);
  if (!s || s->prompt.empty()) return 0xFFFF;
  AcceptPos p = LabelPos(f, n);
  const StrAreaScope scope;
  return LabelShow(p.row, p.col, StrFromView(s->prompt));
}

Status FieldValidateAll(StrValue specs) {
  Form f = FormParse(specs);
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  if (!screen) return st::SCREENSTRUCTERR;
  bool was = VarIntTestBits(kSysAuxStat, kAuxStatDefaults);
  VarIntSetBits(kSysAuxStat, kAuxStatDefaults, true);
  Status s = 0;
  std::string remembered(DynStrGet(SystemTextList, kSysAcceptValuesItem).View());
  uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(f.items.size()), screen->fieldCount);
  for (uint32_t n = 1; n <= count && s == 0; ++n) {
    const StrAreaScope scope;
    const Spec& spec = f.items[n - 1];
    StrValue value = spec.parts.size() >= 4 && !spec.parts[3].empty()
                         ? ExpEvalStr(StrFromView(spec.parts[3]))
                         : StrFromView(Unquote(StrListItem(StrFromView(remembered), ',', n).View()));
    s = StrError(value);
    if (s == 0) s = FieldPut(kCheckInput, static_cast<uint16_t>(n), value);
    if (s < st::USERCANCELED) s = 0;
  }
  VarIntSetBits(kSysAuxStat, kAuxStatDefaults, was);
  return s;
}

void AcceptCollect(AcceptResult& result, StrValue specs) {
  Form f = FormParse(specs);
  uint16_t bits = KeyClassMoveBits(static_cast<uint16_t>(result.lastKey));
  result.status = (bits & (kMoveForward | kMoveToEnd)) ? 0 : st::USERCANCELED;
  result.values.clear();
  result.condition.clear();
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  uint32_t count = screen ? std::min<uint32_t>(static_cast<uint32_t>(f.items.size()), screen->fieldCount) : 0;
  for (uint32_t n = 1; n <= count && result.status == 0; ++n) {
    const StrAreaScope scope;
    FieldDesc fd = FieldGet(static_cast<int>(n));
    Status e = CollectOne(f.items[n - 1], n, fd.type, FieldValue(static_cast<uint16_t>(n)).View(), result, true);
    if (e) CollectFailed(result, e);
  }
  FormRecordClose();
  if (result.lastKey == kKeyCtrlEnd) result.lastKey = 0;
  VarSysIntSet(kSysLastKey, 0);
  if (result.status == 0) Remember(result);
  else if (result.status == st::USERCANCELED) OutputLineAppend(StrFromC(kBatchCancelLine));
}

void AcceptCollectGiven(AcceptResult& result, StrValue specs) {
  Form f = FormParse(specs);
  std::vector<FieldDesc> fields;
  Status s = FieldsOf(f, fields, 0);
  AcceptResult r = result;
  r.condition.clear();
  r.status = 0;
  std::string line = result.values;
  for (uint32_t n = 1; n <= fields.size() && s == 0; ++n) {
    const StrAreaScope scope;
    std::string_view item = Unquote(Trim(StrListItem(StrFromView(line), ',', n).View()));
    std::string stored;
    s = AcceptStoredValue(fields[n - 1].type, item, static_cast<uint16_t>(n), &stored);
    if (s == 0) s = CollectOne(f.items[n - 1], n, fields[n - 1].type, stored, r, false);
  }
  if (s) {
    CollectFailed(result, s);
    return;
  }
  result.condition = r.condition;
  result.status = 0;
  Remember(result);
}
