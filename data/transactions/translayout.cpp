#include "data/transactions/translayout.h"

#include <cstring>

#include "data/store/datafail.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/transactions/trans.h"
#include "runtime/dynstrings.h"
#include "runtime/fmtmask.h"
#include "runtime/format.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"

namespace {

constexpr std::string_view kNumericTypes = "NL123456789";


bool IsNumeric(char type) { return kNumericTypes.find(type) != std::string_view::npos; }


void Fit(std::string& s, size_t width) { s.resize(width, ' '); }

std::string_view TrimView(std::string_view s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return std::string_view();
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// A number as stored: a sign, digits and at most one decimal point.
bool StoredNumber(std::string_view t) {
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  bool digit = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') digit = true;
    else if (t[i] == '.' && !point) point = true;
    else return false;
  }
  return digit;
}

bool IsZero(std::string_view t) {
  if (!StoredNumber(t)) return t.empty();
  for (char c : t)
    if (c >= '1' && c <= '9') return false;
  return true;
}

// A field reference written alone: a name without operators and one pair
// of braces at the end.
bool LooksLikeRef(std::string_view t) {
  size_t open = t.find('{');
  if (open == std::string_view::npos || t.empty() || t.back() != '}') return false;
  if (t.find_first_of("{}", open + 1) != t.size() - 1) return false;
  return t.substr(0, open).find_first_of("+-*/=<>&|!'\"(),;: ") == std::string_view::npos;
}

Status ItemFail(Status code, const std::string& detail) { return DataFail(code, detail); }

// The key-1 text of the current record, blanks at its end removed.
std::string KeyText(int file) {
  const StrAreaScope scope;
  StrValue k = KeyValueCur(file, 1);
  return k.IsError() ? std::string() : TransTrim(k.View());
}

}  // namespace

namespace {

// The quote a value is written in: q, or the other one when it holds q; 0
// when it holds both.
char QuoteFor(std::string_view value, char q) {
  char other = q == '"' ? '\'' : '"';
  bool hasQ = value.find(q) != std::string_view::npos;
  if (hasQ && value.find(other) != std::string_view::npos) return 0;
  return hasQ ? other : q;
}

Status BothQuotes(const std::string& what) {
  return DataFail(st::BADINPUTDATA, what + ": a value holds both quote characters");
}

// Appends the value in quotes (TransQuote's rule) without a copy of it.
Status AppendQuoted(std::string& out, std::string_view value, char q, int file) {
  char use = QuoteFor(value, q);
  if (use == 0) return BothQuotes("key " + KeyText(file));
  out += use;
  out += value;
  out += use;
  return 0;
}

}  // namespace

Status TransQuote(const std::string& value, char q, const std::string& what, std::string* out) {
  char use = QuoteFor(value, q);
  if (use == 0) return BothQuotes(what);
  *out = use + value + use;
  return 0;
}

Status TransNumFieldsCheck(int file) {
  uint16_t n = DicFieldCount(file);
  for (uint16_t f = 1; f <= n; ++f) {
    if (!IsNumeric(DicFieldType(file, f))) continue;
    const StrAreaScope scope;
    StrValue raw = RecFieldRaw(file, f, 1);
    if (raw.IsError()) return StrError(raw);
    std::string t = TransTrim(raw.View());
    if (t.empty() || t.find_first_not_of(".-1234567890") == std::string::npos) continue;
    size_t i = t[0] == '-' ? 1 : 0;
    std::string digits = i ? "-" : "";
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) digits += t[i];
// GCC 12 at -O3 warns of an overlapping copy inside std::string's assignment
// of a literal (a false positive of the library's inlined code): silenced for
// this one statement.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
    if (digits.empty() || digits == "-") digits = "0";
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    if (Status s = RecFieldSet(file, f, TransView(digits))) return s;
  }
  return 0;
}

// --- Columns ---------------------------------------------------------------------------

