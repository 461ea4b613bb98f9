#include "runtime/streams.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"

namespace {

constexpr uint32_t kChunk = 512;

constexpr size_t kOutBuffer = 64 * 1024;

struct Slot {
  int fd = -1;
  bool seekable = false;  // files; the standard streams and pipes are read in order
  bool append = false;
  int64_t pos = 0;
  int pushback = -1;  // a byte read ahead from a stream that cannot seek back
  std::string name;
  bool sequential = false;  // opened to write or append: its writes are gathered
  // The file's size as this slot last knew it, its own writes included; -1
  // while it must be asked (another slot may have written since).
  int64_t size = -1;
  bool written = false;  // a first write went to disk (a target that takes no bytes fails there)
};

std::array<Slot, kStreamSlots> g_slots;
bool g_ready = false;

// Writes of one slot not yet on disk: bytes for the file from offset `at`
// on, in order. One slot at a time holds them; any other use of the stream
// table, and any use of that slot but a write following on, puts them on
// disk first.
struct Pending {
  int slot = -1;
  int64_t at = 0;
  std::string bytes;
};
Pending g_out;

// Writes the bytes at `at`: true when all of them went. A write that fails
// half way (a full disk) leaves the file as it was: the bytes it overwrote
// are put back (they need no new room on the disk) and the file is cut
// back to the length it had.
bool WriteWhole(int fd, const char* bytes, uint32_t length, int64_t at) {
  int64_t size = host::Size(fd);
  std::string overwritten;
  if (size > at) {
    overwritten.resize(static_cast<size_t>(std::min<int64_t>(size - at, length)));
    if (host::ReadAt(fd, overwritten.data(), overwritten.size(), at) != static_cast<int64_t>(overwritten.size()))
      overwritten.clear();  // nothing to put back with: the write goes on all the same
  }
  if (host::WriteAt(fd, bytes, length, at) == length) return true;
  if (!overwritten.empty()) host::WriteAt(fd, overwritten.data(), overwritten.size(), at);
  if (size >= 0 && host::Size(fd) > size) host::Truncate(fd, size);
  return false;
}

// Puts the pending bytes on disk: OK, or DISKIO when they did not all go.
Status FlushOut() {
  if (g_out.slot < 0) return st::OK;
  Slot& s = g_slots[static_cast<size_t>(g_out.slot)];
  g_out.slot = -1;
  auto n = static_cast<uint32_t>(g_out.bytes.size());
  bool whole = n == 0 || WriteWhole(s.fd, g_out.bytes.data(), n, g_out.at);
  g_out.bytes.clear();
  if (!whole) s.size = -1;
  return whole ? st::OK : st::DISKIO;
}

// Before anything but a write following on in slot `keep`: the pending
// bytes go to disk, and a slot other than `keep` forgets the size it knew.
void FlushFor(int keep) {
  if (g_out.slot < 0 || g_out.slot == keep) return;
  g_slots[static_cast<size_t>(g_out.slot)].size = -1;
  FlushOut();
}
// The sizes the slots know hold while only the slot that wrote last writes:
// another writer, or a file opened, written, removed or renamed by name,
// makes every slot ask again.
int g_lastWriter = -1;
void ForgetSizes() {
  for (Slot& s : g_slots) s.size = -1;
  g_lastWriter = -1;
}

void FlushAll() {
  FlushOut();
  ForgetSizes();
}

// At exit, what is still gathered goes to disk.
struct FlushAtExit {
  ~FlushAtExit() { FlushOut(); }
} g_flushAtExit;

Slot* Live(uint16_t slot) {
  StreamTableInit();
  return slot < kStreamSlots && g_slots[slot].fd >= 0 ? &g_slots[slot] : nullptr;
}

// A slot about to be used other than by a write: its own pending bytes and
// any other slot's go to disk first.
Slot* LiveFlushed(uint16_t slot) {
  Slot* s = Live(slot);
  if (s && g_out.slot == slot) {
    if (FlushOut() != st::OK) s->size = -1;
  } else {
    FlushFor(slot);
  }
  return s;
}

// Where a write at `position` goes: the end of the file for kStreamHere and
// for an appending slot (the size this slot knows, else asked), else the
// position; -1 when it cannot be told.
int64_t WriteOffset(Slot& s, int64_t position) {
  if (position != kStreamHere && !s.append) return position;
  if (s.size < 0) s.size = host::Size(s.fd);
  return s.size;
}

// Appends the file name to the detail and records code with module 17.
Status Fail(const std::string& name, Status code) {
  ErrDetailSet(code, StrMake(name.data(), static_cast<uint32_t>(name.size())), true);
  return ErrSet(1, MOD_STREAMS, code, code);
}

bool IsConsole(std::string_view n) {
  return n.size() == 3 && (n[0] | 0x20) == 'c' && (n[1] | 0x20) == 'o' && (n[2] | 0x20) == 'n';
}

unsigned HostMode(uint16_t flags) {
  bool readOnly = flags & kStreamReadOnly;
  unsigned both = readOnly ? 0u : unsigned{host::kOpenRead};
  if (flags & kStreamWrite) return host::kOpenWrite | host::kOpenCreate | host::kOpenTruncate | both;
  if (flags & kStreamAppend) return host::kOpenAppend | host::kOpenCreate | both;
  return host::kOpenRead | (readOnly ? 0u : unsigned{host::kOpenWrite | host::kOpenCreate});
}

// StreamOpen without the quiet rule: the slot, or kStreamNoSlot with *code set.
uint16_t OpenNamed(StrValue name, uint16_t flags, Status* code) {
  StreamTableInit();
  FlushAll();
  std::string_view n = name.View();
  *code = st::OK;
  if (name.IsError() || n.empty() || n.size() >= kStreamNameMax) *code = st::BADINPUTDATA;
  else if (IsConsole(n)) return (flags & 0x1f) == kStreamWrite ? 1 : 0;
  uint16_t slot = *code ? kStreamNoSlot : StreamFreeSlot();
  if (!*code && slot == kStreamNoSlot) *code = st::DATAOUTBOUND;
  int fd = *code ? -1 : host::Open(n, HostMode(flags));
  if (!*code && fd < 0) *code = st::FILENOTFOUND;
  if (*code) {
    if (!(flags & kStreamQuiet)) Fail(std::string(n), *code);
    return kStreamNoSlot;
  }
  g_slots[slot] = Slot{fd, host::Seekable(fd), (flags & (kStreamWrite | kStreamAppend)) == kStreamAppend, 0, -1, std::string(n)};
  g_slots[slot].sequential = (flags & (kStreamWrite | kStreamAppend)) != 0;
  return slot;
}

// Reads up to n bytes at the slot's position and advances it: 0 at the end,
// -1 on failure. Streams that cannot seek are read one byte at a time.
int64_t RawRead(Slot& s, char* buf, uint32_t n) {
  if (n == 0) return 0;
  if (s.seekable) {
    int64_t r = host::ReadAt(s.fd, buf, n, s.pos);
    if (r > 0) s.pos += r;
    return r;
  }
  if (s.pushback >= 0) {
    buf[0] = static_cast<char>(s.pushback);
    s.pushback = -1;
    return 1;
  }
  return host::Read(s.fd, buf, 1);
}

void Unread(Slot& s, uint32_t n, char last) {
  if (s.seekable) s.pos -= n;
  else s.pushback = static_cast<unsigned char>(last);
}

// Consumes the LF of a CR LF whose CR ended the last chunk.
void SkipLfAfterCr(Slot& s) {
  char c;
  if (RawRead(s, &c, 1) == 1 && c != '\n') Unread(s, 1, c);
}

struct LineRead {
  uint64_t length = 0;  // the line's real length
  uint32_t kept = 0;    // bytes stored in the buffer
  bool any = false;     // anything read at all
  char first = 0;
};

// Reads to the next line end, keeping at most cap bytes; -1 on a read error.
int ReadToLineEnd(Slot& s, char* buf, uint32_t cap, LineRead* line) {
  char chunk[kChunk];
  for (;;) {
    int64_t got = RawRead(s, chunk, s.seekable ? kChunk : 1);
    if (got < 0) return -1;
    if (got == 0) return 0;
    auto n = static_cast<uint32_t>(got);
    uint32_t j = 0;
    while (j < n && chunk[j] != '\r' && chunk[j] != '\n') ++j;
    if (!line->any && j > 0) line->first = chunk[0];
    line->any = true;
    uint32_t take = cap - line->kept < j ? cap - line->kept : j;
    if (take) std::copy(chunk, chunk + take, buf + line->kept);
    line->kept += take;
    line->length += j;
    if (j == n) continue;
    uint32_t after = j + 1;
    if (chunk[j] == '\r' && after < n && chunk[after] == '\n') ++after;
    else if (chunk[j] == '\r' && after == n) SkipLfAfterCr(s);
    if (after < n) Unread(s, n - after, chunk[n - 1]);
    return 0;
  }
}

// One line into buf: OK with *len, OUTOFDATA at the end, STRINGTOOLONG for a
// line longer than cap (skipped whole), DISKIO on a read error.
Status ReadLine(Slot& s, char* buf, uint32_t cap, uint32_t* len) {
  for (;;) {
    LineRead line;
    if (ReadToLineEnd(s, buf, cap, &line) < 0) return st::DISKIO;
    if (!line.any) return st::OUTOFDATA;
    if (line.length > cap) return st::STRINGTOOLONG;
    if (line.length == 1 && line.first == 26) continue;
    *len = line.kept;
    return st::OK;
  }
}

uint32_t ReadFixed(Slot& s, uint32_t length, char* buf) {
  uint32_t done = 0;
  while (done < length) {
    int64_t r = RawRead(s, buf + done, length - done);
    if (r <= 0) break;
    done += static_cast<uint32_t>(r);
  }
  return done == length ? done : kStreamFail;
}

bool Position(Slot& s, int64_t position) {
  if (position == kStreamHere || !s.seekable) return true;
  if (position < 0) return false;
  s.pos = position;
  return true;
}

Status RejectName(StrValue name) {
  if (name.IsError() || name.len == 0 || name.len >= kStreamNameMax)
    return ErrSet(1, MOD_STREAMS, st::BADINPUTDATA, st::BADINPUTDATA);
  return st::OK;
}

// Removes the last k elements of a list (the ones a loader appended).
void DropLast(uint16_t list, uint32_t k) {
  for (; k > 0 && DynStrCount(list) > 0; --k) DynStrDelete(list, DynStrCount(list) - 1);
}

}  // namespace

