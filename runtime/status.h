// Status codes and framework module numbers.
//
// Every framework operation answers a 16-bit status: 0 success, 1-127 soft
// results (data-file results 1-9, the letters of yes/no answers, 122 user
// cancel, 127 out of data), 128 and above errors, 65535 "not found".
// Module numbers name the module that recorded an error and, with the same
// numbers, the owner of a memory block. Both have their names in one comma
// list each (kErrorNameList, kModuleNameList); the names are English in every
// language.
#pragma once
#include <cstdint>

#include "platform/status.h"

// Names of the codes 122-185: field c - 121 (from 1) names code c. 182 has
// no name; a missing or empty field reads "Undefined" (errors.h ErrCodeName).
constexpr char kErrorNameList[] =
    "User Canceled,Null Expression,Undef.Warning,Type Warning,Bad user data,Out of Data,"
    "Type Mismatch,Loop Failure,Disk I/O,File I/O,Procedure Execution,PRCSTCKERROR,"
    "TRANSUPERROR,VARHANDLERROR,DISKREADERROR,DISKWRITERROR,DISKOPENERROR,NETACCESERROR,"
    "BADEXPRESION,INTERNALERROR,FARHEAPINIERR,Screen Environ,INDEXCMDERROR,OUTOFMEMORY,"
    "STRINGTOOLONG,SINTAXERROR,FEATUREREMOVED,DIMSTRUCERROR,BADSTRINGTYPE,BADFILENUMBER,"
    "FORMATFAILURE,STRCONCATERR,MEMORYALLOCERR,EXPCALCERROR,LOADSTRERROR,VARNAMEERROR,"
    "BADCOMMANDLINE,STROUTBOUND,MEMTESTERROR,FILEOUTBOUND,SQLERROR,BADINPUTDATA,"
    "File Not Found,File Exist,File Opening,CHILDEXECERROR,DATAOUTBOUND,FILENOTINIT,"
    "COMMONCTLERROR,DEVICETIMEOUT,DEVICEIOERROR,SYSTEMCMDERROR,User Check Fail,"
    "Permission Denied,StructMemError,ScreenStructErr,Memory Leaks,Windows Control Error,"
    "Memory Overflow,Variable ScreenField,,Data Already exist,Only Local Access,"
    "Graphic Support Low";

// Names of the framework modules 1-22, by position.
constexpr char kModuleNameList[] =
    "STRINGINIT,STRINGASSIGN,STRCONCAT,VARNMASSIGN,SQLCONNECT,SQLEXEC,EXEC_COMPILER,"
    "Malloc-MemAcums,ExecRunTime,VarStruct,ExpExec,Sort,BufferFld,DynStrings,StructFuncs,"
    "FormatStrings,Streams,DataFile,LocalLists,Screens,Devices,HtmlScan";

// FrameworkModule: 1-based positions in the module list; also memory owners.
enum FrameworkModule : uint16_t {
  MOD_NONE = 0,
  MOD_STRINGINIT = 1,
  MOD_STRINGASSIGN = 2,
  MOD_STRCONCAT = 3,
  MOD_VARNMASSIGN = 4,
  MOD_SQLCONNECT = 5,
  MOD_SQLEXEC = 6,
  MOD_EXEC_COMPILER = 7,
  MOD_MALLOC_MEMACUMS = 8,
  MOD_EXECRUNTIME = 9,
  MOD_VARSTRUCT = 10,
  MOD_EXPEXEC = 11,
  MOD_SORT = 12,
  MOD_BUFFERFLD = 13,
  MOD_DYNSTRINGS = 14,
  MOD_STRUCTFUNCS = 15,
  MOD_FORMATSTRINGS = 16,
  MOD_STREAMS = 17,
  MOD_DATAFILE = 18,
  MOD_LOCALLISTS = 19,
  MOD_SCREENS = 20,
  MOD_DEVICES = 21,
  MOD_HTMLSCAN = 22,
};
