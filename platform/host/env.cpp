#include "platform/host/env.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/host/files.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// The value of a set, non-empty variable; empty otherwise.
std::string Var(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string Home() {
  std::string home = Var("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string FirstOfList(const std::string& list, const char* fallback) {
  std::string first = list.substr(0, list.find(':'));
  return first.empty() ? fallback : first;
}

std::string OrDefault(const std::string& v, const std::string& fallback) {
  return v.empty() ? fallback : v;
}

bool g_filled = false;

}  // namespace

std::string_view HostEnvWindowsName(std::string_view name) {
  std::string_view list = kHostWindowsEnvNames;
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    if (SameIgnoringCase(item, name)) return item;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return {};
}

std::string HostEnvLinuxDefault(std::string_view name) {
  std::string_view n = HostEnvWindowsName(name);
  if (n == "TEMP") return OrDefault(Var("TMPDIR"), "/tmp");
  if (n == "USERPROFILE" || n == "HOMEPATH") return Home();
  if (n == "APPDATA") return OrDefault(Var("XDG_CONFIG_HOME"), Home() + "/.config");
  if (n == "ALLUSERSPROFILE") return FirstOfList(Var("XDG_DATA_DIRS"), "/usr/local/share");
  if (n == "ProgramFiles") return "/usr/local";
  if (n == "CommonProgramFiles") return "/usr/local/lib";
  if (n == "SystemRoot") return "/usr";
  return {};  // HOMEDRIVE, SYSTEMDRIVE and other names: no equivalent
}

void HostEnvFillDefaults() {
  g_filled = true;
  std::string_view list = kHostWindowsEnvNames;
  while (!list.empty()) {
    size_t comma = list.find(',');
    std::string name(list.substr(0, comma));
    if (Var(name.c_str()).empty()) {
      std::string v = HostEnvLinuxDefault(name);
      if (!v.empty()) setenv(name.c_str(), v.c_str(), 1);
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
}

std::string HostEnvGet(std::string_view name) {
  if (name.empty()) return {};
  if (!g_filled) HostEnvFillDefaults();
  std::string exact(name);
  std::string_view canonical = HostEnvWindowsName(name);
  if (canonical.empty()) return Var(exact.c_str());
  // A Windows name set to an empty text counts as unset.
  if (std::string v = Var(exact.c_str()); !v.empty()) return v;
  if (std::string v = Var(std::string(canonical).c_str()); !v.empty()) return v;
  return HostEnvLinuxDefault(canonical);
}

std::string HostCurrentDir() {
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

bool HostChangeDir(std::string_view path) {
  std::string p = host::ResolvePath(path);
  return !p.empty() && chdir(p.c_str()) == 0;
}

std::string HostProgramPath() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}