// --- The stream table ----------------------------------------------------------

void StreamTableInit() {
  if (g_ready) return;
  g_ready = true;
  for (int fd = 0; fd < 3; ++fd) g_slots[fd] = Slot{fd, false, false, 0, -1, fd == 0 ? "stdin" : fd == 1 ? "stdout" : "stderr"};
}

uint16_t StreamOpen(StrValue name, uint16_t flags) {
  Status code;
  uint16_t slot = OpenNamed(name, flags, &code);
  return code && (flags & kStreamQuiet) ? code : slot;
}

// Puts the slot's own pending bytes on disk (the others' too): their status.
Status FlushSlot(uint16_t slot) {
  if (g_out.slot == slot) return FlushOut();
  FlushFor(slot);
  return st::OK;
}

Status StreamClose(uint16_t slot) {
  Slot* s = Live(slot);
  if (!s) return st::BADFILENUMBER;
  Status flushed = FlushSlot(slot);
  if (slot < kStreamFirstFile) return st::OK;
  int r = host::Close(s->fd);
  *s = Slot{};
  return r == 0 && flushed == st::OK ? st::OK : st::DISKIO;
}

void StreamCloseAll() {
  for (uint16_t k = kStreamFirstFile; k < kStreamSlots; ++k)
    if (g_slots[k].fd >= 0) StreamClose(k);
}

