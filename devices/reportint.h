// The report engine's own structures, shared by its files: the parsed
// definition lines, the run record and the walk state (report.h has the
// contract).
//
//   reportdef.cpp   loading a definition (directives) and splitting its lines
//   reportrun.cpp   the run, the record loop and the walk over the lines
//   reportgroup.cpp group lines and page breaks
//   reportstmt.cpp  the DOCPRINT and REPORT statements, printing a text file
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "devices/device.h"
#include "devices/report.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/expcache.h"

namespace rpt {
// Line kinds and walk flags.
constexpr uint16_t kFixed = 0x01;
constexpr uint16_t kDoubled = 0x02;
constexpr uint16_t kRelative = 0x04;
constexpr uint16_t kGroupEnd = 0x08;
constexpr uint16_t kGroup = 0x10;
constexpr uint16_t kBlock = 0x20;
constexpr uint16_t kResume = 0x40;  // a page break resumes another group line
constexpr uint16_t kEnd = 0x100;
constexpr uint16_t kCancelled = 0x800;
constexpr uint16_t kStopMask = 0x7800;
constexpr uint16_t kKeepOnLoad = 0x7F30;

constexpr char kFixedMark = '\x17';
constexpr char kRelativeMark = '\x18';
constexpr char kGroupMark = '\x19';

// Progress options: positions in ",PROGRESS,NONE" (0: an expression).
enum Progress : int { kProgressText = 0, kProgressKey = 1, kProgressBar = 2, kProgressNone = 3 };
}  // namespace rpt

// One field of a line: its template (width and edit mask).
struct ReportField {
  std::string mask;     // ",." decimals resolved, unless the template has [segments]
  bool expand = false;  // [segments]: expanded and resolved each time it prints
};

// One loaded definition line, split once per run. Its options are read once.
struct ReportLine {
  int L = 0;
  int C = 0;
  uint32_t number = 0;  // position in the definition as loaded, from 1
  uint16_t kind = 0;    // rpt::kFixed, kRelative or kGroup, with kDoubled; 0 plain text
  bool hasCond = false;
  std::string cond;  // the condition before the TAB
  std::string text;  // the body of a plain-text line
  std::vector<ReportField> fields;
  std::vector<std::string> exprs;  // one per field, trimmed
  std::vector<ExpHeld> code;       // their compiled forms, once per run
  std::string options;             // the option part, from " /"
  // Options of the line.
  std::string atEnd, brkEnd, brk;  // ATEND$, BRKEND$ ([$] replaced), BREAK$
  std::string groupCond;           // the group condition, joined once per run
  ExpHeld condCode, groupCode, brkEndCode, brkCode, atEndCode;  // compiled once per run
  int maxLine = 0;                 // MAXLINE%
  int lineStep = -1;               // LINESTEP% (-1: the device's step)
  int totalBase = -1;              // TOTALBASE% (-1: none)
  int contLine = 0, contCount = 0;  // CONTINUE% "line:count"
  int extraStep = 0;               // EXTRASTEP%
  int wd = -1;                     // WD (-1: none)

  bool Fixed() const { return (kind & rpt::kFixed) || (kind == 0 && L > 0); }
};

// The texts of a run, in one block of module 21: the definition name, the
// key text, the conditions of limits items 1-3, item 4 joined to the record
// condition, and the progress option.
class ReportTexts {
 public:
  enum Item : int { kName, kKey, kRun, kStart, kContinue, kRecord, kProgress, kCount };
  ReportTexts() = default;
  ~ReportTexts();
  ReportTexts(const ReportTexts&) = delete;
  ReportTexts& operator=(const ReportTexts&) = delete;
  // 0, or 145 when the block cannot be had.
  Status Set(const std::string (&texts)[kCount]);
  StrValue Get(Item i) const;
  std::string Str(Item i) const { return Get(i).Str(); }

 private:
  char* block_ = nullptr;
  uint32_t offsets_[kCount + 1] = {};
};

