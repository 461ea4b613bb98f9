#include "fuzz/harness.h"

#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/hooks.h"
#include "app/startup.h"
#include "data/store/datafile.h"
#include "data/scans/selection.h"
#include "data/scans/stgetlist.h"
#include "devices/devstack.h"
#include "devices/serial.h"
#include "platform/host/clock.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/messages.h"
#include "runtime/streams.h"
#include "screens/window/winlist.h"
#include "script/expcache.h"
#include "script/handlers.h"
#include "script/statements.h"
#include "script/taskhooks.h"

// No input may start a program: every child process is refused, as if the
// program did not exist. The framework's only way to start one is
// posix_spawn (platform/host/process.cpp).
extern "C" int posix_spawn(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                           char* const[], char* const[]) {
  return ENOENT;
}
extern "C" int posix_spawnp(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                            char* const[], char* const[]) {
  return ENOENT;
}

std::vector<FuzzTarget>& FuzzTargets() {
  static std::vector<FuzzTarget> targets;
  return targets;
}

bool FuzzRegister(const char* name, FuzzFn fn) {
  FuzzTargets().push_back({name, fn});
  return true;
}

namespace {

// "Today" is fixed, so a date an input reads means the same on every run;
// sleeps advance it and return at once.
ManualClock& FuzzClock() {
  static ManualClock clock(1718452800000);  // 2024-06-15 12:00 UTC
  return clock;
}

int g_polls = 0;
bool BudgetSpent() { return ++g_polls > kFuzzPollBudget; }
bool NoWindow() { return false; }
Status NothingToClose() { return 0; }

// Every entry of the scratch directory (the current one) is removed, so
// files one input wrote are not there for the next.
void ScratchClear() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(".", ec))
    std::filesystem::remove_all(e.path(), ec);
}

}  // namespace

FuzzSession::FuzzSession(std::string_view commandLine) {
  // Serial ports name no device, so a device string never opens a real one.
  for (int n = 1; n <= 9; ++n) setenv(("KX_COM" + std::to_string(n)).c_str(), "no-such-port", 1);
  ClockInstall(&FuzzClock());
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  o.hostClock = false;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  WinListReset();
  MemShutdown(true);
  MemConfigure(512, 64);
  if (MemInit() != 0) return;
  ErrClear();
  TaskHooksReset();
  ExecHandlersReset();
  for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
  std::string line(commandLine);
  const char* args[1] = {line.c_str()};
  Status s = StartCommandLine(kStartWholeCommandLine, args);
  // The statement handlers both applications register in their first phase.
  ExecRunUtilsInit();
  // The runner's poll counts toward the statement budget instead of asking
  // a progress window.
  g_polls = 0;
  RunProgressSet(RunProgress{BudgetSpent, NoWindow, NothingToClose});
  ErrClear();
  ok_ = s == 0;
}

FuzzSession::~FuzzSession() {
  DevStackCloseAll();
  ComCloseAll();
  SelFreeAll();
  StGetListFree();
  DataFileCloseAll();
  StreamCloseAll();
  ExpCacheClear();
  MsgCatalogReset();
  TaskHooksReset();
  ExecHandlersReset();
  WinListReset();
  MemShutdown(true);
  ErrClear();
  ui::shutdown();
  ClockInstall(nullptr);
  ScratchClear();
}

StrValue FuzzStr(std::string_view text) {
  if (text.size() > kStrMaxLen) text = text.substr(0, kStrMaxLen);
  return StrMake(text.data(), static_cast<uint32_t>(text.size()));
}

std::vector<std::string> FuzzSplit(std::string_view text, size_t parts) {
  std::vector<std::string> out;
  while (out.size() + 1 < parts) {
    size_t at = text.find("@@@@");
    // The mark counts only as a line of its own.
    while (at != std::string_view::npos &&
           ((at > 0 && text[at - 1] != '\n') ||
            (at + 4 < text.size() && text[at + 4] != '\n' && text[at + 4] != '\r')))
      at = text.find("@@@@", at + 1);
    if (at == std::string_view::npos) break;
    size_t next = at + 4;
    if (next < text.size() && text[next] == '\r') ++next;
    if (next < text.size() && text[next] == '\n') ++next;
    out.emplace_back(text.substr(0, at));
    text.remove_prefix(next);
  }
  out.emplace_back(text);
  out.resize(parts);
  return out;
}

void FuzzWriteFile(const std::string& name, std::string_view bytes) {
  std::ofstream(name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void FuzzAppSettings() {
  const StrAreaScope scope;
  DynStrSet(SettingsList, SetIdentityItem, StrFromC("FZ:Fuzz"));
  DynStrSet(SettingsList, SetTitleItem, StrFromC("Fuzz"));
  DynStrSet(SettingsList, SetDefaultDirItem, StrFromC("."));
}

namespace {
std::string g_scratch;
void ScratchRemove() {
  std::error_code ec;
  if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ec);
}
}  // namespace

bool FuzzScratchEnter() {
  std::error_code ec;
  std::string tmpl = (std::filesystem::temp_directory_path(ec) / "kxfuzz.XXXXXX").string();
  if (!mkdtemp(tmpl.data()) || chdir(tmpl.c_str()) != 0) return false;
  g_scratch = tmpl;
  std::atexit(ScratchRemove);
  return true;
}

void FuzzWriteNamed(std::string_view part) {
  size_t nl = part.find('\n');
  if (nl == std::string_view::npos) return;
  std::string name(part.substr(0, nl));
  if (!name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty() || name.size() > 12) return;
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.')) return;
  if (name.find_first_not_of('.') == std::string::npos) return;
  FuzzWriteFile(name, part.substr(nl + 1));
}