int StreamGet(uint16_t slot) {
  Slot* s = LiveFlushed(slot);
  return s ? s->fd : -1;
}

Status StreamSet(uint16_t slot, int fd) {
  StreamTableInit();
  FlushAll();
  if (slot >= kStreamSlots) return st::BADFILENUMBER;
  g_slots[slot] = fd < 0 ? Slot{} : Slot{fd, host::Seekable(fd), false, 0, -1, std::string(1, '#').append(std::to_string(slot))};
  return st::OK;
}

uint16_t StreamFreeSlot() {
  StreamTableInit();
  for (uint16_t k = kStreamFirstFile; k < kStreamSlots; ++k)
    if (g_slots[k].fd < 0) return k;
  return kStreamNoSlot;
}

int64_t StreamTell(uint16_t slot) {
  Slot* s = Live(slot);
  if (!s) return -1;
  return s->seekable ? s->pos : 0;
}

Status StreamSeek(uint16_t slot, int64_t position) {
  Slot* s = LiveFlushed(slot);
  if (!s || !s->seekable || position < 0) return st::DISKIO;
  s->pos = position;
  return st::OK;
}

int64_t StreamSize(uint16_t slot) {
  Slot* s = LiveFlushed(slot);
  return s && s->seekable ? host::Size(s->fd) : -1;
}

