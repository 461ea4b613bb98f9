// Saved transaction configurations: the file of tagged lines that keeps the
// set-ups of the transaction menu (screens/transactions/transmenu.h) under their names.
//
// The file is the application prefix followed by "trans.ppn" (COtrans.ppn),
// in the data directory. Its lines are tagged lines of kind 1: the tag
// right-aligned in two characters, a blank, the content; CR LF; tags in
// ascending order.
//   tag 0   FD$=<the names, each quoted, joined by ",">
//   tag n   the n-th name's set-up, one item a line:
//           TRANSPARMSMODE%=<mode>
//           TARGET$=<external name>          (when there is one)
//           NAME=<value>                     each non-empty parameter, in
//                                            the engine's order
// Values are quoted with "'", or with '"' when they hold "'". A value that
// holds both, a CR or an LF cannot be kept on one line: the save is refused
// (163 naming the parameter). Names are at most kTransNameMax characters,
// without ",", quotes or control characters, and unique; at most
// kTransConfigMax of them (the tag has two characters), 168 beyond.
//
// A save rewrites the file once, tag 0 and the new tag together: the lines
// are written to a fresh file beside the old one, synced, and renamed over
// it, so a failure at any point leaves the old file whole.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kTransConfigMax = 99;
constexpr uint32_t kTransNameMax = 40;

// The text in front of a tagged line's content: kind 1 "%2s ", kind 2 a
// double quote and the tag in two characters, kind 3 "%4s ", other kinds
// nothing.
std::string TransFieldFormat(int kind, int tag);
// Queues each item as a tagged line of the kind on the line queue (string
// list 37). 159 when the queue is full (what this call queued is dropped).
Status TransTagLines(int kind, const std::vector<std::string>& items, int tag);
// Writes the text and CR LF at the stream's end.
Status StreamWriteLine(uint16_t slot, StrValue text);
// Writes the line at the head of the line queue and drops it.
Status StreamWritePending(uint16_t slot);
// Replaces the lines of the tag (and of tag2 when it is not -1) with the
// queued lines, which must be tagged lines of the kind in ascending tag
// order: the file's other lines are copied in order; a queued line goes
// just before the first kept line of a higher tag, or where the replaced
// lines stood; what is left is written at the end. A missing file is made
// of the queued lines alone. The queue is empty afterwards on every path.
// The old file stays as it was unless the whole new text was written.
Status TextFileMergeLines(StrValue file, int kind, int tag, int tag2 = -1);

// The configurations file's path.
StrValue TransPpnPath();
// The raw names list of tag 0 (the value of FD$); empty when the file or
// the item is missing.
StrValue TransConfigNames(StrValue file);
// The names of a names list: items separated by commas outside quotes,
// trimmed, one pair of quotes removed.
std::vector<std::string> TransNamesSplit(std::string_view list);
// 0 for a name that can be saved beside the names; 163 for an empty name,
// one too long or holding ",", a quote or a control character; 165 for a
// name already there (any letter case).
Status TransNameCheck(const std::vector<std::string>& names, const std::string& name);
// The lines of the current parameter set saved under a mode (163 naming a
// parameter whose value cannot be kept on a line).
Status TransConfigLines(uint16_t mode, std::vector<std::string>* lines);
// Saves the current parameter set under the name, without asking: 168
// when kTransConfigMax names are there, TransNameCheck's answer, 163 for a
// value that cannot be saved, or the file's error; the file unchanged on
// every error.
Status TransConfigStore(StrValue file, const std::string& name, uint16_t mode);
// The save dialog: the question of message 0097; on yes the name, asked
// with the field of message 0056 until it can be saved (165 shown for a
// name already there), then TransConfigStore. Errors are shown in an
// error box and answered. 0 when not saved by choice, 122 cancelled.
Status TransSaveConfig(uint16_t mode);
