// Group lines: one printed line per record while the group lasts, nested
// groups, and the page break (the doubled foot, then the head of the next
// page) when a group reaches its last line.
#include <climits>
#include <string>

#include "devices/reportint.h"
#include "runtime/errors.h"

namespace {

constexpr int kNoMaxLine = INT_MAX;

Status Stalled(const ReportJob& job) {
  return ReportFail(st::DATAOUTBOUND, job.run->texts.Str(ReportTexts::kName));
}

// The group is over: its flags cleared, the run's selections released, and
// the walk past the group lines nested in it.
Status EndGroup(ReportJob& job, uint32_t g, Status how) {
  job.cur = g;
  while (job.cur + 1 < job.End() && (job.run->lines[job.cur + 1].kind & rpt::kGroup)) ++job.cur;
  job.flags &= static_cast<uint16_t>(~(rpt::kGroupEnd | rpt::kGroup | rpt::kBlock));
  ReportSelRelease(*job.run);
  job.groupEnd = how;
  return 0;
}

// A line number of an option: negative values count back from the page
// length.
int PageLine(const DevRecord& dev, int v) { return v < 0 ? dev.lines + v : v; }

// A doubled line after the group prints in a page break while the device
// line is above its MAXLINE% (by default the page's end): the foot stays on
// its page.
bool FootFits(const ReportJob& job, const ReportLine& line) {
  const DevRecord& dev = *job.dev;
  int limit = line.maxLine != 0 ? PageLine(dev, line.maxLine) : dev.lines;
  return dev.line < limit;
}

// CONTINUE% of a line printed in a page break: while the device line is
// above the given line, the break ends and the group n group lines back
// resumes, its step carried. *resumed tells whether it did; 132 when the walk
// runs off the first line.
Status ReportBlockEnd(ReportJob& job, uint32_t i, uint32_t g, bool* resumed) {
  *resumed = false;
  const ReportLine& line = job.run->lines[i];
  if (line.contCount <= 0 || job.dev->line >= PageLine(*job.dev, line.contLine)) return 0;
  uint32_t k = i;
  for (int n = line.contCount; n > 0;) {
    if (k == 0) return ReportFail(st::PROCEDUREEXEC, job.run->texts.Str(ReportTexts::kName));
    --k;
    if (job.run->lines[k].kind & rpt::kGroup) --n;
  }
  job.carry += ReportLineStep(job, job.run->lines[k]);
  job.flags &= static_cast<uint16_t>(~rpt::kBlock);
  job.cur = k;
  if (k != g) job.flags |= rpt::kResume;
  *resumed = true;
  return 0;
}

// Prints line i of a page break when its condition holds; *resumed as above.
Status BlockLine(ReportJob& job, uint32_t i, uint32_t g, bool foot, bool* resumed) {
  *resumed = false;
  const ReportLine& line = job.run->lines[i];
  if (line.kind & rpt::kGroup) return 0;
  if (foot && !(line.kind & rpt::kDoubled)) return 0;
  job.cur = i;
  Status load = DocLineLoad(job);
  if (load != 1) return load;
  if (foot && !FootFits(job, line)) return 0;
  if (Status s = ReportDetailLine(job, line)) return s;
  return ReportBlockEnd(job, i, g, resumed);
}

// A group line directly after another one: its group runs for the record
// the outer line printed, from the line below it; the outer walk state is
// kept. The nested group's end (0 on a record past its break, 2 none left).
Status DocLineLoop(ReportJob& job, uint32_t g) {
  const uint32_t outer = job.cur;
  const uint16_t flags = job.flags;
  const int prevL = job.prevL;
  job.cur = g;
  job.carry = ReportLineStep(job, job.run->lines[g]);
  Status s = ReportCondLine(job);
  job.flags = static_cast<uint16_t>(flags & ~rpt::kResume);
  job.cur = outer;
  job.prevL = prevL;
  return s ? s : job.groupEnd;
}

}  // namespace

int ReportMaxLine(const ReportJob& job, uint32_t g) {
  const DevRecord& dev = *job.dev;
  if (dev.lines <= 0) return kNoMaxLine;  // no paging: the group never breaks
  const ReportLine& line = job.run->lines[g];
  if (line.maxLine != 0) return PageLine(dev, line.maxLine);
  for (uint32_t i = g + 1; i < job.End(); ++i) {
    if (job.run->lines[i].Fixed()) return job.run->lines[i].L - 2;
  }
  return dev.lines - 3;
}

Status ReportRepeatBlock(ReportJob& job, uint32_t g) {
  job.flags |= rpt::kBlock;
  bool resumed = false;
  for (uint32_t i = g + 1; i < job.End(); ++i) {
    if (Status s = BlockLine(job, i, g, true, &resumed)) return s;
    if (resumed) return 0;
  }
  for (uint32_t i = 0; i < g; ++i) {
    if (Status s = BlockLine(job, i, g, false, &resumed)) return s;
    if (resumed) return 0;
  }
  job.flags &= static_cast<uint16_t>(~rpt::kBlock);
  job.cur = g;
  return 0;
}

Status ReportCondLine(ReportJob& job) {
  const uint32_t g = job.cur;
  const ReportLine& line = job.run->lines[g];
  const bool nested = g + 1 < job.End() && (job.run->lines[g + 1].kind & rpt::kGroup);
  job.flags |= rpt::kGroup;
  int step = job.carry;
  job.carry = 0;
  int maxLine = ReportMaxLine(job, g);
  bool fresh = false;  // a page break came and nothing printed since
  for (;;) {
    const std::string before = ReportPosition(job);
    Status c = ReportCondCode(line.groupCode);
    if (c >= 122) return c;
    bool printed = false, full = false;
    int nestedEnd = -1;  // how a nested group ended, when one ran
    if (c == 1) {
      int t = job.target + step + line.extraStep;
      if (t > maxLine) {
        if (fresh) return Stalled(job);  // not even a new page holds it
        full = true;
      } else {
        job.target = t;
        if (Status s = ReportDetailLine(job, line)) return s;
        printed = true;
        fresh = false;
        step = ReportLineStep(job, line);
        if (nested) {
          Status n = DocLineLoop(job, g + 1);
          if (n >= 122) return n;
          nestedEnd = n;
        }
      }
    }
    bool pageBreak = full;
    if (!full) {
      Status m = nestedEnd >= 0 ? static_cast<Status>(nestedEnd) : ReportNextRecord(job, line);
      if (m >= 122) return m;
      if (m != 0) return EndGroup(job, g, 2);
      if (!printed && ReportPosition(job) == before) return Stalled(job);
      Status b = ReportCondCode(line.brkEndCode);
      if (b >= 122) return b;
      if (b == 1) return EndGroup(job, g, 0);
      if (printed && !line.brk.empty()) {
        Status k = ReportCondCode(line.brkCode);
        if (k >= 122) return k;
        pageBreak = k == 1;
      }
      pageBreak = pageBreak || job.target >= maxLine;
    }
    if (!pageBreak) continue;
    if (Status r = ReportRepeatBlock(job, g)) return r;
    if (job.flags & rpt::kResume) return 0;  // another group line takes over
    job.target = ReportTarget(job, line);
    step = job.carry;
    job.carry = 0;
    maxLine = ReportMaxLine(job, g);
    fresh = true;
  }
}
