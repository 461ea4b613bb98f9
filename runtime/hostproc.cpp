#include "runtime/hostproc.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/host/files.h"
#include "platform/host/process.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/registry.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"

namespace {

using Sink = std::function<Status(StrValue chunk)>;

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_EXECRUNTIME, code, code);
}

// The program a viewer item names: "." and "%s" before a program name and a
// backslash after it (a registry item), or a fixed path.
std::string ViewerProgram(std::string_view item) {
  if (!item.empty() && item[0] == '.') {
    item.remove_prefix(std::min<size_t>(3, item.size()));  // ".%s"
    if (!item.empty() && item.back() == '\\') item.remove_suffix(1);
    return std::string(item);
  }
  return std::string(item.substr(item.find_last_of('\\') + 1));
}

std::string ExitText(const host::ChildExit& e) {
  if (e.exited) return "exit status " + std::to_string(e.code);
  return e.signal > 0 ? "signal " + std::to_string(e.signal) : std::string("lost");
}

// Each chunk is read straight into a slot of the string area and released
// after the sink has seen it, so any amount of output passes in 1024 bytes.
// The reading ends when the command has ended and its output is read, so
// a job it leaves running in the background does not hold the caller.
Status ReadChunk(host::PipedChild* child, const Sink& sink, bool* more) {
  StrAreaScope scope;
  char* buf = StrAreaAllocPtr(kPipeChunk, 255);
  if (!buf) return ErrSet(1, MOD_EXECRUNTIME, st::OUTOFMEMORY, st::OUTOFMEMORY);
  int64_t n = host::ReadPiped(child, buf, kPipeChunk);
  *more = n > 0;
  return *more ? sink(StrValue{buf, static_cast<uint16_t>(n)}) : Status{0};
}

Status ReadChunks(host::PipedChild* child, const Sink& sink) {
  Status status = 0;
  for (bool more = true; more && status == 0;) status = ReadChunk(child, sink, &more);
  return status;
}

Status RunPiped(StrValue command, const Sink& sink) {
  if (Status e = StrError(command)) return e;
  std::vector<std::string> argv = host::CommandArgs(command.View());
  host::PipedChild child;
  Status started = host::StartPiped(argv, &child);
  if (started != 0) return Fail(started, command.View());
  Status status = ReadChunks(&child, sink);
  host::ChildExit exit = host::FinishPiped(&child);
  if (status != 0 || exit.Ok()) return status;
  return Fail(st::SYSTEMCMDERROR, command.Str() + ": " + ExitText(exit));
}

Status Start(const std::vector<std::string>& argv) {
  return !argv.empty() && host::StartDetached(argv) == 0 ? 0 : st::NOTFOUND;
}

}  // namespace

StrValue HostViewerPath(int kind) {
  if (kind < 1 || kind > 5) return StrErr(st::BADINPUTDATA);
  uint16_t mark = StrAreaMark(-1);
  std::string program = ViewerProgram(StrListItem(StrFromC(kViewerList), ',', static_cast<uint32_t>(kind)).View());
  StrValue value = RegReadValue(StrFromView(std::string(kViewerAppPaths) + program + "\\"));
  StrValue path = value.IsError() ? StrFromC(kViewerFallback) : StrUnquote(StrTrim(value, 3));
  return StrAreaReturn(mark, PathExpand(StrQuote(path, '"')));
}

Status HostViewFile(int kind, StrValue file) {
  if (Status e = StrError(file)) return e;
  StrAreaScope scope;
  StrValue command = HostViewerPath(kind);
  if (Status e = StrError(command)) return e;
  if (!ui::viewer_allowed(command.View(), file.View())) return 0;
  std::vector<std::string> argv = host::SplitCommandLine(command.View());
  // A web address is no path: resolving it would fold its "//".
  bool address = file.View().find("://") != std::string_view::npos;
  argv.push_back(address ? std::string(file.View()) : host::ResolvePath(file.View()));
  return Start(argv);
}

Status HostStart(StrValue command) {
  if (Status e = StrError(command)) return e;
  return Start(host::CommandArgs(command.View()));
}

Status HostRunPiped(StrValue command, HostOutputFn fn, HostOutputCallback callback) {
  return RunPiped(command, [&](StrValue chunk) { return callback ? callback(fn, chunk) : Status{0}; });
}

Status HostRunCapture(StrValue command, StrValue* output, HostOutputFn fn, HostOutputCallback callback) {
  if (callback || !output) return HostRunPiped(command, fn, callback);
  std::string text;
  Status s = RunPiped(command, [&](StrValue chunk) { return HostOutputAppend(text, chunk); });
  if (s == st::STRINGTOOLONG) Fail(s, command.View());
  *output = StrFromView(text);
  return s;
}

Status HostOutputToFn(HostOutputFn fn, StrValue chunk) {
  if (fn) fn(chunk);
  return 0;
}

Status HostOutputAppend(std::string& output, StrValue chunk) {
  size_t room = kStrMaxLen - std::min<size_t>(output.size(), kStrMaxLen);
  std::string_view v = chunk.View();
  output.append(v.substr(0, room));
  return v.size() > room ? st::STRINGTOOLONG : 0;
}
