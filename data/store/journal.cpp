#include "data/store/journal.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/store/datafail.h"
#include "data/store/recfile.h"
#include "data/store/recio.h"
#include "data/store/runstatus.h"
#include "platform/host/files.h"
#include "runtime/kxassert.h"
#include "runtime/paths.h"

namespace {

constexpr char kMagic[] = "KXJRNL1\n";
constexpr uint64_t kHeaderBytes = 16;
constexpr uint64_t kUndoneAt = 8;

// --- Bytes -----------------------------------------------------------------------

void PutU(std::string& b, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutText(std::string& b, const std::string& t) {
  PutU(b, t.size(), 2);
  b += t;
}

// The sum of an entry: FNV-1a started from the journal's generation, so an
// entry written under another generation never passes.
uint32_t Fnv(const char* p, size_t n, uint32_t generation) {
  uint32_t h = 2166136261u ^ generation;
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint8_t>(p[i])) * 16777619u;
  return h;
}

// Reads the fields of one entry in order; a read past the end fails it.
class Fields {
 public:
  Fields(const std::string& b, size_t at, size_t end) : b_(b), at_(at), end_(end) {}
  uint64_t U(int bytes) {
    if (at_ + bytes > end_) {
      ok_ = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b_[at_ + i]);
    at_ += bytes;
    return v;
  }
  std::string Text() { return Bytes(U(2)); }
  std::string Bytes(uint64_t n) {
    if (!ok_ || at_ + n > end_) {
      ok_ = false;
      return std::string();
    }
    std::string t = b_.substr(at_, n);
    at_ += n;
    return t;
  }
  std::string Rest() { return Bytes(end_ - at_); }
  bool Ok() const { return ok_; }