Status TransLayout::Build(int file, uint16_t mode) {
  file_ = DataFileNum(file);
  mode_ = mode;
  stream_ = mode & tmode::kStream;
  sql_ = mode & tmode::kIsSql;
  delimited_ = stream_ && (mode & (tmode::kDelimited | tmode::kIsSql));
  list_ = stream_ && (mode & tmode::kHumanRead) && !delimited_;
  columns_.clear();
  std::string structText = TransParmText(kTrStruct);
  raw_ = structText.empty() && !delimited_;
  uint32_t widths = 0;
  if (structText.empty()) {
    for (uint16_t f = 1; f <= DicFieldCount(file_); ++f) {
      DataFieldDesc d = DicFieldDesc(file_, f);
      const StrAreaScope scope;
      columns_.push_back(
          TransColumn{DicFieldName(file_, f).Str(), -1, file_, f, static_cast<char>(d.type), d.offset, d.length});
    }
  } else {
    const StrAreaScope scope;
    StrValue list = TransView(structText);
    StrListIter it(list, ',');
    StrValue item;
    while (it.Next(&item)) {
      std::string t = TransTrim(item.View());
      TransColumn c;
      size_t semi = t.find(';');
      if (semi != std::string::npos && semi > 0 && t.find_first_not_of("0123456789") == semi) {
        c.width = std::stoi(t.substr(0, semi));
        t = TransTrim(t.substr(semi + 1));
      }
      c.text = t;
      uint16_t field = DicFieldFind(file_, TransView(t));
      if (field != 0xffff) {
        c.file = file_;
        c.field = field;
      } else if (LooksLikeRef(t)) {
        DataFieldDesc d = DicFieldRefParse(TransView(t));
        if (d.status != 0 || d.field == 0) return ItemFail(st::SINTAXERROR, "STRUCT$ " + t);
        c.file = d.file;
        c.field = d.field;
      }
      if (c.IsField()) {
        DataFieldDesc d = DicFieldDesc(c.file, c.field);
        c.type = static_cast<char>(d.type);
        c.offset = d.offset;
        c.length = d.length;
      }
      widths += c.width >= 0 ? static_cast<uint32_t>(c.width) : c.length;
      columns_.push_back(c);
    }
  }
  std::string size = TransTrim(TransParmText(kTrBuffSize));
  buffSize_ = size.empty() ? 0 : static_cast<uint32_t>(std::max<long>(0, std::strtol(size.c_str(), nullptr, 10)));
  recordLen_ = buffSize_ ? buffSize_ : (structText.empty() ? DicRecLen(file_) : widths);
  // Same GCC 12 false positive as in TransNumFieldsCheck.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
  delim_ = ",";
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
  std::string d = TransParmText(kTrFlDelim);
  if (d.size() == 1 && !std::isalnum(static_cast<unsigned char>(d[0])) && d[0] != '\'' && d[0] != '"') {
    delim_ = d;
  } else if (!d.empty()) {
    const StrAreaScope scope;
    StrValue v = ExpEvalIfExpr(TransView(d));
    if (v.IsError()) return StrError(v);
    if (v.len > 0 && v.len < 255) delim_ = v.Str();
  }
  return 0;
}

// --- Export ------------------------------------------------------------------------------

Status TransLayout::Value(const TransColumn& c, std::string_view record, std::string* out, bool* numeric) {
  if (c.IsField() && c.file == file_ && c.offset + c.length <= record.size()) {
    out->assign(record.substr(c.offset, c.length));
    *numeric = IsNumeric(c.type);
    return 0;
  }
  const StrAreaScope scope;
  StrValue v = c.IsField() ? RecFieldRaw(c.file, c.field, 1) : ExpEvalStr(TransView(c.text));
  if (v.IsError()) return StrError(v) ? StrError(v) : st::BADEXPRESION;
  out->assign(v.View());
  *numeric = c.IsField() ? IsNumeric(c.type) : StoredNumber(TransTrim(*out));
  return 0;
}

Status TransLayout::RecordText(std::string& out) {
  StrValue cur = RecBuf(file_, kRecCurrent);
  if (cur.IsError()) return StrError(cur);
  record_.assign(cur.View());  // expressions may move the buffer
  size_t start = out.size();
  bool numeric = false;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const TransColumn& c = columns_[i];
    if (Status s = Value(c, record_, &value_, &numeric)) return s;
    if (delimited_) {
      std::string_view t = TrimView(value_);
      if (numeric && IsZero(t)) t = std::string_view();
      if (i > 0) out += delim_;
      if (!numeric || sql_) {
        if (Status s = AppendQuoted(out, t, sql_ ? '\'' : '"', file_)) return s;
      } else {
        out += t;
      }
    } else if (list_) {
      if (c.IsField() && static_cast<unsigned char>(c.type) <= '8') {
        const StrAreaScope scope;
        StrValue shown = FmtStoredToDisplay(c.type, TransView(value_), c.listWidth);
        if (shown.IsError()) return StrError(shown);
        value_.assign(shown.View());
      }
      Fit(value_, c.listWidth);
      if (i > 0) out += ' ';
      out += value_;
    } else {
      if (!c.IsField() && c.width >= 0) Fit(value_, static_cast<size_t>(c.width));
      out += value_;
    }
  }
  if (!delimited_ && !list_ && buffSize_) out.resize(start + buffSize_, ' ');
  if (stream_) out += "\r\n";
  return 0;
}

