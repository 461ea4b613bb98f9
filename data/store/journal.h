// The run journal: the data files a run writes (with their indexes) and the
// small text files it names change together or not at all.
//
// A run is the work between RunJournalBegin and the matching RunJournalEnd
// (imports, updates and deletions of the transaction engine, and the bulk
// tasks of the applications: year close, renumbering). A Begin inside a run
// joins it: the outermost End decides for all of it.
//
// While a run is in progress the record files report to the journal
// (recfile.h RecFileWatch; a watch installed before the run hears each
// report after the journal) before any change reaches the disk, and the
// journal file "%APNAME%JOURNAL.DAT" (current directory, beside the run
// status file) receives, ahead of that change:
//   - a data file's size when the run first writes it, or that the run
//     created it;
//   - the before-image of each record the run overwrites or deletes, once
//     per record; records appended past the first size need none, so a
//     10-row import into a million records journals about 10 records;
//   - an index file the store replaces: the old one keeps a second name
//     (a hard link) until the run ends; never a copy;
//   - a small text file named by RunJournalText: its content, once;
//   - a file set aside by RunJournalSetAside: renamed, never copied.
// A bulk run saves the index of a data file whose index in memory is newer
// than its index file before the run first writes it, so the files on disk
// agree at the run's start. A record run (RunKind::kRecords: one record with
// its relation statements, a document's save or delete) does not, as a
// save there would cost the whole index each time: its rollback rebuilds
// such an index from the records instead (the next start rebuilds every
// file anyway).
//
// Run status, journal and index files. The index file of a data file lags
// behind its records between checkpoints (recfile.h, Costs): a commit syncs
// records only. What makes that safe is the order of three things. (1) The
// run status says 1 from the start phase until every data file is closed,
// each close saving its index; a file that cannot be saved keeps it at 1.
// (2) A killed process leaves the status at 1, and the journal when a run
// was in progress; the next start plays the journal back (records and sizes
// to their state before the run; index files put back by their second
// names where the run saved one), then rebuilds every file from its records
// (rebuild.h), so no index file is ever trusted after a kill. (3) In the
// process, a rollback puts the records back and then reads every file of
// the run again: from its index file when that described the data at the
// run's start, else by rebuilding the orders from the records; orders kept
// from closed files (recfile.h, Kept orders) are forgotten. A rebuild
// orders equal keys by record number, so after a kill or a rolled-back
// record run records with equal keys can come back in record-number order
// rather than the order they were inserted in.
//
// The journal is created at the first entry: a run that writes nothing
// adds nothing to it. Once made, the file stays open for the runs that
// follow: each committed run's entries end with its commit entry and the
// next run appends after it, never over it, so a save costs no creation,
// folder sync or removal of the file. The file is made 1 MiB long at once,
// so that entries overwrite bytes it has and their syncs change no size;
// when a run begins with it three quarters full, it starts again under
// the next generation (header written and synced first; the entries of
// the runs before, all committed, then no longer pass their sums). It is
// removed by a rollback or a playback (which undo only the entries of the
// run that did not end) and when every data file is closed
// (RunJournalTidy; DataFileCloseAll, the program's end). A journal whose
// entries all end in commits (and whose second names are gone) is nothing
// left behind: RunJournalLeft is false, and the next Begin, in this process
// or another, removes it. Each entry reaches the disk before the change it
// guards, also across a power cut (the table of syncs below).
//
// What is synced, and when (a power cut may lose, reorder or tear any write
// and any change of a name not yet synced; a killed process cannot):
//   | sync                           | when                                  | why                                          |
//   |--------------------------------|---------------------------------------|----------------------------------------------|
//   | the journal's folder           | after the journal is created          | a journal whose name is lost undoes nothing  |
//   | the journal                    | before a data write, a second name,   | an image or size not on disk cannot put the  |
//   |                                | a creation or a text change follows   | change back; entries written since the last  |
//   |                                | entries not yet synced                | sync share one (a record's neighbours within |
//   |                                |                                       | 32 KiB are imaged in the same batch)         |
//   | a second name's folder         | after the link or rename              | the old index or set-aside file must outlive |
//   |                                |                                       | what replaces it                             |
//   | data (record run); data and    | at the commit, before its entry       | what the commit promises must be on disk     |
//   | index saved (bulk run)         |                                       | first                                        |
//   | texts named by the run         | at the commit, before its entry       | as data files                                |
//   | folders of names the run made  | at the commit, before its entry       | a committed file must not lose its name      |
//   | or set aside                   |                                       |                                              |
//   | the journal (commit entry)     | at the commit                         | the commit itself; the second names' and the |
//   |                                |                                       | journal's removal after it are tidying, done |
//   |                                |                                       | again by a playback                          |
//   | undone files, their folders,   | in a playback, before the count of    | an undone name or text is never undone twice;|
//   | then the journal's count       | undone entries passes a name or text  | a record or size put back may be             |
//   | the journal's folder           | after a playback removes the journal  | a journal back from the dead would undo what |
//   |                                |                                       | was written since                            |
// So a record run costs a bounded number of syncs: the journal about once
// per file it writes and per 32 KiB of images, each data file once, the
// commit once; the folder only when the run creates the journal. A save of
// one record or of a document's lines costs three: the images, the data,
// the commit, in that order. No fewer will do while records are written
// in place: an image must be on disk before its record can be, and the
// commit entry must not be on disk before the records it commits; a store
// that appends new versions to a log instead syncs once per commit. A
// journal whose header never reached the disk (zeros) had guarded nothing
// yet; entries past the first one cut short or damaged were never synced,
// so their changes had not begun.
//
// Journal file layout (numbers little-endian):
//   | offset | size | meaning                                             |
//   |--------|------|-----------------------------------------------------|
//   | 0      | 8    | "KXJRNL1\n"                                         |
//   | 8      | 4    | entries already undone, counted from the last       |
//   | 12     | 4    | generation: each entry's sum starts from it (0 in   |
//   |        |      | journals made before there were generations)        |
//   | 16     | ...  | entries: u32 n, u32 FNV-1a of the n bytes (basis   |
//   |        |      | xor generation), n bytes: a type letter and its     |
//   |        |      | fields; the runs one after the other, each          |
//   |        |      | committed one ended by its C entry; zeros to the    |
//   |        |      | file's end                                          |
// Entries: F file (u32 id, u32 record length, u64 size, path), R record
// image (u32 id, u64 record number, the image), X a second name (u8 kept:
// 1 the file was renamed or linked to the second name, 0 it did not exist;
// u16 path length, path, second name), T text (u8 existed, path length,
// path, content), C commit. An entry cut short or whose sum is wrong ends
// the journal: its change never began.
//
// End with 0 commits a bulk run: every data file the run still holds open
// is synced and its index saved as the store does at close, the text files
// synced, the commit entry written and synced; then the second names go and
// the journal stays for the next run. A record run commits the same way
// but syncs the data of the files it wrote (RecFile::Sync, so that its
// caller's commit, DataFileReopen, finds nothing left to sync) instead of
// saving their indexes: the index files follow at close or a checkpoint
// (recfile.h, Costs), and a kill or a power cut before that leaves the run
// status open, so the next start rebuilds. End with another code (an
// error, a cancel from the progress window, SIGINT or SIGTERM turned into
// a cancel) rolls back in the process: the run's entries are undone from
// the last to the first (images
// back, files cut to their sizes, created files deleted, indexes and
// set-aside files put back, texts rewritten) and the files still open read
// their index again. The answer is the code, or the commit's or the
// rollback's own error.
//
// After a killed run the next start finds the journal (RunJournalLeft: the
// start then always asks message 0115) and RunJournalRecover plays it back
// before the rebuild of every file: the entries after the last commit
// entry are undone, those of committed runs finished (their second names
// deleted), and the journal removed. The playback counts the entries
// it has undone in the header, so a playback that is killed in turn goes on
// where it stopped and never undoes an entry twice.
//
// Errors (recorded with module 18, the file in the detail): 165 a journal
// left behind when a run begins; 137 the journal cannot be written or
// synced; 136 a before-image cannot be read; the host's code for a rename,
// link or delete; 130 a journal that cannot be read back.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// What a run commits: a bulk task (its files saved at the commit) or the
// records of one action of a person or a procedure.
enum class RunKind { kBulk, kRecords };

