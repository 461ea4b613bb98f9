#include "platform/host/registry.h"

#include <fstream>

#include "platform/host/env.h"
#include "platform/host/files.h"

namespace host {

namespace {

// One value line: the key, the value name and the data.
struct Entry {
  std::string_view key;
  std::string_view name;
  std::string_view data;
};

bool ParseLine(std::string_view line, Entry* e) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line[0] == '#' || line[0] == ';') return false;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  std::string_view path = line.substr(0, eq);
  size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) return false;
  *e = Entry{path.substr(0, cut), path.substr(cut + 1), line.substr(eq + 1)};
  return true;
}

// Calls visit for every value line until it answers true.
template <class Visit>
bool ForEachEntry(Visit visit) {
  std::ifstream in(RegistryFile(), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    Entry e;
    if (ParseLine(line, &e) && visit(e)) return true;
  }
  return false;
}

}  // namespace

std::string RegistryFile() {
  std::string base = HostEnvGet("XDG_CONFIG_HOME");
  if (base.empty()) base = HostEnvGet("HOME") + "/.config";
  return base + "/kx/registry.txt";
}

RegistryAnswer RegistryRead(std::string_view key, std::string_view name, std::string* data) {
  bool keySeen = false;
  bool found = ForEachEntry([&](const Entry& e) {
    if (!EqualNoCase(e.key, key)) return false;
    keySeen = true;
    if (!EqualNoCase(e.name, name)) return false;
    *data = std::string(e.data);
    return true;
  });
  if (found) return RegistryAnswer::Found;
  return keySeen || RegistryKeyExists(key) ? RegistryAnswer::NoValue : RegistryAnswer::NoKey;
}

bool RegistryKeyExists(std::string_view key) {
  return ForEachEntry([&](const Entry& e) {
    return EqualNoCase(e.key, key) ||
           (e.key.size() > key.size() && e.key[key.size()] == '\\' && EqualNoCase(e.key.substr(0, key.size()), key));
  });
}

}  // namespace host