Status TransLayout::ListHeader(std::string& out, bool write) {
  std::string titles, rules;
  for (size_t i = 0; i < columns_.size(); ++i) {
    TransColumn& c = columns_[i];
    std::string title;
    if (c.IsField()) {
      const StrAreaScope scope;
      title = DicFieldName(c.file, c.field).Str();
      c.listWidth = DicFieldWidth(c.type, c.length);
    } else {
      bool numeric = false;
      if (Status s = Value(c, std::string_view(), &title, &numeric)) return s;
      c.listWidth = static_cast<uint16_t>(std::max<size_t>(1, std::min<size_t>(title.size(), 65535)));
    }
    Fit(title, c.listWidth);
    if (i > 0) {
      titles += ' ';
      rules += ' ';
    }
    titles += title;
    rules += std::string(c.listWidth, '=');
  }
  if (write) out += titles + "\r\n" + rules + "\r\n";
  return 0;
}

// --- Import ------------------------------------------------------------------------------

Status TransLayout::Split(const std::string& line, std::vector<std::string>& values) const {
  values.clear();
  size_t at = 0;
  for (;;) {
    std::string v;
    size_t start = line.find_first_not_of(' ', at);
    if (start != std::string::npos && (line[start] == '"' || line[start] == '\'')) {
      size_t close = line.find(line[start], start + 1);
      v = line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
      at = close == std::string::npos ? line.size() : close + 1;
      size_t next = line.find(delim_, at);
      v += TransTrim(line.substr(at, next == std::string::npos ? std::string::npos : next - at));
      at = next;
    } else {
      size_t next = line.find(delim_, at);
      v = TransTrim(line.substr(at, next == std::string::npos ? std::string::npos : next - at));
      at = next;
    }
    values.push_back(std::move(v));
    if (at == std::string::npos) return 0;
    at += delim_.size();
  }
}

// The value as the field stores it: a date or a number is refused (163,
// naming the line and the field) when its conversion rejects it. Numbers
// are read as stored ("-1234.50") first, else in the language's input form;
// an empty date stays blank.
Status TransLayout::Store(const TransColumn& c, const std::string& value, const std::string& where) {
  const StrAreaScope scope;
  std::string t = TransTrim(value);
  auto refuse = [&]() {
    return DataFail(st::BADINPUTDATA, where + ", field " + DicFieldName(c.file, c.field).Str() + ": '" + value + "'");
  };
  StrValue stored = TransView(value);
  bool date = c.type == 'D' || c.type == 'F';
  if (date) {
    if (t.empty()) return RecFieldSet(c.file, c.field, TransView(std::string(c.length, ' '))) ? refuse() : 0;
    stored = FmtInputToStored(c.type, TransView(t), -1);
    if (stored.IsError() || TransTrim(stored.View()).empty()) return refuse();
  } else if (IsNumeric(c.type) && c.type != 'L') {
    std::string n = t.empty() ? "0" : t;  // a zero is exported as the empty text
    if (n[0] == '+') n.erase(0, 1);
    if (StoredNumber(n)) {
      stored = FmtNumMaskStored(FmtMaskForType(c.type, c.length, true), TransView(n), true);
    } else {
      if (t.find_first_not_of("+-.,0123456789 ") != std::string::npos) return refuse();
      stored = FmtInputToStored(c.type, TransView(t), c.length);
    }
    if (stored.IsError()) return refuse();
  } else if (c.type == 'B' || c.type == 'C') {
    if (value.find_first_not_of("0123456789 ") != std::string::npos) return refuse();
  }
  ErrorKeeper keep;
  Status s = RecFieldSet(c.file, c.field, stored);
  if (s == 0) return 0;
  keep.Restore();
  return refuse();
}

Status TransLayout::ReadInto(const std::string& line, const std::string& where) {
  if (Status s = RecBufClear(file_, 0)) return s;
  if (raw_) {
    StrValue cur = RecBuf(file_, kRecCurrent);
    if (cur.IsError()) return StrError(cur);
    std::memcpy(cur.ptr, line.data(), std::min<size_t>(line.size(), cur.len));
    return TransNumFieldsCheck(file_);
  }
  std::vector<std::string> values;
  if (delimited_) Split(line, values);
  size_t pos = 0;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const TransColumn& c = columns_[i];
    std::string v;
    if (delimited_) {
      if (i < values.size()) v = values[i];
    } else {
      int w = c.width >= 0 ? c.width : (c.IsField() ? c.length : -1);
      if (w < 0) return DataFail(st::BADINPUTDATA, where + ": STRUCT$ item " + c.text + " needs a width (\"n;\")");
      if (pos < line.size()) v = line.substr(pos, static_cast<size_t>(w));
      pos += static_cast<size_t>(w);
    }
    if (c.IsField()) {
      if (Status s = Store(c, v, where)) return s;
      continue;
    }
    const StrAreaScope scope;
    if (Status s = DynStrPush(ResultsStack, TransView(v))) return s;
    Status s = ExpEvalStatus(TransView(c.text));
    DynStrPop(ResultsStack);
    if (s != 0) return s;
  }
  return 0;
}
