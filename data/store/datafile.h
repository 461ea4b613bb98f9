// Data files by number: the record store as the rest of the system sees it.
//
// Owns one control block and one DataStore (datastore.h) per defined data
// file (30 at most). Maps file numbers (0, 255 or a number above the count of
// defined files means the current file, `_CURFIL`), reads each file's name,
// location, record length and keys from the dictionary at open, takes its
// record buffer pair from the record buffers, and reads the switches of
// `_UPSTAT` (bit 2 temporary mode) and `_COMPAT` (bit 2 index extension NDX,
// bit 8 names cut to 8 characters).
//
// Every operation first checks the file number (168 with the dictionary's
// detail). Results below 128 are the soft data-file results of datastore.h;
// errors 168 (bad key), 169 (closed file or no index) and 175 (write on a
// read-only open, lock marker) are recorded with module 18 and the file's
// name in the detail; 130, 137 and the open's 0xffff are recorded where they
// arise. Callers: relations and actions, selections and scans, rebuild,
// screens, reports and both application layers.
#pragma once
#include <cstdint>

#include "data/store/datastore.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kMaxDataFiles = 30;

// The control block of file n (1..count); null with 168 recorded otherwise.
DataFileCtrlBlock* DataFileCtrl(int n);
void DataFileCtrlInit(int n);
int DataFileNum(int file);
int DataFileSetCurrent(int n);
// The file's name of a kind: 1 name, 2 data, 3 index, 4 NDX, 5 work copy,
// 6 text, 7 a fresh temporary file (its name also pushed on string list 31).
StrValue DataFileName(int file, int kind);

Status DataFileOpen(int file, uint8_t flags);
Status DataFileClose(int file);
// Closes every open data file, saving its index; the first error is answered.
Status DataFileCloseAll();
Status DataFileReadKey(int file, int key, StrValue text, uint16_t flags);
Status DataFileFindKey(int file, int key, StrValue text, uint16_t part);
Status DataFileMove(int file, uint16_t flags);
Status DataFileMoveLimit(int file, uint16_t flags, StrValue limit);
Status DataFileKeyLimit(int file, uint16_t flags, StrValue limit);
Status DataFileInsert(int file);
Status DataFileUpdate(int file);
Status DataFileDelete(int file, uint16_t flags);
Status DataFileDeleteAll(int file);
Status DataFileReopen(int file, Status code);

// The per-record routine of a key range: its argument in, an error string
// stops the range.
using DataFileRoutine = StrValue (*)(StrValue arg);
Status DataFileReadRange(int file, int key, StrValue text, uint16_t flags, StrValue arg, DataFileRoutine routine);
Status DataFileReadLive(int file, int32_t rec, uint16_t flags, int32_t* reached);
Status DataFileRecRead(int file, int32_t rec);
Status DataFileRecWrite(int file, int32_t rec);
Status DataFileRecLoad(int file, int32_t rec, int part);
uint16_t DataFileKeyGet(int file);
Status DataFileKeySet(int file, int key);
// Without a source copies the control block, buffers, cursor and position
// out to target; with one puts them back.
Status DataFileCtrlSave(DataStoreState* target, int file, const DataStoreState* source);

uint8_t DataFileCountByte();
StrValue DataFileNames();
uint16_t DataFileLineField(int file);
int DataFileUpStat(bool on);
Status DataFileNullHook();

// The index position of a file: record number there (-1 when none), the
// position, N and F. A position of -1 only reads.
struct NdxPositionInfo {
  int64_t rec = -1;
  uint32_t pos = 0;
  uint32_t live = 0;
  uint32_t free = 0;
};
NdxPositionInfo NdxPosition(int file, int64_t pos);
int64_t NdxCurRecNo(int file);

// The store of a file, for the data layer's own modules (scans, rebuild).
DataStore* DataFileStore(int file);
