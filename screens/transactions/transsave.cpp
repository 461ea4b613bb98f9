#include "screens/transactions/transsave.h"

#include <string>

#include "data/store/datafail.h"
#include "data/transactions/trans.h"
#include "data/transactions/translayout.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/acceptlist.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "script/objparams.h"

namespace {

constexpr int kPpnKind = 1;
constexpr char kModeItem[] = "TRANSPARMSMODE%";

// Removes what stays queued, however the merge ends.
class QueueDrop {
 public:
  ~QueueDrop() { DynStrClear(FileLinesQueue); }
};

// A stream closed (and, for the new file, removed) unless kept.
class OpenFile {
 public:
  OpenFile(uint16_t slot, std::string removeName) : slot_(slot), remove_(std::move(removeName)) {}
  ~OpenFile() {
    if (slot_ != kStreamNoSlot) StreamClose(slot_);
    if (!remove_.empty()) host::Remove(remove_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  uint16_t slot() const { return slot_; }
  Status Close() {
    Status s = StreamClose(slot_);
    slot_ = kStreamNoSlot;
    return s;
  }
  void Keep() { remove_.clear(); }

 private:
  uint16_t slot_;
  std::string remove_;
};

// A name beside the file that no file has yet.
std::string FreshBeside(const std::string& path) {
  for (unsigned n = 1;; ++n) {
    std::string candidate = path + ".~" + std::to_string(n);
    if (!host::Exists(candidate)) return candidate;
  }
}

int QueuedTag(int kind) {
  if (DynStrCount(FileLinesQueue) == 0) return -1;
  return ParmLineTag(kind, DynStrGet(FileLinesQueue, 0));
}

// Writes queued lines while their tag is at most `upTo`.
Status FlushUpTo(uint16_t slot, int kind, int upTo) {
  for (int t = QueuedTag(kind); DynStrCount(FileLinesQueue) > 0 && t <= upTo; t = QueuedTag(kind))
    if (Status s = StreamWritePending(slot)) return s;
  return 0;
}

std::string NamesLine(const std::vector<std::string>& names) {
  std::string line = std::string(ParmNameBase(kParmFd).View()) + "=";
  for (size_t i = 0; i < names.size(); ++i) line += (i ? ",'" : "'") + names[i] + "'";
  return line;
}

// NAME=value quoted; 163 naming the parameter when it cannot be one line.
Status Item(const std::string& name, const std::string& value, std::vector<std::string>* lines) {
  if (value.find_first_of("\r\n") != std::string::npos) return DataFail(st::BADINPUTDATA, name);
  std::string quoted;
  if (Status s = TransQuote(value, '\'', name, &quoted)) return s;
  lines->push_back(name + "=" + quoted);
  return 0;
}

}  // namespace

// --- Tagged lines ----------------------------------------------------------------

std::string TransFieldFormat(int kind, int tag) {
  switch (kind) {
    case 1: return FmtText("%2s ", tag);
    case 2: return FmtText("\"%2s", tag);
    case 3: return FmtText("%4s ", tag);
    default: return std::string();
  }
}

Status TransTagLines(int kind, const std::vector<std::string>& items, int tag) {
  std::string head = TransFieldFormat(kind, tag);
  uint32_t queued = 0;
  for (const std::string& item : items) {
    std::string line = head + item;
    if (Status s = DynStrPush(FileLinesQueue, TransView(line))) {
      for (; queued > 0; --queued) DynStrDelete(FileLinesQueue, DynStrCount(FileLinesQueue) - 1);
      return s;
    }
    ++queued;
  }
  return 0;
}

Status StreamWriteLine(uint16_t slot, StrValue text) {
  if (Status e = StrError(text)) return e;
  std::string line(text.View());
  line += "\r\n";
  return StreamWrite(slot, kStreamHere, line.data(), static_cast<uint32_t>(line.size())) == line.size()
             ? 0
             : st::FILEIO;
}

Status StreamWritePending(uint16_t slot) {
  if (DynStrCount(FileLinesQueue) == 0) return 0;
  std::string line = DynStrGet(FileLinesQueue, 0).Str();
  DynStrDelete(FileLinesQueue, 0);
  return StreamWriteLine(slot, TransView(line));
}

Status TextFileMergeLines(StrValue file, int kind, int tag, int tag2) {
  QueueDrop drop;
  if (Status e = StrError(file)) return e;
  std::string path = host::ResolvePath(file.View());
  std::string fresh = FreshBeside(path);
  OpenFile out(StreamOpen(TransView(fresh), kStreamWrite), fresh);
  if (out.slot() == kStreamNoSlot) return host::LastStatus() ? host::LastStatus() : st::FILENOTFOUND;
  bool exists = host::Exists(path);
  OpenFile in(exists ? StreamOpen(TransView(path), kStreamReadOnly) : kStreamNoSlot, std::string());
  if (exists && in.slot() == kStreamNoSlot) return st::FILEOPENING;
  while (exists) {
    const StrAreaScope scope;
    StrValue line = StreamReadLine(in.slot(), kStreamHere);
    if (line.IsError()) {
      if (StrError(line) == st::DISKIO) break;  // no further line
      return StrError(line);
    }
    int t = ParmLineTag(kind, line);
    bool replaced = t >= 0 && (t == tag || t == tag2);
    // Queued lines go before the first kept line of a higher tag, or where
    // the replaced lines stood.
    if (t >= 0) {
      if (Status s = FlushUpTo(out.slot(), kind, replaced ? t : t - 1)) return s;
    }
    if (replaced) continue;
    if (Status s = StreamWriteLine(out.slot(), line)) return s;
  }
  while (DynStrCount(FileLinesQueue) > 0)
    if (Status s = StreamWritePending(out.slot())) return s;
  if (StreamSync(out.slot()) != 0) return st::FILEIO;
  if (Status s = out.Close()) return s;
  in.Close();
  if (host::Rename(fresh, path) != 0) return host::LastStatus() ? host::LastStatus() : st::FILEIO;
  out.Keep();
  return 0;
}

// --- The configurations file ---------------------------------------------------------

StrValue TransPpnPath() {
  uint16_t mark = StrAreaMark(-1);
  StrValue prefix = StrTrim(AppVarValue(StrFromC("%APNAME%")), 1);
  StrValue name = StrCat(prefix, StrFromC("trans.ppn"));
  return StrAreaReturn(mark, AppPathJoin(name, APPPATH_DATA));
}

StrValue TransConfigNames(StrValue file) {
  if (Status e = StrError(file)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  uint16_t slot = StreamOpen(file, kStreamReadOnly | kStreamQuiet);
  if (slot == kStreamNoSlot) return StrAreaReturn(mark, StrMake("", 0));
  std::string joined;
  for (;;) {
    const StrAreaScope scope;
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) break;
    if (ParmLineTag(kPpnKind, line) != 0) continue;
    if (!joined.empty()) joined += ':';
    joined += ParmLineContent(kPpnKind, line).View();
  }
  StreamClose(slot);
  StrValue v = StrKeyGet(TransView(joined), ParmNameBase(kParmFd), 0);
  return StrAreaReturn(mark, v.IsError() ? StrMake("", 0) : StrTrim(v, 3));
}

std::vector<std::string> TransNamesSplit(std::string_view list) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < list.size()) {
    size_t end = at;
    char quote = 0;
    for (; end < list.size(); ++end) {
      char c = list[end];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == ',') {
        break;
      }
    }
    std::string item = TransTrim(list.substr(at, end - at));
    if (item.size() >= 2 && (item[0] == '\'' || item[0] == '"') && item.back() == item[0])
      item = item.substr(1, item.size() - 2);
    else if (!item.empty() && (item[0] == '\'' || item[0] == '"'))
      item.erase(0, 1);  // an unclosed quote: the rest of the text
    if (!item.empty()) names.push_back(item);
    at = end + 1;
  }
  return names;
}

