// The status every operation answers, and its codes.
//
// A 16-bit status: 0 success, 1-127 soft results (data-file results 1-9, the
// letters of yes/no answers, 122 user cancel, 127 out of data), 128 and above
// errors, 65535 "not found". The platform layer answers these codes itself,
// so they live at the bottom; runtime/status.h adds the names of the codes
// and the framework's module numbers.
#pragma once
#include <cstdint>

using Status = uint16_t;

namespace st {
constexpr Status OK = 0;
constexpr Status USERCANCELED = 122;
constexpr Status NULLEXPRESSION = 123;
constexpr Status UNDEFWARNING = 124;
constexpr Status TYPEWARNING = 125;
constexpr Status BADUSERDATA = 126;
constexpr Status OUTOFDATA = 127;
constexpr Status TYPEMISMATCH = 128;
constexpr Status LOOPFAILURE = 129;
constexpr Status DISKIO = 130;
constexpr Status FILEIO = 131;
constexpr Status PROCEDUREEXEC = 132;
constexpr Status PRCSTCKERROR = 133;
constexpr Status TRANSUPERROR = 134;
constexpr Status VARHANDLERROR = 135;
constexpr Status DISKREADERROR = 136;
constexpr Status DISKWRITERROR = 137;
constexpr Status DISKOPENERROR = 138;
constexpr Status NETACCESERROR = 139;
constexpr Status BADEXPRESION = 140;
constexpr Status INTERNALERROR = 141;
constexpr Status FARHEAPINIERR = 142;
constexpr Status SCREENENVIRON = 143;
constexpr Status INDEXCMDERROR = 144;
constexpr Status OUTOFMEMORY = 145;
constexpr Status STRINGTOOLONG = 146;
constexpr Status SINTAXERROR = 147;
constexpr Status FEATUREREMOVED = 148;
constexpr Status DIMSTRUCERROR = 149;
constexpr Status BADSTRINGTYPE = 150;
constexpr Status BADFILENUMBER = 151;
constexpr Status FORMATFAILURE = 152;
constexpr Status STRCONCATERR = 153;
constexpr Status MEMORYALLOCERR = 154;
constexpr Status EXPCALCERROR = 155;
constexpr Status LOADSTRERROR = 156;
constexpr Status VARNAMEERROR = 157;
constexpr Status BADCOMMANDLINE = 158;
constexpr Status STROUTBOUND = 159;
constexpr Status MEMTESTERROR = 160;
constexpr Status FILEOUTBOUND = 161;
constexpr Status SQLERROR = 162;
constexpr Status BADINPUTDATA = 163;
constexpr Status FILENOTFOUND = 164;
constexpr Status FILEEXIST = 165;
constexpr Status FILEOPENING = 166;
constexpr Status CHILDEXECERROR = 167;
constexpr Status DATAOUTBOUND = 168;
constexpr Status FILENOTINIT = 169;
constexpr Status COMMONCTLERROR = 170;
constexpr Status DEVICETIMEOUT = 171;
constexpr Status DEVICEIOERROR = 172;
constexpr Status SYSTEMCMDERROR = 173;
constexpr Status USERCHECKFAIL = 174;
constexpr Status PERMISSIONDENIED = 175;
constexpr Status STRUCTMEMERROR = 176;
constexpr Status SCREENSTRUCTERR = 177;
constexpr Status MEMORYLEAKS = 178;
constexpr Status WINCONTROLERROR = 179;
constexpr Status MEMORYOVERFLOW = 180;
constexpr Status VARSCREENFIELD = 181;
constexpr Status DATAALREADYEXIST = 183;
constexpr Status ONLYLOCALACCESS = 184;
constexpr Status GRAPHICSUPPORTLOW = 185;
constexpr Status NOTFOUND = 0xffff;
}  // namespace st