 private:
  const std::string& b_;
  size_t at_, end_;
  bool ok_ = true;
};

std::string Abs(const std::string& path) { return recio::Absolute(recio::HostPath(path)); }

// Syncs the directories of paths, each once: the names made, renamed or
// deleted in them survive a power cut.
bool SyncDirs(const std::set<std::string>& paths, uint64_t* syncs) {
  std::set<std::string> dirs;
  for (const std::string& p : paths) dirs.insert(host::DirName(p));
  for (const std::string& d : dirs) {
    if (host::SyncDir(d) != 0) return false;
    ++*syncs;
  }
  return true;
}

Status HostFail(const std::string& detail) { return DataFail(host::LastStatus(), detail); }

// Deletes the second names a committed run leaves, for good before the
// journal that names them goes: a second name back after a power cut with
// no journal naming it would stay for ever.
Status DropSeconds(const std::vector<std::string>& seconds, uint64_t* syncs) {
  for (const std::string& second : seconds)
    if (recio::Exists(second) && !recio::Remove(second)) return HostFail(second + ": cannot be deleted");
  std::set<std::string> named(seconds.begin(), seconds.end());
  return SyncDirs(named, syncs) ? 0 : HostFail("the folder of a second name: not synced");
}

// --- Entries as read back ------------------------------------------------------------

struct Entry {
  char type = 0;
  uint32_t id = 0;
  uint32_t recLen = 0;
  uint64_t number = 0;  // size (F) or record (R)
  bool kept = false;    // X: renamed or linked; T: existed
  std::string path, second, bytes;
  uint64_t at = 0;  // its offset in the journal
};

bool Parse(char type, Fields& f, Entry* e) {
  e->type = type;
  switch (type) {
    case 'F':
      e->id = static_cast<uint32_t>(f.U(4));
      e->recLen = static_cast<uint32_t>(f.U(4));
      e->number = f.U(8);
      e->path = f.Rest();
      break;
    case 'R':
      e->id = static_cast<uint32_t>(f.U(4));
      e->number = f.U(8);
      e->bytes = f.Rest();
      break;
    case 'X':
      e->kept = f.U(1) != 0;
      e->path = f.Text();
      e->second = f.Rest();
      break;
    case 'T':
      e->kept = f.U(1) != 0;
      e->path = f.Text();
      e->bytes = f.Rest();
      break;
    case 'C': break;
    default: return false;
  }
  return f.Ok();
}

// The entries of a journal file up to the first one cut short or damaged;
// false when the file cannot be read or is no journal.
bool ReadJournal(const std::string& path, std::vector<Entry>* out, uint32_t* undone) {
  std::string b;
  bool missing = false;
  if (!recio::ReadWhole(path, &b, &missing)) return false;
  *undone = 0;
  // A journal cut within its header never got an entry: nothing to undo.
  if (b.size() < kHeaderBytes) {
    size_t n = std::min<size_t>(b.size(), 8);
    return b.compare(0, n, kMagic, n) == 0;
  }
  // A header that never reached the disk (a power cut before the first
  // sync of the journal) reads as zeros: nothing it guards had begun.
  if (b.compare(0, 8, std::string(8, '\0')) == 0) return true;
  if (b.compare(0, 8, kMagic) != 0) return false;
  Fields head(b, kUndoneAt, kHeaderBytes);
  *undone = static_cast<uint32_t>(head.U(4));
  const uint32_t generation = static_cast<uint32_t>(head.U(4));
  for (size_t at = kHeaderBytes; at + 9 <= b.size();) {
    Fields f(b, at, b.size());
    uint64_t n = f.U(4);
    uint32_t sum = static_cast<uint32_t>(f.U(4));
    if (n == 0 || at + 8 + n > b.size() || Fnv(b.data() + at + 8, n, generation) != sum) break;
    Fields body(b, at + 9, at + 8 + n);
    Entry e;
    if (!Parse(b[at + 8], body, &e)) break;
    e.at = at;
    out->push_back(std::move(e));
    at += 8 + n;
  }
  return true;
}

// The number of entries up to and with the last commit: those of runs that
// ended.
size_t Settled(const std::vector<Entry>& entries) {
  for (size_t i = entries.size(); i-- > 0;)
    if (entries[i].type == 'C') return i + 1;
  return 0;
}

// --- Playback ---------------------------------------------------------------------------

// Undoes the entries of a journal from the last one not yet undone to the
// first, counting each in the header once it is done; or finishes a
// committed one. The files the undo wrote are synced.
class Playback {
 public:
  // runFrom: the offset where the run being rolled back in the process
  // began; its entries are undone even after a commit entry of its own
  // that was written but not reported done (its sync failed).
  explicit Playback(std::string journal, uint64_t runFrom = ~0ull) : journal_(std::move(journal)), runFrom_(runFrom) {}
  ~Playback() { CloseAll(); }
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  Status Run() {
    std::vector<Entry> entries;
    uint32_t undone = 0;
    if (!ReadJournal(journal_, &entries, &undone)) return DataFail(st::DISKIO, journal_ + ": not a journal that can be read");
    // Committed runs may come one after the other; only the entries after
    // the last commit belong to a run that did not end (file ids count
    // from 1 in each run).
    size_t first = Settled(entries);
    if (runFrom_ != ~0ull) {
      first = 0;
      while (first < entries.size() && entries[first].at < runFrom_) ++first;
    }
    if (first == entries.size()) return Finish(entries);
    for (size_t i = first; i < entries.size(); ++i)
      if (entries[i].type == 'F') files_[entries[i].id] = &entries[i];
    int fd = recio::Open(journal_, false, false);
    if (fd < 0) return HostFail(journal_);
    Status s = 0;
    size_t left = entries.size() - first;
    for (size_t i = entries.size() - std::min<size_t>(undone, left); i-- > first && s == 0;) {
      s = Undo(entries[i]);
      // Putting back a record or a size may be done twice; a name or a
      // text may not (the file may be another one by then): the count
      // passes them once what was undone up to them is on disk.
      if (s != 0 || (entries[i].type != 'X' && entries[i].type != 'T')) continue;
      std::string count;
      PutU(count, entries.size() - i, 4);
      s = CloseAll();
      if (s == 0 && !SyncDirs({entries[i].path}, &syncs_)) s = HostFail(entries[i].path + ": folder not synced");
      if (s == 0 && !(recio::WriteAt(fd, count.data(), 4, kUndoneAt) && recio::Sync(fd)))
        s = DataFail(st::DISKWRITERROR, journal_);
    }
    recio::Close(fd);
    if (s == 0) s = CloseAll();
    if (s == 0) s = Remove();
    return s;
  }

