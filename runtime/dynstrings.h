// DynStrings: the string-list store.
//
// Every long-lived text of the framework (settings, catalogue texts, the error
// detail, loaded definition lines, report lines, transaction parameters) lives
// in 39 numbered lists sharing one block of 65535 bytes (memory owner 1,
// STRINGINIT). Lists 0-36 are stacks (the top is the last element), lists 37
// and 38 queues (the top is element 0). Elements are byte strings.
//
// Block layout, in this order:
//   offset 0     39 x u16   element count of each list
//   offset 78    2048 x u16 element lengths in global order: the elements of
//                           list 0, then of list 1, ... (global index of
//                           element i of list n = i + counts of lists < n)
//   offset 4174  61361 B    element data back to back in the same order
// Invariants: counts add up to the slots in use, lengths to the data bytes
// in use; at most 2047 slots and 61360 data bytes are ever in use.
//
// Errors: 159 STROUTBOUND when a change would not fit or the list number is
// 39 or more; the store is then unchanged and 156 LOADSTRERROR (module 2) is
// recorded when nothing was recorded before. Reading beyond a list's count
// gives an empty string; deleting or popping beyond it does nothing.
//
// DynStrGet returns a view into the block: it stays valid only until the next
// change of any list. Single-threaded, process-wide. The block is freed at
// shutdown by RuntimeMemFree (memory.h), to which DynStrInit registers it.
#pragma once
#include <cstdint>

#include "runtime/memory.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

// List numbers and their holders.
enum DynList : uint16_t {
  SettingsList = 0,
  FileNamesList = 1,        // data management: data-file names
  FileLocationsList = 2,    // data management: data-file locations
  FieldNamesList = 3,       // data management: field names
  RelationKeysList = 4,     // data management: relation-key lists
  MenuCommandsList = 5,     // command lines of the menu bar items
  RecBufPairsList = 6,      // data management: record-buffer pairs
  RelationStmtList = 7,     // data management: relation statements
  ReportLinesList = 8,      // report definition lines
  SystemTextList = 9,
  TransParamsList = 10,     // transaction parameters
  VarNamesList = 12,        // variable names
  StrVarValuesList = 13,    // string-variable values
  ResultsStack = 30,        // EXEC$ results, chosen file names, import values
  ObjParamsList = 31,       // object parameter strings (top = current), temporary names to delete
  AcceptQueueList = 32,     // queued ACCEPT fields
  OpenFileStatesList = 33,  // open-file states
  SelectionList = 34,       // pending selection results of screens: expression ":" field names
  ArgStack = 35,            // argument stack of built-ins and statements
  FileLinesQueue = 37,      // text files read line by line for their readers
  SecondLinesQueue = 38,
};

// Items of SettingsList.
enum SettingsListItem : uint16_t {
  SetLocaleItem = 0,
  SetCommandLineItem = 1,
  SetIdentityItem = 2,
  SetTitleItem = 3,
  SetLanguageItem = 4,
  SetDefaultDirItem = 5,
  SetDocsDirItem = 6,
  SetHelpDirItem = 7,
  SetDecimalsItem = 10,
  SetDatabaseItem = 11,
};

// Items of SystemTextList.
enum SystemTextItem : uint16_t {
  SysCatalogueItem = 2,
  SysPdfHeaderItem = 3,  // the PDF header picture of the report being printed
  SysEventNamesItem = 8,
  SysErrDetailItem = 9,
  SysLogNameItem = 10,
  SysScanCondItem = 11,  // the condition of the file scan running now
};

constexpr uint16_t kDynLists = 39;
constexpr uint16_t kDynQueueFirst = 37;   // lists from here on are queues
constexpr uint32_t kDynSlots = 2048;
constexpr uint32_t kDynBlockSize = 65535;
constexpr uint32_t kDynDataOffset = kDynLists * 2 + kDynSlots * 2;
constexpr uint32_t kDynDataCapacity = kDynBlockSize - kDynDataOffset;  // 61361

// Creates the memory table and string area when not active yet (MemInit),
// then the zero-filled block. 124 when the store already exists.
Status DynStrInit();
// Frees the block (RuntimeMemFree calls it through MemSetStoreRelease).
Status DynStrFree();

namespace dyndetail {
struct Store {
  unsigned char* block = nullptr;
  uint16_t memSlot = 65535;
  uint32_t slotsUsed = 0;
  uint32_t bytesUsed = 0;
  MemBlockWatch watch;
  // Kept beside the block so that no access sums counts or lengths: the
  // global index of the first element of each list (first[kDynLists] =
  // slotsUsed) and the data offset of each element (offset[slotsUsed] =
  // bytesUsed).
  uint32_t first[kDynLists + 1] = {};
  uint32_t offset[kDynSlots + 1] = {};
};
inline Store g_store;
inline char g_empty[1] = {0};
inline uint16_t* Counts() { return reinterpret_cast<uint16_t*>(g_store.block); }
inline uint16_t* Lens() { return reinterpret_cast<uint16_t*>(g_store.block + kDynLists * 2); }
inline char* Data() { return reinterpret_cast<char*>(g_store.block + kDynDataOffset); }
}  // namespace dyndetail

// The block counts as live only while the memory table still holds it: a
// forced shutdown of the table frees it behind the store's back.
inline bool DynStrReady() {
  dyndetail::Store& s = dyndetail::g_store;
  return s.block && s.watch.Alive(s.memSlot, s.block, MOD_STRINGINIT, kDynBlockSize);
}

inline StrValue DynStrGet(uint16_t n, uint32_t i) {
  using namespace dyndetail;
  if (n >= kDynLists || !DynStrReady() || i >= Counts()[n]) return StrValue{g_empty, 0};
  uint32_t global = g_store.first[n] + i;
  return StrValue{Data() + g_store.offset[global], Lens()[global]};
}
Status DynStrSet(uint16_t n, uint32_t i, StrValue s);
Status DynStrPush(uint16_t n, StrValue s);
StrValue DynStrTop(uint16_t n);
Status DynStrPop(uint16_t n);
StrValue DynStrPopString(uint16_t n);  // the top copied into the string area
Status DynStrPopTo(uint16_t n, uint32_t m);
Status DynStrDelete(uint16_t n, uint32_t i);
Status DynStrClear(uint16_t n);
// Elements of list n; n = 39 gives the sum over lists 30 to 38.
uint32_t DynStrCount(uint16_t n);
// Global element index, 65535 when n >= 39 or the index reaches 2048 (with
// record set, 159 is then recorded with module 14).
uint16_t DynStrSlotIndex(uint16_t n, uint32_t i, bool record);

// Bookkeeping, for checks and tests.
uint32_t DynStrSlotsUsed();
uint32_t DynStrBytesUsed();
// True when the counts, lengths and bookkeeping agree.
bool DynStrCheck();
