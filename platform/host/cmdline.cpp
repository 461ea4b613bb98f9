#include "platform/host/cmdline.h"

#include <cstring>

#include "platform/host/env.h"

namespace {

bool NeedsQuotes(const std::string& v, bool option) {
  for (char c : v) {
    if (c == ' ' || c == '\t') return true;
    if (option && (c == ':' || c == '&' || c == '/' || (c >= 'a' && c <= 'z'))) return true;
  }
  return false;
}

bool IsQuoted(const std::string& v) {
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

std::string Quote(const std::string& v) {
  if (v.find('"') == std::string::npos) return '"' + v + '"';
  if (v.find('\'') == std::string::npos) return '\'' + v + '\'';
  return v;  // holds both quote characters: cannot be quoted
}

std::string Rebuild(const std::string& arg) {
  bool option = !arg.empty() && (arg[0] == '-' || arg[0] == '/');
  if (!option) return NeedsQuotes(arg, false) ? Quote(arg) : arg;
  size_t start = arg.find_first_not_of("-/");
  if (start == std::string::npos) return arg;
  size_t sep = arg.find_first_of(":=", start);
  if (sep == std::string::npos) return arg;
  std::string value = arg.substr(sep + 1);
  if (IsQuoted(value) || !NeedsQuotes(value, true)) return arg;
  return arg.substr(0, sep + 1) + Quote(value);
}

bool ProgramNeedsQuotes(const std::string& path) {
  return path.find_first_of(" \t:=") != std::string::npos;
}

}  // namespace

std::string HostProgramField(const char* argv0) {
  std::string given = argv0 ? argv0 : "";
  if (given.empty() || given.find('/') != std::string::npos) return given;
  std::string self = HostProgramPath();
  size_t slash = self.rfind('/');
  if (slash != std::string::npos && self.compare(slash + 1, std::string::npos, given) == 0) return self;
  return given;
}

std::string HostCommandLineBuild(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (!argv[i]) continue;
    if (i > 0) {
      line += ' ';
      line += Rebuild(argv[i]);
      continue;
    }
    std::string program = HostProgramField(argv[0]);
    line += ProgramNeedsQuotes(program) ? Quote(program) : program;
  }
  return line;
}
