// Host services: the environment, the current directory, directory
// listings, file information and temporary names, for the framework's
// callers, over the host layer (platform/host/env.h, files.h).
//
// Names are framework paths: either separator, a drive letter dropped, an
// existing file found without regard to letter case; wildcard patterns
// match the Windows way and list sorted, so "the first match" is the same on
// every run. Missing names give empty texts, 0 or 164 as each operation
// says; nothing here records an error. Texts come back as new slots of the
// string area.
#pragma once
#include <cstdint>
#include <string>

#include "platform/host/files.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kDirCurrentMax = 384;

// The variable's value (platform/host/env.h: the Windows names have Linux
// equivalents); empty when unset or for an empty name.
StrValue EnvGet(StrValue name);
// The current directory with backslashes; empty when it cannot be read or
// is longer than kDirCurrentMax characters.
StrValue DirCurrent();
// 0, or 65535 when the directory cannot be made current.
Status DirChange(StrValue path);
// 0 with the names (no directory part) of every entry the pattern matches
// as the new top slot of the area, each but the last followed by a NUL; 164
// when none matches (nothing pushed). A name without wildcards is looked up
// directly. Names past 65535 bytes are left out from the first that does
// not fit: 146 with the names that fit.
Status DirList(StrValue pattern);

// The directory information of a name's first match.
struct FileStatInfo {
  std::string name;  // without its directory
  host::FileInfo info;
};
// 0, or 164 when nothing matches.
Status FileStat(StrValue name, FileStatInfo* out);
int64_t FileStatSize(StrValue name);     // 0 when missing
uint32_t FileStatAttr(StrValue name);    // the attribute bits; 164 when missing
// One of the times of a file (which: 0 created, 1 accessed, 2 written) in
// local time: form 0 the milliseconds since that day's midnight, form 1 the
// date YYYYMMDD; 0 when the file is missing.
int64_t FileStatTime(StrValue name, int which, int form);
// Creates one directory: 0, or 65535.
Status DirMake(StrValue path);
// A unique name (no directory part, no points): no file in the temporary
// directory has it.
StrValue TempName();
// TempName with the extension; a file of that name in the temporary
// directory is deleted.
StrValue TempFileName(StrValue ext);
