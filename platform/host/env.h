// The process environment as the framework expects to find it, and the
// program's own path.
//
// The framework reads ten environment names of its Windows heritage
// (ALLUSERSPROFILE, APPDATA, CommonProgramFiles, HOMEDRIVE, HOMEPATH,
// ProgramFiles, SYSTEMDRIVE, SystemRoot, TEMP, USERPROFILE), matched in any
// letter case. On Linux most of them are unset, so each has a Linux
// equivalent, used only while the name is unset or empty (Windows has no
// empty variables, so an empty TEMP must not leave files in the current
// directory):
//   TEMP                  TMPDIR, else /tmp
//   USERPROFILE, HOMEPATH HOME (else the user's home from the password file)
//   APPDATA               XDG_CONFIG_HOME, else ~/.config
//   ALLUSERSPROFILE       the first directory of XDG_DATA_DIRS, else /usr/local/share
//   ProgramFiles          /usr/local
//   CommonProgramFiles    /usr/local/lib
//   SystemRoot            /usr
//   HOMEDRIVE, SYSTEMDRIVE none: Linux paths carry no drive, so they stay empty
// (HostEnvLinuxDefault is that table).
//
// The first HostEnvGet fills the unset names into the process environment
// (HostEnvFillDefaults), so child processes see the same values. Nothing here
// records an error: an unset name is an empty text.
#pragma once
#include <string>
#include <string_view>

// The ten names as a comma list, in their canonical spelling.
inline constexpr std::string_view kHostWindowsEnvNames =
    "ALLUSERSPROFILE,APPDATA,CommonProgramFiles,HOMEDRIVE,HOMEPATH,ProgramFiles,SYSTEMDRIVE,"
    "SystemRoot,TEMP,USERPROFILE";

// The canonical spelling of one of the ten names given in any letter case;
// empty for any other name.
std::string_view HostEnvWindowsName(std::string_view name);
// The Linux equivalent of one of the ten names, from the environment as it is
// now; empty for other names and for names without an equivalent.
std::string HostEnvLinuxDefault(std::string_view name);
// Sets every one of the ten names that is unset or empty to its Linux
// equivalent (names without an equivalent stay as they are). Non-empty values
// are kept.
void HostEnvFillDefaults();
// The value of a variable: the exact name first; one of the ten names in any
// letter case; then, while it is unset, its Linux equivalent. Empty when
// unset or for an empty name.
std::string HostEnvGet(std::string_view name);

// The current directory; empty when it cannot be read.
std::string HostCurrentDir();
// Makes the directory (a framework path: either separator, any letter case)
// the current one; false when it cannot.
bool HostChangeDir(std::string_view path);
// The absolute path of the running program (from /proc/self/exe); empty when
// it cannot be read.
std::string HostProgramPath();
