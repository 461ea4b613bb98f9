#include "devices/device.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "devices/devpath.h"
#include "devices/printjob.h"
#include "devices/prntable.h"
#include "devices/screenout.h"
#include "platform/host/clock.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/hostdialog.h"
#include "runtime/hostproc.h"
#include "runtime/options.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/variables.h"

namespace {

constexpr char kPortNames[] = "LPT1,LPT2,LPT3,LPT4,LPT5,LPT6";
constexpr char kControlCodes[] = "\x0F\x12\x0E\x14\x10\x11\x1C\x1D\x1E\x1F";
constexpr int kControlCount = 10;
constexpr int64_t kSerialSlowMs = 1000;
constexpr uint32_t kSkipChunk = 32767;  // line ends per write: a whole page of any length

StrValue Text(std::string_view v) { return StrMake(v.empty() ? "" : v.data(), static_cast<uint32_t>(v.size())); }

// Records code with module 21 and the name as detail; answers code.
Status DevFail(Status code, StrValue name) {
  ErrDetailSet(code, name, false);
  return ErrSet(1, MOD_DEVICES, code, code);
}

// Position of the first option: "/LP", "/WD", "/ST" or "/VW" at the start
// or after a blank or tab, followed by ":" or "="; the length when none.
size_t OptionStart(std::string_view s) {
  for (size_t i = 0; i + 3 < s.size(); ++i) {
    if (s[i] != '/' || (i > 0 && s[i - 1] != ' ' && s[i - 1] != '\t')) continue;
    std::string_view n = s.substr(i + 1, 2);
    if ((n == "LP" || n == "WD" || n == "ST" || n == "VW") && (s[i + 3] == ':' || s[i + 3] == '=')) return i;
  }
  return s.size();
}

std::string_view Extension(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t sep = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (sep != std::string_view::npos && sep > dot)) return {};
  return name.substr(dot + 1);
}