  uint64_t Syncs() const { return syncs_; }

 private:
  // Committed runs only: their second names are left to delete.
  Status Finish(const std::vector<Entry>& entries) {
    std::vector<std::string> seconds;
    for (const Entry& e : entries)
      if (e.type == 'X' && e.kept) seconds.push_back(e.second);
    if (Status s = DropSeconds(seconds, &syncs_)) return s;
    return Remove();
  }

  // The journal goes for good: a journal back after a power cut would undo
  // again what was written since.
  Status Remove() {
    if (!recio::Remove(journal_)) return HostFail(journal_ + ": cannot be deleted");
    return SyncDirs({journal_}, &syncs_) ? 0 : HostFail(journal_ + ": folder not synced");
  }

  Status Undo(const Entry& e) {
    switch (e.type) {
      case 'R': {
        auto f = files_.find(e.id);
        if (f == files_.end()) return 0;
        int fd = Fd(f->second->path);
        if (fd == -2) return 0;
        if (fd < 0 || !recio::WriteAt(fd, e.bytes.data(), e.bytes.size(), e.number * f->second->recLen))
          return DataFail(st::DISKWRITERROR, f->second->path + ": record " + std::to_string(e.number) + " not put back");
        return 0;
      }
      case 'F': {
        int fd = Fd(e.path);
        if (fd == -2) return 0;
        if (fd < 0 || !recio::Truncate(fd, e.number)) return DataFail(st::DISKWRITERROR, e.path + ": not cut back");
        return 0;
      }
      case 'X': {
        if (Status s = CloseAll()) return s;
        if (!e.kept) return !recio::Exists(e.path) || recio::Remove(e.path) ? 0 : HostFail(e.path + ": cannot be deleted");
        if (!recio::Exists(e.second)) return 0;
        // Killed between the link and the replace, both names are the one
        // old file, over which a rename does nothing: the second name goes.
        if (host::SameFile(e.second, e.path))
          return recio::Remove(e.second) ? 0 : HostFail(e.second + ": cannot be deleted");
        return host::Rename(e.second, e.path) == 0 ? 0 : HostFail(e.second + " -> " + e.path + ": cannot be renamed");
      }
      case 'T': {
        if (Status s = CloseAll()) return s;
        if (!e.kept) return !recio::Exists(e.path) || recio::Remove(e.path) ? 0 : HostFail(e.path + ": cannot be deleted");
        return recio::ReplaceWhole(e.path, e.bytes.data(), e.bytes.size()) ? 0 : HostFail(e.path + ": not put back");
      }
      default: return 0;
    }
  }

  // The open file of a path: -2 when it does not exist (nothing to undo).
  int Fd(const std::string& path) {
    auto it = fds_.find(path);
    if (it != fds_.end()) return it->second;
    if (!recio::Exists(path)) return -2;
    int fd = recio::Open(path, false, false);
    if (fd >= 0) fds_[path] = fd;
    return fd;
  }

  Status CloseAll() {
    Status s = 0;
    for (auto& [path, fd] : fds_) {
      if (!recio::Sync(fd) && s == 0) s = DataFail(st::DISKWRITERROR, path + ": not synced");
      ++syncs_;
      recio::Close(fd);
    }
    fds_.clear();
    return s;
  }

