// Streams and files: the StreamTable and whole-file operations by name.
//
// Scripts and other modules hold a small stream number instead of a file
// handle: 40 slots, 0 standard input, 1 standard output, 2 standard error,
// 3-39 files opened by StreamOpen. Every access goes through the host file
// layer (platform/host/files.h), so names may use "\" and any letter case.
//
// Open flags: 2 write (create or truncate), 4 append, neither read; 8 read
// only (otherwise the stream also reads/writes); 0x80 quiet. A missing file is
// created empty unless the read-only flag is set; an existing file is never
// truncated except by the write flag.
//
// Positions are 64-bit; kStreamHere (-1) means "the current position" for
// reads and "append at the end" for writes. Counts are 32-bit; kStreamFail
// means nothing or too little could be read, or a write failed.
// A name that is no regular file (a FIFO, a device node) is read and
// written in order, positions ignored.
//
// A write to a file that fails part way (a full disk) leaves the file as it
// was before the call: what it overwrote is put back, what it added cut off.
//
// Lines end at CR LF, a lone CR or a lone LF (also when a CR LF is split
// between two reads); a line that is the single byte 26 (Ctrl-Z) is skipped.
//
// Errors: opening answers 163 (empty name or 384 characters or more), 168
// (no free slot) or 164 (cannot open); unless quiet, the name is appended to
// the error detail, the code recorded with module 17 and 65535 returned. A
// line longer than the reader's room records 146 with the file name and is
// skipped whole. Every operation on an empty slot answers an error. 130 for a
// failed seek or sync and for "no further line"; 131 for FileWrite.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kStreamSlots = 40;
constexpr uint16_t kStreamFirstFile = 3;
constexpr uint16_t kStreamNameMax = 384;  // names must be shorter

enum StreamFlag : uint16_t {
  kStreamWrite = 2,
  kStreamAppend = 4,
  kStreamReadOnly = 8,
  kStreamQuiet = 0x80,
};

constexpr int64_t kStreamHere = -1;      // current position / append
constexpr int64_t kStreamReplace = -2;   // FileWriteAt: replace the whole file
constexpr uint32_t kStreamLine = 0xffffffff;  // StreamRead length: one line
constexpr uint32_t kStreamFail = 0xffffffff;  // StreamRead/Write/FileReadAt result
constexpr uint32_t kStreamToEnd = 0xffffffff;  // FileRead length: to the end

constexpr uint16_t kStreamNoSlot = 65535;    // StreamOpen result: not opened

void StreamTableInit();
uint16_t StreamOpen(StrValue name, uint16_t flags);
Status StreamClose(uint16_t slot);  // 0; 151 for an empty slot; 0-2 stay open
void StreamCloseAll();              // closes slots 3-39
int StreamGet(uint16_t slot);       // the descriptor, -1 when empty
Status StreamSet(uint16_t slot, int fd);
uint16_t StreamFreeSlot();          // 65535 when none
int64_t StreamTell(uint16_t slot);  // 0 for slot 0, -1 for an empty slot
Status StreamSeek(uint16_t slot, int64_t position);
int64_t StreamSize(uint16_t slot);  // -1 for slots 0-2 and empty slots
bool StreamAtEnd(uint16_t slot);
Status StreamSync(uint16_t slot);   // flushes the file to the disk
uint32_t StreamRead(uint16_t slot, int64_t position, uint32_t length, char* buf, uint32_t bufSize);
StrValue StreamReadLine(uint16_t slot, int64_t position);
uint32_t StreamWrite(uint16_t slot, int64_t position, const char* bytes, uint32_t length);
Status StreamWriteStr(uint16_t slot, int64_t position, StrValue s);

StrValue FileRead(StrValue name, int64_t offset, uint32_t length);
uint32_t FileReadAt(StrValue name, int64_t offset, uint32_t length, char* buf);
StrValue FileReadJoined(StrValue name, StrValue separator);
Status FileWrite(StrValue name, int64_t offset, StrValue text);
uint32_t FileWriteAt(StrValue name, int64_t offset, StrValue text);
int64_t FileSize(StrValue name);
Status FileDelete(StrValue name);
Status FileRename(StrValue name, StrValue newName);

// Appends every remaining line of the stream / of the named file (opened
// read-only) to string list `list`; *queued tells how many. When the store or
// a line runs out of room, the lines queued by this call are removed again and
// the code (159 or 146) is answered with the file name in the error detail.
Status StreamLinesLoad(uint16_t slot, uint16_t list, uint32_t* queued);
Status FileLinesLoad(StrValue name, uint16_t list, uint32_t* queued);