bool StreamAtEnd(uint16_t slot) {
  Slot* s = LiveFlushed(slot);
  if (!s) return true;
  if (s->seekable) return s->pos >= host::Size(s->fd);
  char c;
  if (RawRead(*s, &c, 1) != 1) return true;
  Unread(*s, 1, c);
  return false;
}

Status StreamSync(uint16_t slot) {
  Slot* s = Live(slot);
  if (!s) return st::BADFILENUMBER;
  Status flushed = FlushSlot(slot);
  if (!s->seekable) return st::OK;
  return host::Sync(s->fd) == 0 && flushed == st::OK ? st::OK : st::DISKIO;
}

uint32_t StreamRead(uint16_t slot, int64_t position, uint32_t length, char* buf, uint32_t bufSize) {
  Slot* s = LiveFlushed(slot);
  if (!s || !buf || !Position(*s, position)) return kStreamFail;
  if (length != kStreamLine) return length <= bufSize ? ReadFixed(*s, length, buf) : kStreamFail;
  uint32_t n = 0;
  Status r = ReadLine(*s, buf, bufSize, &n);
  if (r == st::STRINGTOOLONG) Fail(s->name, r);
  return r == st::OK ? n : kStreamFail;
}

StrValue StreamReadLine(uint16_t slot, int64_t position) {
  Slot* s = LiveFlushed(slot);
  if (!s) return StrErr(st::BADFILENUMBER);
  if (!Position(*s, position)) return StrErr(st::DISKIO);
  uint16_t mark = StrAreaMark(-1);
  StrValue room = StrAreaFreeSpace();
  if (room.IsError()) return room;
  uint32_t n = 0;
  Status r = ReadLine(*s, room.ptr, room.len, &n);
  if (r == st::STRINGTOOLONG) return StrErr(Fail(s->name, r));
  if (r != st::OK) return StrErr(st::DISKIO);
  return StrAreaReturn(mark, StrValue{room.ptr, static_cast<uint16_t>(n)});
}

uint32_t StreamWrite(uint16_t slot, int64_t position, const char* bytes, uint32_t length) {
  Slot* s = Live(slot);
  if (!s || !bytes || slot == 0) return kStreamFail;
  FlushFor(slot);
  if (g_lastWriter != slot) {
    ForgetSizes();
    g_lastWriter = slot;
  }
  if (!s->seekable) return host::Write(s->fd, bytes, length) == length ? length : kStreamFail;
  if (position < kStreamHere) return kStreamFail;
  int64_t at = WriteOffset(*s, position);
  if (at < 0) return kStreamFail;
  bool followsOn = g_out.slot == slot && at == g_out.at + static_cast<int64_t>(g_out.bytes.size());
  if (!followsOn && FlushOut() != st::OK) return kStreamFail;
  if (s->sequential && s->written) {
    // Gathered: the bytes go to disk at a flush (a full buffer, a close, a
    // sync, any other use of the table). The first write went straight to
    // disk, so that an output that takes nothing fails before any work is
    // done for it.
    if (!followsOn) {
      g_out.slot = slot;
      g_out.at = at;
    }
    g_out.bytes.append(bytes, length);
    if (g_out.bytes.size() >= kOutBuffer && FlushOut() != st::OK) return kStreamFail;
  } else if (!WriteWhole(s->fd, bytes, length, at)) {
    s->size = -1;
    return kStreamFail;
  }
  s->written = true;
  s->pos = at + length;
  if (s->size >= 0) s->size = std::max(s->size, s->pos);
  return length;
}

Status StreamWriteStr(uint16_t slot, int64_t position, StrValue s) {
  if (Status e = StrError(s)) return e;
  return StreamWrite(slot, position, s.ptr, s.len) == s.len ? st::OK : st::NOTFOUND;
}

// --- Whole files by name ----------------------------------------------------------

uint32_t FileReadAt(StrValue name, int64_t offset, uint32_t length, char* buf) {
  uint16_t slot = StreamOpen(name, kStreamReadOnly);
  if (slot == 65535) return kStreamFail;
  uint32_t n = StreamRead(slot, offset < 0 ? 0 : offset, length, buf, length);
  StreamClose(slot);
  return n;
}