// Begins a run, or joins the run in progress (whose kind holds). 165 when a
// journal is left behind by a run that did not end (nothing begins).
Status RunJournalBegin(RunKind kind = RunKind::kBulk);
// Ends the run a Begin started. A nested End only counts down; a code there
// dooms the run, so its outermost End rolls back and answers that code when
// its own is 0. Answers the code, or what the commit or rollback answered.
Status RunJournalEnd(Status code);
bool RunJournalActive();

// Keeps the content of a text file (a name as the program gives it) before
// the run changes it, once per run; a file that does not exist yet is
// deleted by a rollback. 0 outside a run.
Status RunJournalText(StrValue name);
// Renames a closed file (a host path) aside for the run: a rollback puts it
// back, a commit deletes it. 0 when the file does not exist. 141 outside a
// run.
Status RunJournalSetAside(const std::string& path);

// What the journal holds for the run in progress (or the last run).
struct RunJournalFigures {
  uint64_t images = 0;  // before-images of records the run changed
  uint64_t ahead = 0;   // before-images of their neighbours, taken in the same batch
  uint64_t bytes = 0;   // size of the journal file
  uint64_t syncs = 0;   // syncs of files and folders the run made
  uint32_t files = 0;   // data files written
};
RunJournalFigures RunJournalFiguresGet();
// Runs committed since the program started.
uint64_t RunJournalCommits();

// The journal's name after expansion.
StrValue RunJournalName();
// True when a journal file is there (a run did not end).
bool RunJournalLeft();
// Plays back a journal left behind, then removes it; 0 when there is none.
Status RunJournalRecover();
// Removes the journal kept between runs when it holds nothing left to do
// (no run in progress; every data file closed).
void RunJournalTidy();

// Begins a run for its lifetime: End gives the answer; a scope left without
// End rolls the run back (122).
class RunJournalScope {
 public:
  explicit RunJournalScope(RunKind kind = RunKind::kBulk) : begun_(RunJournalBegin(kind)) {}
  ~RunJournalScope() {
    if (begun_ == 0 && !ended_) RunJournalEnd(st::USERCANCELED);
  }
  RunJournalScope(const RunJournalScope&) = delete;
  RunJournalScope& operator=(const RunJournalScope&) = delete;
  // The Begin's answer.
  Status Begun() const { return begun_; }
  Status End(Status code) {
    if (begun_ != 0 || ended_) return code;
    ended_ = true;
    return RunJournalEnd(code);
  }

 private:
  Status begun_;
  bool ended_ = false;
};