  std::string journal_;
  uint64_t runFrom_;
  std::map<uint32_t, const Entry*> files_;
  std::map<std::string, int> fds_;
  uint64_t syncs_ = 0;
};

// --- The run in progress ---------------------------------------------------------------

struct FileState {
  uint32_t id = 0;
  uint64_t records = 0;  // records in the file when the run first wrote it
  bool indexOnDisk = true;  // its index file described the data then
  RecFileSpec spec;         // to rebuild that index after a rollback
  std::unordered_set<uint64_t> imaged;
  std::unordered_set<uint64_t> ahead;  // imaged beside a changed record, not changed (yet)
};

struct Run {
  int depth = 0;
  RunKind kind = RunKind::kBulk;
  Status doomed = 0;
  std::string journal;  // absolute
  uint64_t start = 0;   // the journal's size when the run began
  uint32_t nextId = 1;
  std::map<std::string, FileState> files;              // by absolute data path
  std::unordered_map<const RecFile*, FileState*> open;  // files of the run open now
  std::set<std::string> created;                       // paths the run created
  std::set<std::string> covered;                       // paths whose first content an X entry restores
  std::vector<std::string> seconds;                    // second names, deleted at commit
  std::set<std::string> texts;
  std::set<std::string> named;  // paths the run made or renamed: their folders are synced at commit
  RunJournalFigures figures;
  const RecFileWatch* savedWatch = nullptr;
};

Run g_run;
RunJournalFigures g_last;
uint64_t g_commits = 0;

// The journal file stays open from one run to the next: the runs that
// commit follow one another in it, each ended by its commit entry, so a
// run costs no creation, folder sync and removal of the file. Mostly full,
// it starts again from its header (Restart); it is removed after a
// rollback or a playback and when every data file is closed
// (RunJournalTidy).
struct Log {
  std::string path;  // absolute; empty when none is open
  int fd = -1;
  uint64_t end = 0;      // with the entries not yet written
  uint64_t written = 0;  // bytes handed to the file
  uint64_t synced = 0;   // bytes on disk
  std::string pending;   // entries appended since the last write: one write each batch
  uint32_t generation = 1;
};
Log g_log;
// The file is made this long at once (zeros after the header), so that an
// entry overwrites bytes the file already has and its sync carries no
// change of size; a run that needs more makes it longer.
constexpr uint64_t kLogBytes = 1 << 20;

// The header of a generation: nothing undone.
std::string Header(uint32_t generation) {
  std::string head(kMagic, 8);
  PutU(head, 0, 4);
  PutU(head, generation, 4);
  return head;
}

// Hands the entries appended so far to the file in one write.
bool LogWrite() {
  if (g_log.pending.empty()) return true;
  if (!recio::WriteAt(g_log.fd, g_log.pending.data(), g_log.pending.size(), g_log.written)) return false;
  g_log.written += g_log.pending.size();
  g_log.pending.clear();
  return true;
}

// The file kept open is still the one of its name (nobody removed or
// replaced it since): appending to another one would guard nothing.
bool StillThere() {
  host::FileIdentity open, named;
  return recio::IdentityOf(g_log.fd, &open) && recio::Identity(g_log.path, &named) && open.device == named.device &&
         open.inode == named.inode;
}

// Entries never handed to the file are dropped: none of them guarded a
// change yet (each change waits for Durable).
void LogClose() {
  if (g_log.fd >= 0) recio::Close(g_log.fd);
  g_log = Log();
}

std::string JournalPath() {
  const StrAreaScope scope;
  StrValue name = RunJournalName();
  return name.IsError() ? std::string() : Abs(name.Str());
}

Status Append(char type, const std::string& fields) {
  if (g_log.fd < 0) {
    bool exists = false;
    int fd = recio::CreateExclusive(g_run.journal, &exists);
    if (fd < 0)
      return exists ? DataFail(st::FILEEXIST, g_run.journal + ": left by a run that did not end")
                    : HostFail(g_run.journal);
    std::string head = Header(1);
    head.resize(kLogBytes, '\0');
    // Its name on disk before anything it guards. A file that fails
    // before its first entry guards nothing and goes at once.
    Status s = 0;
    if (!recio::WriteAt(fd, head.data(), head.size(), 0))
      s = DataFail(st::DISKWRITERROR, g_run.journal);
    else if (!SyncDirs({g_run.journal}, &g_run.figures.syncs))
      s = HostFail(g_run.journal + ": folder not synced");
    if (s != 0) {
      recio::Close(fd);
      recio::Remove(g_run.journal);
      return s;
    }
    g_log = Log();
    g_log.fd = fd;
    g_log.path = g_run.journal;
    g_log.end = g_log.written = kHeaderBytes;
  }
  // Entries follow the header, one after the other, and never overwrite
  // one another: the entries of a committed run stay what they were until
  // the file starts again under the next generation, or goes.
  KX_ASSERT(g_log.end >= kHeaderBytes);
  std::string body(1, type);
  body += fields;
  std::string entry;
  PutU(entry, body.size(), 4);
  PutU(entry, Fnv(body.data(), body.size(), g_log.generation), 4);
  entry += body;
  g_log.pending += entry;
  if (g_log.pending.size() >= 65536 && !LogWrite()) return DataFail(st::DISKWRITERROR, g_run.journal + ": not written");
  g_log.end += entry.size();
  g_run.figures.bytes = g_log.end - g_run.start;
  return 0;
}

// The entries written so far reach the disk before the change they guard
// does; entries written together share one sync.
Status Durable() {
  if (g_log.fd < 0 || g_log.synced == g_log.end) return 0;
  if (!LogWrite()) return DataFail(st::DISKWRITERROR, g_run.journal + ": not written");
  if (!recio::Sync(g_log.fd)) return DataFail(st::DISKWRITERROR, g_run.journal + ": not synced");
  ++g_run.figures.syncs;
  g_log.synced = g_log.end;
  return 0;
}

// A second name for a file the run is about to replace or remove: linked
// (keep) or renamed (move); a file that is not there is noted as created.
Status SecondName(const std::string& path, bool move) {
  if (g_run.covered.count(path)) return 0;
  g_run.covered.insert(path);
  std::string fields;
  if (!recio::Exists(path)) {
    PutU(fields, 0, 1);
    PutText(fields, path);
    g_run.named.insert(path);
    if (Status s = Append('X', fields)) return s;
    return Durable();
  }
  std::string second;
  for (int n = 1; second.empty() || recio::Exists(second); ++n) second = path + ".jr" + std::to_string(n);
  PutU(fields, 1, 1);
  PutText(fields, path);
  fields += second;
  if (Status s = Append('X', fields)) return s;
  if (Status s = Durable()) return s;
  int r = move ? host::Rename(path, second) : host::Link(path, second);
  if (r != 0) return HostFail(path + " -> " + second + ": no second name");
  g_run.seconds.push_back(second);
  // The second name on disk before the file it keeps is replaced.
  return SyncDirs({second}, &g_run.figures.syncs) ? 0 : HostFail(second + ": folder not synced");
}

// --- What the record files report ----------------------------------------------------

Status Creating(const std::string& path) {
  std::string abs = Abs(path);
  g_run.created.insert(abs);
  g_run.named.insert(abs);
  return SecondName(abs, false);
}

FileState* Touch(RecFile& file, Status* err) {
  auto it = g_run.open.find(&file);
  if (it != g_run.open.end()) return it->second;
  std::string abs = Abs(file.Spec().dataPath);
  auto f = g_run.files.find(abs);
  if (f == g_run.files.end()) {
    // A bulk run saves the index first, so a rollback reads it back; a
    // record run leaves it (a save per record would cost the whole index)
    // and its rollback rebuilds it from the records instead.
    bool dirty = file.Dirty();
    if (dirty && g_run.kind == RunKind::kBulk) {
      if ((*err = file.Save()) != 0) return nullptr;
      dirty = false;
    }
    FileState st;
    st.indexOnDisk = !dirty;
    st.spec = file.Spec();
    st.id = g_run.nextId++;
    st.records = g_run.created.count(abs) ? 0 : file.Records();
    if (!g_run.created.count(abs)) {
      std::string fields;
      PutU(fields, st.id, 4);
      PutU(fields, file.RecLen(), 4);
      PutU(fields, st.records * file.RecLen(), 8);
      fields += abs;
      if ((*err = Append('F', fields)) != 0) return nullptr;
    }
    f = g_run.files.emplace(abs, std::move(st)).first;
    ++g_run.figures.files;
  }
  g_run.open[&file] = &f->second;
  return &f->second;
}

// Appends the before-image of a record, as image holds it.
Status Image(FileState* st, uint64_t rec, const char* image, uint32_t recLen) {
  // A record's image follows the entry of its file (ids are given in order).
  KX_ASSERT(st->id < g_run.nextId);
  std::string fields;
  PutU(fields, st->id, 4);
  PutU(fields, rec, 8);
  fields.append(image, recLen);
  if (Status s = Append('R', fields)) return s;
  st->imaged.insert(rec);
  return 0;
}

// Records imaged together: as many as about 32 KiB of entries hold (an
// image entry adds 21 bytes to its record), from the last quarter-block
// boundary before the record on, so that the next three quarters of a
// block from the record (the lines of a document, written in order) are
// imaged in the same batch.
constexpr uint64_t kImageEntryBytes = 21;
uint64_t BlockRecords(uint32_t recLen) { return std::max<uint64_t>(4, 32768 / (recLen + kImageEntryBytes)); }

Status Writing(RecFile& file, uint64_t rec) {
  Status err = 0;
  FileState* st = Touch(file, &err);
  if (!st) return err;
  if (rec < st->records && st->ahead.erase(rec)) {
    --g_run.figures.ahead;
    ++g_run.figures.images;
  } else if (rec < st->records && !st->imaged.count(rec)) {
    // The records beside it are imaged in the same batch, so that a run
    // changing neighbouring records (the lines of a document, a pass over
    // a file) syncs the journal once per block, not once per record. An
    // image of a record the run leaves alone puts back what is there. The
    // block comes from the disk in one read.
    const uint32_t L = file.RecLen();
    const uint64_t block = BlockRecords(L), quarter = block / 4, first = rec / quarter * quarter;
    const uint32_t count = static_cast<uint32_t>(std::min(first + block, st->records) - first);
    std::vector<char> images(static_cast<size_t>(count) * L);
    if (file.ReadRun(first, count, images.data()) != 0)
      return DataFail(st::DISKREADERROR, file.Spec().dataPath + ": records " + std::to_string(first) + " to " +
                                             std::to_string(first + count - 1) + " cannot be read");
    for (uint64_t r = first; r < first + count; ++r) {
      if (st->imaged.count(r)) continue;
      if (Status s = Image(st, r, images.data() + (r - first) * L, L)) return s;
      if (r == rec) {
        ++g_run.figures.images;
      } else {
        st->ahead.insert(r);
        ++g_run.figures.ahead;
      }
    }
  }
  return Durable();
}

Status Saving(RecFile& file) {
  if (!g_run.open.count(&file) && !g_run.files.count(Abs(file.Spec().dataPath))) return 0;
  return SecondName(Abs(file.Spec().indexPath), false);
}

void Closed(RecFile& file) { g_run.open.erase(&file); }

// A watch the run replaced (a test's tap) still hears every report, after
// the journal has taken it.
Status ChainCreating(const std::string& path) {
  Status s = Creating(path);
  const RecFileWatch* w = g_run.savedWatch;
  return s == 0 && w && w->creating ? w->creating(path) : s;
}
Status ChainWriting(RecFile& file, uint64_t rec) {
  Status s = Writing(file, rec);
  const RecFileWatch* w = g_run.savedWatch;
  return s == 0 && w && w->writing ? w->writing(file, rec) : s;
}
Status ChainSaving(RecFile& file) {
  Status s = Saving(file);
  const RecFileWatch* w = g_run.savedWatch;
  return s == 0 && w && w->saving ? w->saving(file) : s;
}
void ChainClosed(RecFile& file) {
  Closed(file);
  if (const RecFileWatch* w = g_run.savedWatch; w && w->closed) w->closed(file);
}

const RecFileWatch kWatch{ChainCreating, ChainWriting, ChainSaving, ChainClosed};

// --- Ending --------------------------------------------------------------------------------

void Forget() {
  RecFileWatchSet(g_run.savedWatch);
  g_last = g_run.figures;
  g_run = Run();
}

// The files of the run read what is on disk again: no order kept from a
// closed file is taken back (the playback wrote files behind them), an open file reloads
// its index, or rebuilds it where the index file was older than the data
// when the run began; a closed file of that kind has its index file
// rebuilt.
Status ReloadOpen() {
  RecFile::ForgetKept();
  std::vector<std::pair<RecFile*, bool>> files;
  std::set<const FileState*> open;
  for (auto& [file, st] : g_run.open) {
    files.emplace_back(const_cast<RecFile*>(file), st->indexOnDisk);
    open.insert(st);
  }
  Status s = 0;
  for (auto [f, onDisk] : files) {
    Status r = onDisk ? f->Reload() : f->Rebuild();
    if (s == 0) s = r;
  }
  for (const auto& [path, st] : g_run.files) {
    if (st.indexOnDisk || open.count(&st)) continue;
    Status r = RecFile::RebuildClosed(st.spec);
    if (s == 0) s = r;
  }
  return s;
}

Status Rollback(Status code) {
  RecFileWatchSet(g_run.savedWatch);
  Status s = 0;
  if (g_log.fd >= 0) {
    g_log.pending.clear();
    g_log.end = g_log.written;
    // The playback undoes the run's entries in the file and removes it.
    if (g_log.written > std::max(g_run.start, kHeaderBytes)) {
      LogClose();
      s = Playback(g_run.journal, g_run.start).Run();
    }
  }
  Status r = ReloadOpen();
  Forget();
  return s != 0 ? s : (r != 0 ? r : code);
}

Status Commit() {
  bool bulk = g_run.kind == RunKind::kBulk;
  std::vector<RecFile*> files;
  for (auto& [file, st] : g_run.open) files.push_back(const_cast<RecFile*>(file));
  // Everything the run wrote reaches the disk before the commit entry: a
  // bulk run saves its files (data synced, index replaced), a record run
  // syncs the data (its index is rebuilt at the next start if need be).
  for (RecFile* f : files) {
    if (bulk) {
      if (Status s = f->Save()) return s;
    } else if (f->IsOpen() && !f->ReadOnly() && f->Unsynced()) {
      // The file's own sync, so that its commit after the run (a reopen)
      // finds nothing left to sync.
      if (Status s = f->Sync()) return s;
    } else {
      continue;
    }
    ++g_run.figures.syncs;
  }
  RecFileWatchSet(g_run.savedWatch);
  for (const std::string& t : g_run.texts) {
    int fd = recio::Exists(t) ? recio::Open(t, false, false) : -1;
    bool ok = fd < 0 ? !recio::Exists(t) : recio::Sync(fd);
    recio::Close(fd);
    if (!ok) return DataFail(st::DISKWRITERROR, t + ": not synced");
    ++g_run.figures.syncs;
  }
  if (!SyncDirs(g_run.named, &g_run.figures.syncs)) return DataFail(st::DISKWRITERROR, "a folder of the run: not synced");
  if (g_log.fd < 0 || g_log.end == g_run.start) return 0;
  if (Status s = Append('C', std::string())) return s;
  if (Status s = Durable()) return s;
  // Committed: what follows only tidies up, and the next start finishes it
  // when it is cut short. The file stays for the next run.
  DropSeconds(g_run.seconds, &g_run.figures.syncs);
  return 0;
}

// A kept journal mostly full starts again from its header under the next
// generation, synced before any entry of it is written: the entries of the
// runs before (all committed) then end the journal wherever they are left.
// Without a run in progress only.
void Restart() {
  if (g_log.fd < 0 || g_log.end < kLogBytes / 4 * 3) return;
  const uint32_t generation = g_log.generation + 1;
  std::string head = Header(generation);
  if (!recio::WriteAt(g_log.fd, head.data(), head.size(), 0) || !recio::Sync(g_log.fd)) {
    // As it was or with the new header, it holds committed runs only.
    std::string path = g_log.path;
    LogClose();
    recio::Remove(path);
    return;
  }
  g_log.generation = generation;
  g_log.end = g_log.written = g_log.synced = kHeaderBytes;
}

// What a journal file holds: nothing to do (runs that all committed, their
// second names gone), or something to play back or finish.
bool Pending(const std::string& path) {
  std::vector<Entry> entries;
  uint32_t undone = 0;
  if (!ReadJournal(path, &entries, &undone)) return true;
  if (Settled(entries) != entries.size()) return true;
  for (const Entry& e : entries)
    if (e.type == 'X' && e.kept && recio::Exists(e.second)) return true;
  return false;
}

}  // namespace

