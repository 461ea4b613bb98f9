#include "runtime/log.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/host/console.h"
#include "platform/host/files.h"
#include "runtime/datetime.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fmtdate.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strformat.h"
#include "runtime/sysvars.h"

namespace {

void DefaultAssertBox(StrValue text, StrValue caption) {
  host::StdErrWrite(std::string(caption.View()) + ": " + std::string(text.View()) + "\n");
}

// An abnormal end with a fixed code, after the C streams are flushed.
void DefaultProcessEnd() {
  std::fflush(nullptr);
  std::_Exit(3);
}

AssertBoxFn g_assertBox = DefaultAssertBox;
ProcessEndFn g_processEnd = DefaultProcessEnd;

// Appends bytes to a file (created when missing); false when it cannot be
// opened or written.
bool AppendBytes(std::string_view file, std::string_view bytes) {
  int fd = host::Open(file, host::kOpenWrite | host::kOpenCreate | host::kOpenAppend);
  if (fd < 0) return false;
  bool ok = host::Write(fd, bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size());
  return host::Close(fd) == 0 && ok;
}

// Today in the display form with a four-digit year (month first, day first
// in the day-first languages).
std::string DisplayDateToday() {
  const StrAreaScope scope;
  std::string today = std::to_string(static_cast<long>(DateToday()));
  std::string out(FmtDate(StrFromView(today), kDateShortYear4).View());
  return out;
}

// The frame's top line and header, formatted within the header bound.
std::string BlockHeader() {
  const StrAreaScope scope;
  StrValue templ = StrFromC("*****************************\r\n Date:%s - Time:%s - User:%s\r\n");
  StrValue header = StrFormat(kLogHeaderMax, templ, DisplayDateToday(), TimeFormat(TimeOfDayMs(), 1), "0");
  std::string out(header.View());
  return out;
}

}  // namespace

StrValue LogFileName() {
  StrValue set = DynStrGet(SystemTextList, SysLogNameItem);
  if (set.len) return StrDup(set);  // a view into the store would not outlive its next change
  uint16_t m = StrAreaMark(-1);
  std::string_view prefix = AppVarValue(StrFromC("%APNAME%")).View();
  std::string name(prefix.substr(0, kLogNameMax - (sizeof kLogFileSuffix - 1)));
  name += kLogFileSuffix;
  return StrAreaReturn(m, StrMake(name.data(), static_cast<uint32_t>(name.size())));
}

Status LogSetName(StrValue name) {
  if (name.IsError() || name.len == 0) return 0;
  if (Status s = DynStrSet(SystemTextList, SysLogNameItem, name)) return s;
  std::string file(DynStrGet(SystemTextList, SysLogNameItem).View());
  host::Remove(file);
  return 0;
}

bool LogWrite(StrValue file, StrValue text) {
  if (file.IsError() || file.len == 0) return false;
  std::string line(text.View());
  line += "\r\n";
  AppendBytes(file.View(), line);
  return true;
}

bool LogError(StrValue text, int bits) {
  if (((bits & 0xFF) & VarSysIntGet(kSysTrace)) == 0) return false;
  const StrAreaScope scope;
  std::string line = text.IsError() ? "Error #" + std::to_string(StrError(text)) : text.Str();
  bool written = LogWrite(LogFileName(), StrMake(line.data(), static_cast<uint32_t>(line.size())));
  return written;
}

Status LogBlock(StrValue text, StrValue file) {
  const StrAreaScope scope;
  std::string name((file.IsError() || file.len == 0 ? LogFileName() : file).View());
  std::string block = BlockHeader();
  block += text.View();
  block += "\r\n**********************\r\n\r\n";
  if (!AppendBytes(name, block)) {
    ErrDetailSet(st::FILENOTFOUND, StrMake(name.data(), static_cast<uint32_t>(name.size())), false);
    return st::FILENOTFOUND;
  }
  return 0;
}

StrValue AssertCheck(bool flag, StrValue name) {
  if (flag) return name;
  g_assertBox(name, StrFromC(kAssertCaption));
  LogBlock(name, StrFromC(kAssertLogFile));
  g_processEnd();
  return StrErr(st::INTERNALERROR);
}

AssertBoxFn AssertBoxHookSet(AssertBoxFn fn) {
  AssertBoxFn old = g_assertBox;
  g_assertBox = fn ? fn : DefaultAssertBox;
  return old;
}

ProcessEndFn AssertEndHookSet(ProcessEndFn fn) {
  ProcessEndFn old = g_processEnd;
  g_processEnd = fn ? fn : DefaultProcessEnd;
  return old;
}