// One run (ReportRunRecord).
struct ReportRunRecord {
  Status status = 0;
  uint32_t first = 0, end = 0;  // the loaded lines: elements first..end-1 of list 8
  DevRecord* dev = nullptr;
  ReportTexts texts;
  std::vector<ReportLine> lines;  // the parsed copy of the loaded lines
  bool defaultContinue = false;   // item 3 is the key limit built for this run
  int file = 0;                   // the current data file (0: none)
  bool fromList = false;          // group lines step through list 30
  uint32_t listBase = 0;          // list 30's elements below the printed file's lines
  int progress = rpt::kProgressKey;
  int selections = 0;             // selections of the current file when the run began
};

// The walk state (ReportJob).
struct ReportJob {
  Status status = 0;
  uint16_t flags = 0;
  uint32_t cur = 0;  // index into run->lines
  int target = 1;
  int carry = 0;     // the step carry of CONTINUE%
  int prevL = 0;
  DevRecord* dev = nullptr;
  ReportRunRecord* run = nullptr;
  Status groupEnd = 0;  // how the last group ended: 0 on a record past its break, 2 none left

  const ReportLine& Line() const { return run->lines[cur]; }
  uint32_t End() const { return static_cast<uint32_t>(run->lines.size()); }
};

// --- reportdef.cpp ------------------------------------------------------------------

// Reads the definition onto list 8 (after the lines there), directives
// resolved, and splits each line into run.lines.
Status ReportDefLoad(ReportRunRecord& run, StrValue name);
// Removes the run's lines from list 8.
void ReportDefRelease(ReportRunRecord& run);
// The template of a field with its segments expanded and ",." resolved.
StrValue ReportTemplate(const ReportField& field);
// Records code with module 21 and the detail; answers code.
Status ReportFail(Status code, const std::string& detail);

// --- reportrun.cpp ------------------------------------------------------------------

// The arguments of a run, copied out of wherever they lived.
struct ReportRunArgs {
  std::string device, name, limits, recordCond, keyText, progress, copies;
};
// ReportRun with its texts; with listBase the group lines step through the
// elements of list 30 above that count (a printed text file), not through
// the current data file.
Status ReportRunWith(const ReportRunArgs& args, DevRecord* dev, const uint32_t* listBase);

// The open current data file, 0 when none.
int ReportCurrentFile();
// The selections of a file (0 for none), and releasing those above a depth.
int ReportSelDepth(int file);
void ReportSelReleaseTo(int file, int depth);
// The per-record routine of a range seek: the key passed shown as progress
// text (an error string after a cancel).
StrValue ReportSeekProgress(StrValue key);
// The end of a device the run opened: finished and closed after a success
// (a cancel counts as one), only closed after an error; the first error.
Status ReportDevEnd(DevRecord& dev, Status s);
Status ReportExec(ReportJob& job);
// Loads the current line: 1 when it is used (its target line computed), 0
// when its condition is false, or the condition's error.
Status DocLineLoad(ReportJob& job);
// The target line of a line at the device's position (relative lines and
// L = 0 from the device line, fixed ones at L); notes L for the next one.
int ReportTarget(ReportJob& job, const ReportLine& line);
// Moves to the next used line: false at the end (flag 0x100) or on an error
// (job.status).
bool ReportNextLine(ReportJob& job);
Status ReportDetailLine(ReportJob& job, const ReportLine& line);
// The step of a line: LINESTEP%, else the device's step.
int ReportLineStep(const ReportJob& job, const ReportLine& line);
// The next record of a group: 0 reached, 2 none left, or an error.
Status ReportNextRecord(ReportJob& job, const ReportLine& line);
// Releases the selections of the current file opened since the run began.
void ReportSelRelease(const ReportRunRecord& run);
// A condition's value: 1, 0, or 122 and above.
Status ReportCond(const std::string& text);
// The same of a condition compiled once (none: an empty one, true).
Status ReportCondCode(const ExpHeld& code);
// Where the walk stands on its records: the current file's record and key,
// or what is left of list 30.
std::string ReportPosition(const ReportJob& job);
// One step of the progress display; 122 after a cancel.
Status ReportProgressStep(ReportJob& job);

// --- reportgroup.cpp ----------------------------------------------------------------

// A group line: one line per record until the group ends; page breaks on
// the way.
Status ReportCondLine(ReportJob& job);
// The last line for group lines of the line at index g; 0 when there is
// none (no paging).
int ReportMaxLine(const ReportJob& job, uint32_t g);
// The page break of the group line at index g.
Status ReportRepeatBlock(ReportJob& job, uint32_t g);
