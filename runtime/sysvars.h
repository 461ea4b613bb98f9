// The system variables: the integer and string variables every layer reads
// and sets by slot (_STAT, _UPSTAT, _TRACE, _PRECIS, ...).
//
// Their values live with the script's variables: the integers in value table
// 7, the strings as the first elements of the string values (string slots
// 0-2). The script's variables module declares them first, in slot order,
// from the tables below, so their slots are fixed. _PRECIS (slot 32) is
// handed to the number module whenever it is written.
#pragma once
#include <cstdint>

#include "runtime/status.h"

// Slots of the system integer variables.
enum SysInt : uint16_t {
  kSysAuxStat, kSysRelRes, kSysCurFil, kSysCurEdFld, kSysDevHig, kSysDevWid, kSysDevLin,
  kSysDevPos, kSysDevPag, kSysCurRow, kSysStat, kSysLastKey, kSysSgn, kSysUpStat, kSysIer,
  kSysSysCompat, kSysSqlStk, kSysCount, kSysHCount, kSysAdmStat, kSysCompat, kSysScrStat,
  kSysLMax, kSysLNum, kSysLLst, kSysHNum, kSysSafe, kSysLB, kSysAux, kSysKeyMap, kSysSerial,
  kSysTrace, kSysPrecis, kSysBYear, kSysBkYear, kSysDX, kSysInHnd, kSysOutHnd, kSysDate,
  kSysDocSt, kSysWMaxRow, kSysUser01, kSysUser02, kSysUser03,
  kSysIntCount
};
// Slots of the system string variables.
enum SysStr : uint16_t { kSysAcum, kSysAcumX, kSysLText, kSysStrCount };

// Declaration of a system variable: its name and start value text.
struct SysVarDecl {
  const char* name;
  const char* start;
};
extern const SysVarDecl kSysIntDecls[kSysIntCount];
extern const SysVarDecl kSysStrDecls[kSysStrCount];

// Integer variable n (system or not): 0 when the slot does not exist.
int16_t VarIntGet(uint32_t n);
Status VarIntSet(uint32_t n, int16_t v);
bool VarIntTestBits(uint32_t n, uint16_t bits);
// Sets (on) or clears the bits; answers true when any of them is then set.
bool VarIntSetBits(uint32_t n, uint16_t bits, bool on);
inline int16_t VarSysIntGet(int slot) { return VarIntGet(static_cast<uint32_t>(slot)); }
// _TRACE as VarIntSet last stored it, for the checks made before every
// procedure statement.
inline int16_t g_sysTrace = 0;
inline int16_t VarSysTrace() { return g_sysTrace; }
inline Status VarSysIntSet(int slot, int16_t v) { return VarIntSet(static_cast<uint32_t>(slot), v); }