StrValue RunJournalName() { return PathExpand(StrFromC("%APNAME%JOURNAL.DAT")); }

bool RunJournalLeft() {
  std::string path = JournalPath();
  return !path.empty() && recio::Exists(path) && Pending(path);
}

void RunJournalTidy() {
  if (g_run.depth > 0) return;
  std::string path = g_log.fd >= 0 ? g_log.path : JournalPath();
  if (path.empty() || !recio::Exists(path) || Pending(path)) return;
  LogClose();
  recio::Remove(path);
}

Status RunJournalBegin(RunKind kind) {
  if (g_run.depth > 0) {
    ++g_run.depth;
    return 0;
  }
  std::string path = JournalPath();
  if (path.empty()) return DataFail(st::BADINPUTDATA, "%APNAME%JOURNAL.DAT");
  // The file this process keeps between runs takes the next one; any
  // other file of that name is either finished runs (removed) or a run
  // that did not end.
  if (g_log.fd >= 0 && g_log.path != path) RunJournalTidy();
  if (g_log.fd >= 0 && (g_log.path != path || !StillThere())) LogClose();
  Restart();
  if (g_log.fd < 0 && recio::Exists(path)) {
    if (Pending(path)) return DataFail(st::FILEEXIST, path + ": left by a run that did not end; the next start recovers it");
    recio::Remove(path);
  }
  g_run = Run();
  g_run.depth = 1;
  g_run.kind = kind;
  g_run.journal = path;
  g_run.start = g_log.fd >= 0 ? g_log.end : 0;
  g_run.savedWatch = RecFileWatchSet(&kWatch);
  return 0;
}