StrValue FileRead(StrValue name, int64_t offset, uint32_t length) {
  uint16_t mark = StrAreaMark(-1);
  if (length == 0) return StrAreaReturn(mark, StrMake("", 0));
  Status code;
  uint16_t slot = OpenNamed(name, kStreamReadOnly, &code);
  if (slot == 65535) return StrErr(code);
  if (offset < 0) offset = 0;
  int64_t size = StreamSize(slot);
  int64_t want = length != kStreamToEnd ? length : size > offset ? size - offset : 0;
  code = want > kStrMaxLen ? Fail(g_slots[slot].name, st::STRINGTOOLONG) : want > StrAreaFreeBytes() ? st::OUTOFMEMORY : 0;
  char* p = code ? nullptr : StrAreaAllocPtr(static_cast<uint32_t>(want), 255);
  if (!code && !p) code = st::OUTOFMEMORY;
  uint32_t n = code ? 0 : StreamRead(slot, offset, static_cast<uint32_t>(want), p, static_cast<uint32_t>(want));
  StreamClose(slot);
  if (!code && n != want) code = st::NOTFOUND;
  if (code) return StrAreaReturn(mark, StrErr(code));
  return StrValue{p, static_cast<uint16_t>(want)};
}

StrValue FileReadJoined(StrValue name, StrValue separator) {
  if (Status e = StrError(separator)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  StrValue whole = FileRead(name, 0, kStreamToEnd);
  if (whole.IsError()) return whole;
  std::string out;
  std::string_view v = whole.View();
  for (size_t k = 0; k < v.size(); ++k) {
    if (v[k] == '\r' && k + 1 < v.size() && v[k + 1] == '\n') ++k;
    if (v[k] == '\n') out.append(separator.View());
    else out.push_back(v[k]);
  }
  return StrAreaReturn(mark, StrMake(out.data(), static_cast<uint32_t>(out.size())));
}

uint32_t FileWriteAt(StrValue name, int64_t offset, StrValue text) {
  if (text.IsError() || RejectName(name)) return kStreamFail;
  FlushAll();
  if (offset == kStreamReplace) {
    if (host::ReplaceFile(name.View(), text.ptr, text.len) == 0) return text.len;
    Fail(name.Str(), host::LastStatus());
    return kStreamFail;
  }
  if (text.len == 0 || offset < kStreamHere) return kStreamFail;
  uint16_t slot = StreamOpen(name, 0);
  if (slot == 65535) return kStreamFail;
  uint32_t n = StreamWrite(slot, offset, text.ptr, text.len);
  StreamClose(slot);
  return n;
}

Status FileWrite(StrValue name, int64_t offset, StrValue text) {
  if (Status e = StrError(text)) return e;
  return FileWriteAt(name, offset, text) == text.len ? st::OK : st::FILEIO;
}

int64_t FileSize(StrValue name) {
  uint16_t slot = StreamOpen(name, kStreamReadOnly);
  if (slot == 65535) return 0;
  int64_t size = StreamSize(slot);
  StreamClose(slot);
  return size < 0 ? 0 : size;
}

Status FileDelete(StrValue name) {
  if (name.IsError()) return st::NOTFOUND;
  FlushAll();
  return host::Remove(name.View()) == 0 ? st::OK : st::NOTFOUND;
}

Status FileRename(StrValue name, StrValue newName) {
  if (name.IsError() || newName.IsError()) return st::NOTFOUND;
  FlushAll();
  return host::Rename(name.View(), newName.View()) == 0 ? st::OK : st::NOTFOUND;
}

// --- Loading lines into the string-list store -------------------------------------

Status StreamLinesLoad(uint16_t slot, uint16_t list, uint32_t* queued) {
  *queued = 0;
  Slot* s = LiveFlushed(slot);
  if (!s) return st::BADFILENUMBER;
  uint16_t mark = StrAreaMark(-1);
  StrValue room = StrAreaFreeSpace();
  Status r = StrError(room);
  while (r == st::OK) {
    uint32_t n = 0;
    r = ReadLine(*s, room.ptr, room.len, &n);
    if (r == st::OK && (r = DynStrPush(list, StrValue{room.ptr, static_cast<uint16_t>(n)})) == st::OK) ++*queued;
  }
  StrAreaRelease(mark, 0);
  if (r == st::OUTOFDATA) return st::OK;
  DropLast(list, *queued);
  *queued = 0;
  return Fail(s->name, r);
}

Status FileLinesLoad(StrValue name, uint16_t list, uint32_t* queued) {
  *queued = 0;
  Status code;
  uint16_t slot = OpenNamed(name, kStreamReadOnly, &code);
  if (slot == 65535) return code;
  Status r = StreamLinesLoad(slot, list, queued);
  StreamClose(slot);
  return r;
}