bool IsPlainName(std::string_view n) {
  if (n.empty() || !std::isalpha(static_cast<unsigned char>(n[0]))) return false;
  return std::all_of(n.begin(), n.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// PDF documents and the page printer read the control characters
// themselves.
bool KeepsControls(const DevRecord& rec) { return (rec.kind & kDevPdf) || rec.kind == kDevPagePrinter; }

bool PrintToFile() { return OptIsIn(OPT_MODE, StrFromC("ADMIN,PRNTOFILE")) == 2; }

// A printer probe must not leave an error behind: its failure only means
// that no such printer exists.
bool PrinterExists(StrValue name) {
  uint32_t recorded = ErrGet();
  std::string detail = ErrDetail().Str();
  Status s = SpoolPrinterExists(name);
  ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  ErrDetailSet(0, Text(detail), false);
  return s == 0;
}

Status NameKeep(DevRecord& rec, StrValue name) {
  void* block = MemAlloc(MOD_DEVICES, static_cast<uint32_t>(name.len) + 1);
  if (!block) return ErrSet(1, MOD_DEVICES, st::OUTOFMEMORY, st::OUTOFMEMORY);
  std::memcpy(block, name.ptr, name.len);
  static_cast<char*>(block)[name.len] = '\0';
  rec.name = static_cast<char*>(block);
  return 0;
}

void NameFree(DevRecord& rec) {
  if (rec.name) MemFree(MOD_DEVICES, rec.name);
  rec.name = nullptr;
}

int16_t NonNegative(int16_t v) { return v < 0 ? 0 : v; }

// A port LPT1-LPT6 that is no print queue, whose LPTn$ names no target,
// and beside which no file, FIFO or device node of its name was set up: no
// printer stands behind it, which the person printing must be told rather
// than find a file named after the port.
bool UnknownPrinter(const DevRecord& rec, StrValue path) {
  if (!(rec.kind & kDevPort) || rec.printer == 0 || PrintToFile()) return false;
  if (path.View() != rec.Name().View()) return false;  // LPTn$ names the target
  return !host::Exists(path.View());
}

void OpenFile(DevRecord& rec) {
  StrValue target = DevUnixName(rec.Name());
  if ((rec.kind & kDevPrinterCodes) && PrintToFile()) target = StrFromC("unixprn.txt");
  StrValue path = DevFullPath(target, rec.kind);
  if (UnknownPrinter(rec, path)) {
    rec.handle = kDevClosed;
    rec.status = DevFail(st::BADINPUTDATA, StrCat(path, StrFromC(" (no such printer)")));
    return;
  }
  if ((rec.kind & 0x3F) == kDevFile) {
    StrValue ext = StrCaseCopy(Text(Extension(path.View())), 0);
    if (ext.len > 0 && StrListFind(StrFromC("log,out"), ',', ext)) FileDelete(path);
  }
  uint16_t slot = StreamOpen(path, kStreamAppend | kStreamQuiet);
  rec.handle = slot;
  if (slot >= kStreamSlots) {
    rec.status = DevFail(slot, path);
    return;
  }
  rec.status = DevSendPortCodes(rec);
}

// Writes bytes that need no translation and counts them.
Status WriteCounted(DevRecord& rec, std::string_view bytes) {
  if (DevWriteRaw(rec, Text(bytes)) == 0) {
    DevCountText(rec, Text(bytes));
    DevCountersPublish(rec, false);
  }
  return rec.status;
}

// Bytes that DevTranslate maps to other bytes on printer-code devices, and
// on the others; the control characters are DevCtrlCodesApply's.
constexpr char kPrinterLetters[] = "\xBA\xD1\xF1\xE1\xE9\xED\xF3\xFA";
constexpr char kPrinterPage[] = "\xA7\xA5\xA4\xA0\x82\xA1\xA2\xA3";
constexpr char kShiftCodes[] = "\x0E\x0F\x12";

// One table per kind of device: true for the bytes that translation or the
// control-code pass would change, so a text without any goes out as it is.
struct ByteSet {
  bool has[256] = {};
  constexpr ByteSet(std::string_view a, std::string_view b) {
    for (char c : a) has[static_cast<unsigned char>(c)] = true;
    for (char c : b) has[static_cast<unsigned char>(c)] = true;
  }
};
constexpr ByteSet kPrinterChanges(std::string_view(kPrinterLetters, 8), std::string_view(kControlCodes, kControlCount));
constexpr ByteSet kOtherChanges(std::string_view(kShiftCodes, 3), std::string_view(kControlCodes, kControlCount));
constexpr ByteSet kControlSet(std::string_view(kControlCodes, kControlCount), {});

constexpr bool NonePrintable(const ByteSet& set) {
  for (int c = 0x20; c < 0x80; ++c)
    if (set.has[c]) return false;
  return true;
}
static_assert(NonePrintable(kPrinterChanges) && NonePrintable(kOtherChanges) && NonePrintable(kControlSet));

// Every byte of the sets lies below 0x20 or from 0x80 on: most texts are
// cleared by one pass over their bytes that the compiler can widen.
bool AnyOf(const ByteSet& set, std::string_view t) {
  unsigned char outside = 0;
  for (char c : t) outside |= static_cast<unsigned char>(static_cast<unsigned char>(c) - 0x20) >= 0x60;
  if (!outside) return false;
  for (char c : t)
    if (set.has[static_cast<unsigned char>(c)]) return true;
  return false;
}

// True when the device writes the text exactly as given.
bool WrittenAsGiven(const DevRecord& rec, std::string_view t) {
  if (KeepsControls(rec)) return true;
  return !AnyOf((rec.kind & kDevPrinterCodes) ? kPrinterChanges : kOtherChanges, t);
}

// One piece that fits the line: translated, written, counted.
void WritePiece(DevRecord& rec, std::string_view piece) {
  StrAreaScope scope;
  StrValue raw = Text(piece);
  StrValue out = raw.IsError() || WrittenAsGiven(rec, piece) ? raw : DevCtrlCodesApply(rec, DevTranslate(rec, raw));
  if (Status e = StrError(out)) rec.status = DevFail(e, rec.Name());
  bool serial = rec.kind & kDevSerial;
  int64_t start = serial ? ClockMonotonicMs() : 0;
  if (rec.status == 0 && DevWriteRaw(rec, out) == 0) {
    bool slow = serial && ClockMonotonicMs() - start > kSerialSlowMs;
    DevCountText(rec, raw);
    DevCountersPublish(rec, false);
    if (slow && rec.status == 0) rec.status = DevFail(st::DEVICETIMEOUT, rec.Name());
  }
}

// Counts a text without line ends: wrapped at the width when it needs it.
void CountLine(DevRecord& rec, std::string_view part) {
  while (!part.empty()) {
    if (!DevWrapNeeded(rec, static_cast<uint32_t>(part.size()))) {
      rec.column = static_cast<uint16_t>(std::min<uint32_t>(rec.column + part.size(), 0xFFFF));
      return;
    }
    size_t fits = static_cast<size_t>(rec.width - rec.column + 1);
    DevNewLine(rec);
    part.remove_prefix(std::min(fits, part.size()));
  }
}

// A unit ("\r\n" or " ") k times over: a view of a fixed text for the
// short runs positioning mostly writes, else a text of its own.
class Repeated {
 public:
  Repeated(std::string_view unit, uint32_t k) {
    static const std::string kLineEnds = [] {
      std::string s;
      for (int i = 0; i < 64; ++i) s += "\r\n";
      return s;
    }();
    static const std::string kBlanks(256, ' ');
    const std::string& fixed = unit == " " ? kBlanks : kLineEnds;
    size_t bytes = unit.size() * k;
    if (bytes <= fixed.size()) {
      view_ = std::string_view(fixed).substr(0, bytes);
    } else {
      own_.reserve(bytes);
      for (uint32_t i = 0; i < k; ++i) own_ += unit;
      view_ = own_;
    }
  }
  operator std::string_view() const { return view_; }

 private:
  std::string own_;
  std::string_view view_;
};

// Sets a counter variable; one that holds the value already is left as it
// is (most writes change only the line and the column).
void Publish(int slot, int16_t v) {
  if (VarSysIntGet(slot) != v) VarSysIntSet(slot, v);
}

// Line ends needed to reach line L (and to get left of column C) from the
// current position.
uint32_t LineEndsTo(const DevRecord& rec, int32_t L, int32_t C) {
  bool left = C < rec.column;
  if (rec.lines <= 0) return static_cast<uint32_t>(std::max<int64_t>(int64_t{L} - rec.line, left ? 1 : 0));
  // Paged, L within the page: at most one page and one line to walk.
  uint32_t n = 0;
  for (int32_t line = rec.line; left || line != L; left = false) {
    ++n;
    if (++line > rec.lines) line = 1;
  }
  return n;
}

}  // namespace

StrValue DevRecord::Name() const { return name ? StrFromC(name) : StrMake("", 0); }

// --- Parsing ------------------------------------------------------------------

StrValue DevStripOptions(StrValue spec) {
  if (spec.IsError()) return spec;
  std::string_view s = spec.View();
  return StrTrim(Text(s.substr(0, OptionStart(s))), 3);
}

StrValue DevOptionsPart(StrValue spec) {
  if (spec.IsError()) return spec;
  std::string_view s = spec.View();
  return Text(s.substr(OptionStart(s)));
}

int16_t DevOption(StrValue spec, const char* option, int16_t def) {
  StrAreaScope scope;
  StrValue v = StrKeyGet(DevOptionsPart(spec), StrFromC(option), kKeyNormalised);
  return v.IsError() || v.len == 0 ? def : StrToInt(v);
}

uint8_t DevKind(StrValue name) {
  if (name.IsError() || name.len == 0) return kDevScreen | kDevAlways;
  std::string_view n = name.View();
  if (n.substr(0, n.find(' ')) == "CON") return kDevScreen | kDevAlways;
  StrAreaScope scope;
  std::string_view stem = n;
  while (!stem.empty() && static_cast<unsigned char>(stem.back()) < '0' + 10) stem.remove_suffix(1);
  uint8_t kind;
  if (StrListFind(StrFromC("LPT,lp,usb"), ',', Text(stem))) kind = 0x45;
  else if (n.size() >= 5 && n.substr(0, 3) == "COM" && n[4] == ':') kind = PrintToFile() ? 0x41 : 0x48;
  else kind = StrCaseCopy(Text(Extension(n)), 1).View() == "PDF" ? kDevPdf : kDevFile;
  // Printer names: with the switch any file-like name that is a print
  // queue, and a port whose resolved name is one (unless ports print to a
  // file), print as a raw job.
  bool compat = VarSysIntGet(kSysSysCompat) & 128;
  bool port = (kind & kDevPort) && !PrintToFile();
  if ((compat || port) && (kind & (kDevFile | kDevSerial)) == kDevFile) {
    if (compat && n == "WINPRN") kind = kDevPagePrinter;
    else if (PrinterExists(DevFullPath(name, kind))) kind = static_cast<uint8_t>((kind & 0xEE) | kDevSpool);
  }
  return kind | kDevAlways;
}

StrValue DevFullPath(StrValue name, uint8_t kind) {
  if (name.IsError()) return name;
  if (kind != 0 && !(kind & (kDevPort | kDevSerial))) return name;
  if (!IsPlainName(name.View())) return name;
  uint16_t mark = StrAreaMark(-1);
  VarRef ref = VarLookup(StrCat(name, StrFromC("$")));
  if (ref.slot != kVarUndefined && ref.type == kVarStr) {
    StrValue value = VarStrGet(ref.slot);
    if (value.len > 0) return StrAreaReturn(mark, value);
  }
  StrAreaRelease(mark, 0);
  return name;
}

DevRecord DevParse(StrValue spec) {
  DevRecord rec;
  StrAreaScope scope;
  StrValue name = DevStripOptions(spec);
  rec.status = StrError(name);
  if (rec.status) return rec;
  if (name.len == 0) name = StrFromC("CON");
  rec.kind = DevKind(name);
  rec.printer = static_cast<int16_t>(StrListFind(StrFromC(kPortNames), ',', name));
  rec.view = AnswerIsYes(StrKeyGet(DevOptionsPart(spec), StrFromC("VW"), kKeyNormalised)) ? 1 : 0;
  rec.step = DevOption(spec, "ST", 1);
  rec.lines = NonNegative(DevOption(spec, "LP", PrnTableByte(kPrnFieldLines, rec.printer)));
  rec.width = NonNegative(DevOption(spec, "WD", PrnTableByte(kPrnFieldWidth, rec.printer)));
  rec.status = NameKeep(rec, name);
  if (rec.status == 0 && DevOpen(rec, spec) != 0) NameFree(rec);
  return rec;
}

// --- Opening and closing ------------------------------------------------------------

Status DevOpen(DevRecord& rec, StrValue spec) {
  rec.handle = 0;
  rec.status = 0;
  if (rec.kind & kDevFile) OpenFile(rec);
  if ((rec.kind & kDevScreen) && rec.status == 0) rec.status = DevScreenOpen(rec);
  const DevPath* path = DevPathOf(rec.kind);
  if (path && rec.status == 0) {
    rec.status = path->open(rec, spec);
    if (rec.status == 0 && (rec.kind & kDevPort)) rec.status = DevSendPortCodes(rec);  // a port printing to a queue
  }
  DevCountersPublish(rec, false);
  return rec.status;
}

Status DevClose(DevRecord& rec) {
  if (rec.handle == kDevClosed && !rec.name) return 0;  // closed before, or nothing was opened
  Status codes = DevSendPortCodes(rec);
  Status closed = 0;
  const DevPath* path = DevPathOf(rec.kind);
  if (rec.kind & kDevFile) {
    if (rec.handle >= kStreamFirstFile && rec.handle < kStreamSlots) closed = StreamClose(rec.handle);
  } else if (path) {
    closed = path->close(rec);
  }
  if (rec.kind & kDevScreen) DevScreenClose(rec);
  rec.handle = kDevClosed;
  NameFree(rec);
  return codes ? codes : closed;
}

Status DevSendPortCodes(DevRecord& rec) {
  if (!(rec.kind & kDevPrinterCodes)) return 0;
  Status s = 0;
  for (int field = 1; field <= 9 && s == 0; field += 2) {
    StrAreaScope scope;
    StrValue seq = PrnTableField(field, rec.printer);
    if (seq.len > 0) s = DevWriteRaw(rec, seq);
  }
  return s;
}

Status DevFinish(DevRecord& rec) {
  Status s = 0;
  if (rec.kind & kDevPrinterCodes) {
    StrAreaScope scope;
    StrValue reset = PrnTableField(1, rec.printer);
    if (reset.len > 0) s = DevWriteRaw(rec, reset);
  }
  if (rec.kind & kDevScreen) {
    Status r = ReportWinRun(rec);
    if (s == 0) s = r;
  }
  if ((rec.kind & (kDevFile | kDevPort)) == kDevFile && rec.view) {
    Status r = HostViewFile(1, rec.Name());
    if (s == 0) s = r;
  }
  return s;
}

// --- Writing --------------------------------------------------------------------

StrValue DevTranslate(const DevRecord& rec, StrValue text) {
  if (text.IsError() || KeepsControls(rec)) return text;
  if (rec.kind & kDevPrinterCodes)
    return StrTranslate(text, StrFromC(kPrinterLetters), StrFromC(kPrinterPage));
  return StrTranslate(text, StrFromC(kShiftCodes), StrFromC("   "));
}

StrValue DevCtrlCodesApply(const DevRecord& rec, StrValue text) {
  if (text.IsError() || KeepsControls(rec)) return text;
  std::string_view t = text.View();
  std::string_view codes(kControlCodes, kControlCount);
  if (!AnyOf(kControlSet, t)) return text;
  uint16_t mark = StrAreaMark(-1);
  std::string out;
  out.reserve(t.size());
  for (char c : t) {
    size_t k = codes.find(c);
    if (k == std::string_view::npos) out += c;
    else if (rec.kind & kDevPrinterCodes) out += PrnTableField(static_cast<int>(k), rec.printer).View();
  }
  if (out.size() > kStrMaxLen) return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  return StrAreaReturn(mark, Text(out));
}

bool DevWrapNeeded(const DevRecord& rec, uint32_t length) {
  return rec.width > 0 && rec.column <= rec.width &&
         static_cast<uint32_t>(rec.width) < length + rec.column - 1;
}

Status DevWrite(DevRecord& rec, StrValue text) {
  if (Status e = StrError(text)) return e;
  if (rec.status) return rec.status;
  // The text may live in a store that writing changes: a copy, on the stack
  // when it is short.
  char small[256];
  std::string large;
  std::string_view rest;
  if (text.len <= sizeof small) {
    std::memcpy(small, text.ptr, text.len);
    rest = std::string_view(small, text.len);
  } else {
    large.assign(text.View());
    rest = large;
  }
  while (!rest.empty() && rec.status == 0) {
    size_t crlf = rest.find("\r\n");
    size_t lineLen = crlf == std::string_view::npos ? rest.size() : crlf;
    size_t pieceLen = crlf == std::string_view::npos ? rest.size() : crlf + 2;
    if (DevWrapNeeded(rec, static_cast<uint32_t>(lineLen))) pieceLen = static_cast<size_t>(rec.width - rec.column + 1);
    WritePiece(rec, rest.substr(0, pieceLen));
    rest.remove_prefix(pieceLen);
  }
  return rec.status;
}

Status DevWriteRaw(DevRecord& rec, StrValue bytes) {
  if (Status e = StrError(bytes)) return e;
  if (rec.status) return rec.status;
  if (bytes.len == 0) return 0;
  Status s;
  if (rec.kind & kDevScreen) {
    s = DevScreenWrite(rec, bytes);
  } else if (const DevPath* path = DevPathOf(rec.kind)) {
    s = path->write(rec, bytes);
  } else {
    bool whole = StreamWrite(rec.handle, kStreamHere, bytes.ptr, bytes.len) == bytes.len;
    s = whole ? 0 : DevFail(st::DEVICEIOERROR, rec.Name());
  }
  rec.status = s;
  return s;
}

// --- Counters and positioning ----------------------------------------------------------

void DevCountText(DevRecord& rec, StrValue text) {
  if (text.IsError() || text.len == 0) return;
  std::string_view t = text.View();
  for (;;) {
    size_t crlf = t.find("\r\n");
    CountLine(rec, t.substr(0, crlf));
    if (crlf == std::string_view::npos) break;
    DevNewLine(rec);
    t.remove_prefix(crlf + 2);
  }
  if (rec.width > 0 && rec.column > rec.width) WriteCounted(rec, "\r\n");
}

void DevNewLine(DevRecord& rec) {
  ++rec.line;
  rec.column = 1;
  if (rec.lines > 0 && rec.line > rec.lines) {
    ++rec.page;
    rec.line = 1;
  }
}

Status DevGotoLineCol(DevRecord& rec, int32_t L, int32_t C) {
  if (L < 1) L = rec.line;
  for (;;) {
    if (rec.lines > 0 && L > rec.lines) {
      L -= rec.lines;
    } else if (rec.width > 0 && C > rec.width) {
      L = rec.line + 1;
      C -= rec.width;
    } else {
      break;
    }
  }
  if (C < 1) return rec.status;
  for (uint32_t n = LineEndsTo(rec, L, C); n > 0 && rec.status == 0;) {
    uint32_t k = std::min(n, kSkipChunk);
    WriteCounted(rec, Repeated("\r\n", k));
    n -= k;
  }
  if (rec.status == 0 && rec.column < C) WriteCounted(rec, Repeated(" ", static_cast<uint32_t>(C - rec.column)));
  return rec.status;
}

void DevCountersPublish(DevRecord& rec, bool reload) {
  if (reload) {
    rec.lines = NonNegative(VarSysIntGet(kSysDevHig));
    rec.width = NonNegative(VarSysIntGet(kSysDevWid));
  }
  Publish(kSysDevHig, rec.lines);
  Publish(kSysDevWid, rec.width);
  Publish(kSysDevLin, static_cast<int16_t>(rec.line));
  Publish(kSysDevPos, static_cast<int16_t>(rec.column));
  Publish(kSysDevPag, static_cast<int16_t>(rec.page));
}