Status RunJournalEnd(Status code) {
  if (g_run.depth == 0) return code;
  if (--g_run.depth > 0) {
    if (code != 0 && g_run.doomed == 0) g_run.doomed = code;
    return code;
  }
  if (code == 0) code = g_run.doomed;
  if (code != 0) return Rollback(code);
  Status s = Commit();
  if (s != 0) return Rollback(s);
  ++g_commits;
  Forget();
  return 0;
}

bool RunJournalActive() { return g_run.depth > 0; }

Status RunJournalText(StrValue name) {
  if (Status e = StrError(name)) return e;
  if (g_run.depth == 0) return 0;
  std::string abs = Abs(name.Str());
  if (g_run.texts.count(abs)) return 0;
  std::string content;
  bool missing = false;
  bool read = recio::ReadWhole(abs, &content, &missing);
  if (!read && !missing) return DataFail(st::DISKREADERROR, abs + ": cannot be read");
  std::string fields;
  PutU(fields, read ? 1 : 0, 1);
  PutText(fields, abs);
  fields += content;
  if (Status s = Append('T', fields)) return s;
  g_run.texts.insert(abs);
  if (!read) g_run.named.insert(abs);
  return Durable();
}

Status RunJournalSetAside(const std::string& path) {
  if (g_run.depth == 0) return DataFail(st::INTERNALERROR, "RunJournalSetAside " + path + ": no run");
  std::string abs = Abs(path);
  if (!recio::Exists(abs)) return 0;
  g_run.covered.erase(abs);
  auto f = g_run.files.find(abs);
  if (f != g_run.files.end()) {  // the next file of that name is a new one
    for (auto it = g_run.open.begin(); it != g_run.open.end();)
      it = it->second == &f->second ? g_run.open.erase(it) : std::next(it);
    g_run.files.erase(f);
  }
  g_run.created.erase(abs);
  g_run.named.insert(abs);
  Status s = SecondName(abs, true);
  g_run.covered.insert(abs);
  return s;
}

RunJournalFigures RunJournalFiguresGet() { return g_run.depth > 0 ? g_run.figures : g_last; }

uint64_t RunJournalCommits() { return g_commits; }

Status RunJournalRecover() {
  std::string path = JournalPath();
  if (path.empty() || !recio::Exists(path)) return 0;
  if (g_log.path == path) LogClose();
  return Playback(path).Run();
}
