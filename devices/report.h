// The report engine: report definitions (print documents, file type PDC)
// printed over the records of a range on a device.
//
// A definition is a text file, one item per line:
//   characters 1-2  line number L (0: a conditional line)
//   characters 3-5  column C
//   6 onward        the body
// A body whose first character is ":" is a directive: ":INCLUDE expr" reads
// the file the expression names in its place, ":DYNAMIC_LINE expr" reads the
// lines of the file it names, each as a relative next line ("    1" in
// front); both nest at most kReportMaxDepth deep. Blank lines are skipped.
// In a conditional line the body up to the first TAB is a condition (no TAB:
// no condition; an empty condition is true) and the text after it the body.
//
// Body: field templates separated by "|", then the placeholder byte that
// gives the line's kind (0x17 fixed at line L, 0x18 relative, 0x19 a group
// line printed once per record; written twice the line is doubled: printed
// again in the foot of a page break), then one expression per template
// separated by ",", then from " /" the line's own options NAME:value
// (ATEND$ BRKEND$ BREAK$ COND$ MAXLINE% LINESTEP% TOTALBASE% CONTINUE%
// EXTRASTEP% WD; values are upper-cased unless quoted, so expressions are
// written quoted). A body without a placeholder is plain text, printed at
// line L (the next line when L is 0). A template is the field's width and
// its edit mask; [expression] segments in it are expanded when it prints,
// and ",.#" takes the decimals of _DX (or _PRECIS), ",.n" those of screen
// field n (the type digit of _V<n>$, 181 when undefined).
//
// The loaded lines go to string list 8 after any lines already there (a
// report started inside another keeps its caller's lines) and are removed
// at the end; each is split once per run into a parsed copy beside the list,
// and its expressions are compiled once by the evaluator, so a record costs
// evaluating them only.
//
// Walk: a group line prints one line per record while its condition holds
// (the last form's condition, limits item 4 with the record condition, and
// COND$); it moves to the next record by ATEND$, else within the key text as
// key limit on the current data file, else through the lines of list 30 (a
// printed text file); BRKEND$ ends the group ([$] the key text; by default
// the key passing the key text followed by the byte 0xFF, so national
// letters stay inside their range). When a group line reaches its last line
// (MAXLINE%; negative: from the page length; else the next fixed line - 2;
// else the page length - 3) a page break prints the doubled lines after the
// group that fit on the page and then the lines before it (the head of the
// next page). A device without paging (0 lines) has no last line and never
// breaks. Numeric fields of a line with TOTALBASE% add into the label array
// "_#(" from that element on.
//
// Codes: 164 a missing definition or include (detail its name; an empty name
// "Not defined"); 163 a header shorter than 5 characters or not digits
// (detail the report and line), includes nested deeper than 8 (the file), a
// BRKEND$ with [$] while the key text holds a quote (the report); 159 the
// string-list store full while loading (the report); 145 no room for 36
// strings before a record; 127 the run condition (limits item 1) false,
// nothing printed; 168 a TOTALBASE% element past 255 (the report), a pass
// or ATEND$ that moves nothing and prints nothing (the report), a group
// line that does not fit an empty page; 132 a CONTINUE% walking off the
// first line; 141 the first record gone when a further copy re-reads it;
// 122 a cancel, counted as success by ReportRun. Errors are recorded with
// module 21.
#pragma once
#include <cstdint>

#include "devices/device.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kReportMaxDepth = 8;         // nested :INCLUDE and :DYNAMIC_LINE
constexpr uint16_t kReportRoom = 36;       // strings the area must hold before a record
constexpr int kReportLabelSize = 256;      // elements of the label array "_#("
constexpr uint16_t kReportPdfHeaderItem = 3;  // system text list item of the PDF header

// Prints a report on a device. A given open device (dev not null) is used
// and handed back open with its counters; otherwise the device string is
// parsed, and the device finished and closed at the end. The limits text
// holds four comma items: the run condition, the start condition, the
// continuation condition (empty with a current data file: the key limit of
// the key text) and a condition joined to the record condition. An empty key
// text is the current file's key 1. Progress: "" the key field as text,
// "PROGRESS" a bar, "NONE" nothing, anything else an expression shown as
// text. Copies: an expression n, the report printed n + 1 times from the
// same page number. The value argument is not used. Answers 0 (statuses up
// to 122 count as 0), 127 when the run condition is false, or the error.
Status ReportRun(StrValue device, DevRecord* dev, StrValue name, StrValue limits, StrValue recordCond,
                 StrValue keyText, StrValue value, StrValue progress, StrValue copies);

// Copies a text file line by line (each followed by CR LF) to the device
// string's device; with a report name the file's lines go to list 30 (the
// first line on top) and that report prints them through its group lines
// instead. Then DevFinish and DevClose.
Status ReportPrintFile(StrValue device, StrValue file, StrValue report);

// Limits of a report spec ("from,to FILE:n"): 1 the from-limit, 2 the
// to-limit (a single value is the to-limit), 3 the value of FILE, which also
// becomes the current data file; other selectors the error string 163. A
// limit that is an expression is evaluated, otherwise trimmed.
StrValue ReportLimitItem(StrValue limits, int selector);
StrValue ReportLimitNormalize(StrValue limit);
// Item n of the limits text; an empty item 3 with a current data file is
// the key limit "(IER()<2&&KEY$()<='<key><0xFF>')", the key quoted as a
// literal.
StrValue ReportKeyLimitCond(StrValue limits, int n, StrValue keyText);
// The PDF header picture of a report: "pdf_<prefix><name>.png", then
// "pdf_<name>.png" in the default directories, else the first "pdf_*.png"
// there whose middle matches the name ("?" one character, "@" any run).
// The path (empty when none) is stored in system text list item 3.
StrValue ReportPdfHeaderFind(StrValue name);

// Registers DOCPRINT and REPORT with the statement handlers:
//   DOCPRINT 'name[,limits]'[,condition[,key text[,copies]]]
//       runs the report on the top device (none: 168)
//   REPORT 'device<file'[,report]  prints the file through ReportPrintFile
//       (an empty device is asked with DevSelect; a cancel is 122)
//   REPORT spec[,a2[,a3[,flags]]]  the report launch (ReportStart)
// Both leave the status in _STAT and answer 0.
void ReportStatementsRegister();
