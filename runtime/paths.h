// Paths, application directories and name expansion.
//
// Paths inside the framework are written the Windows way: the backslash
// separates components and every "/" outside quoted parts is turned into one
// before paths are joined or split, so a Linux path given on the command line
// ("/home/me/books") becomes "\home\me\books". The host file layer
// (platform/host/files.h) accepts both separators, drops drive letters and
// finds existing names without regard to letter case, so these texts reach
// the right files on Linux.
//
// The application's directories come by kind (AppPath): the program's own
// directory, the default directory (SettingsList item 5), the data, documents,
// help and backup directories. Names between percent signs in file names
// stand for those directories (%APPPATH_DATA%), for ten environment variables
// of Windows heritage (%TEMP%, any letter case; see platform/host/env.h) and
// for application variables (%APNAME%, the two-letter application prefix).
// An unknown name expands to an empty text; a name that cannot be replaced
// (an application variable inside a quoted part, or a value that keeps
// naming itself) stays as written, and expansion always ends.
//
// Results are new slots of the string area; error strings given as input pass
// through. Errors: 163 BADINPUTDATA from PathMakeDirs for a path with neither
// a directory nor a name part, and the host's code when a directory cannot be
// made; both are recorded with the path as detail.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Directory kinds of AppPath; their names are usable between percent signs.
enum AppPathKind : int {
  APPPATH_RUNPATH = 1,  // the program's directory (field 1 of the command line)
  APPPATH_DEFAULT,      // SettingsList item 5
  APPPATH_DATA,         // sibling "data" of the documents (late drive: default) directory
  APPPATH_DOCS,         // SettingsList item 6, else the current directory
  APPPATH_HELP,         // SettingsList item 7, else "Help" in the default directory
  APPPATH_BACKUP,       // "Backups" in SettingsList item 6
  APPPATH_BACKREL,      // current directory \ Backups \ database host \ database name
};

// PathSplit flags: the parts to keep, joined back in order.
constexpr int kPathDrive = 1;
constexpr int kPathDir = 2;
constexpr int kPathName = 4;
constexpr int kPathExt = 8;

// Field 1 of the stored command line (the program path), trimmed and
// unquoted; flag 1 takes field 2 instead (empty when it begins with "/");
// flag 2 keeps only its drive and directory.
StrValue AppProgramPath(int flags);
// The directory of a kind; empty for other kinds.
StrValue AppPath(int kind);
StrValue AppPathJoin(StrValue name, int kind);
// True when the program's directory lies on drive F: or a later letter
// (never on Linux, where paths carry no drive).
bool AppOnLateDrive();

// The first existing file among the name itself and the name joined to each
// directory of a comma list, in order; empty when none exists.
StrValue FileSearch(StrValue dirs, StrValue name);
// Creates the directory and its missing parents; 0 when it exists.
Status PathMakeDirs(StrValue path);
// Each leading "..\" of the relative path moves the base up one directory
// (never above the root); the rest is joined to the base and "\.\" becomes
// "\".
StrValue PathResolve(StrValue base, StrValue relative);
// A unique temporary file name with the extension, in the TEMP directory.
StrValue TempFilePath(StrValue ext);

StrValue PathSlashes(StrValue path);
// a and b with exactly one backslash between them; an empty side gives the
// other.
StrValue PathJoin(StrValue a, StrValue b);
// name "." ext; the point only when both are non-empty.
StrValue PathAddExt(StrValue name, StrValue ext);
// The extension of a kind: 1 none, 2 FD, 3 DIR, 4 NDX, 5 TMP, 6 TXT; bit 0x80
// asks for lower case.
StrValue PathExtKind(int kind);
// The parts of a path selected by flags (kPathDrive...), joined back in
// order: "C:", the directory without its last backslash ("\" for the root),
// the name (after a backslash when the text so far needs one) and the
// extension (after a point).
StrValue PathSplit(StrValue path, int flags);

// Every name between percent signs replaced: directory kinds, environment
// names, application variables; unknown names by an empty text.
StrValue PathExpand(StrValue path);
// Every application variable between percent signs outside quoted parts
// replaced (COMMANDLINE, APNAME, APDESCRIP, LANGMODULE.DOCPATH, DATAPATH,
// HELPPATH: SettingsList items 1-6, APNAME being the two-letter prefix of
// item 2; DATABASE_HOST, _DBNAME, _USER, _PASSW: the fields of item 11);
// any other name by an empty text.
StrValue AppVarValue(StrValue text);