Status TransNameCheck(const std::vector<std::string>& names, const std::string& name) {
  if (name.empty() || name.size() > kTransNameMax) return DataFail(st::BADINPUTDATA, name);
  for (char c : name)
    if (c == ',' || c == '\'' || c == '"' || static_cast<unsigned char>(c) < 32 || c == 127)
      return DataFail(st::BADINPUTDATA, name);
  for (const std::string& n : names)
    if (host::EqualNoCase(n, name)) return DataFail(st::FILEEXIST, name);
  return 0;
}

Status TransConfigLines(uint16_t mode, std::vector<std::string>* lines) {
  lines->clear();
  lines->push_back(std::string(kModeItem) + "=" + std::to_string(mode));
  std::string target = TransTrim(TransParmText(kTrName));
  if (!target.empty()) {
    if (Status s = Item(std::string(ParmNameBase(kParmTarget).View()), target, lines)) return s;
  }
  const StrAreaScope scope;
  StrListIter it(StrFromC(kTransParmNames), ',');
  StrValue parm;
  for (uint32_t item = 1; it.Next(&parm); ++item) {
    std::string value = TransParmText(item);
    if (TransTrim(value).empty()) continue;
    if (Status s = Item(parm.Str(), value, lines)) return s;
  }
  return 0;
}

