// The registry, read only, as a text file.
//
// Linux has no registry; the few values the framework reads (the programs
// that show a file of a kind, through the "App Paths" keys) come from one
// text file, "kx/registry.txt" under the user's configuration directory
// (XDG_CONFIG_HOME, else ~/.config). Each line is
//     ROOT\key\path\value name=data
// with the root spelled out (HKEY_LOCAL_MACHINE, ...). An empty value name
// (the line's path ends in a backslash) is the key's default value. Keys and
// value names compare without regard to ASCII letter case; the first line
// of a value wins. Blank lines and lines starting with "#" or ";" are
// remarks; a line without "=" is ignored. A missing file is an empty
// registry. Nothing here records an error.
#pragma once
#include <string>
#include <string_view>

namespace host {

// The file the registry is read from.
std::string RegistryFile();

enum class RegistryAnswer { Found, NoKey, NoValue };
// `key` is the root and the key path without a trailing backslash
// ("HKEY_LOCAL_MACHINE\SOFTWARE\x"); `name` the value name ("" the default
// value). *data receives the value when it is found.
RegistryAnswer RegistryRead(std::string_view key, std::string_view name, std::string* data);
// Whether the key holds any value or subkey.
bool RegistryKeyExists(std::string_view key);

}  // namespace host