Status TransConfigStore(StrValue file, const std::string& name, uint16_t mode) {
  const StrAreaScope scope;
  std::vector<std::string> names = TransNamesSplit(TransConfigNames(file).View());
  if (names.size() >= kTransConfigMax) return DataFail(st::DATAOUTBOUND, "trans.ppn " + std::to_string(names.size()));
  if (Status s = TransNameCheck(names, name)) return s;
  std::vector<std::string> lines;
  if (Status s = TransConfigLines(mode, &lines)) return s;
  names.push_back(name);
  int tag = static_cast<int>(names.size());
  DynStrClear(FileLinesQueue);
  if (Status s = TransTagLines(kPpnKind, {NamesLine(names)}, 0)) return s;
  if (Status s = TransTagLines(kPpnKind, lines, tag)) {
    DynStrClear(FileLinesQueue);
    return s;
  }
  // The data directory may not be there yet on a first save.
  StrValue dir = PathSplit(file, kPathDrive | kPathDir);
  if (dir.len > 0) {
    if (Status s = PathMakeDirs(dir)) {
      DynStrClear(FileLinesQueue);
      return s;
    }
  }
  return TextFileMergeLines(file, kPpnKind, 0, tag);
}

Status TransSaveConfig(uint16_t mode) {
  const StrAreaScope scope;
  if (!MsgAsk(Msg("0097 Save this Configuration?"))) return 0;
  StrValue file = TransPpnPath();
  std::vector<std::string> names = TransNamesSplit(TransConfigNames(file).View());
  std::vector<std::string> lines;
  Status s = names.size() >= kTransConfigMax
                 ? DataFail(st::DATAOUTBOUND, "trans.ppn " + std::to_string(names.size()))
                 : TransConfigLines(mode, &lines);
  std::string name;
  while (s == 0) {
    const StrAreaScope each;
    AcceptResult r = AcceptForm(Msg("0097 Save this Configuration?"), Msg("0056 'File Name:':'A40'"));
    if (r.status != 0) {
      if (r.status != st::USERCANCELED) ErrShow(r.status);
      return r.status;
    }
    name = StrUnquote(StrTrim(StrListItem(TransView(r.values), ',', 1), 3)).Str();
    Status c = TransNameCheck(names, name);
    if (c == 0) break;
    if (c == st::FILEEXIST) ErrShow(c);
  }
  if (s == 0) s = TransConfigStore(file, name, mode);
  if (s != 0) ErrShow(s);
  return s;
}
