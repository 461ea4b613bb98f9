// The menu line reader.
//
// Menu lines: one item per line; the number of leading TABs gives the level
// (0 = a top-level menu of the bar); a caption alone, or a caption, a comma
// and a command line. A menu file (extension PMT) is queued on the line queue
// (string list 37) by MenuFileOpen; a menu tree expanded from definitions is
// queued on string list 38 (screens/menus/menutree.h), which MenuReaderReset points
// the reader at. One reader at a time.
//
// The reader reports each line's level step (its level minus the previous
// line's) and, after the last line, a separate end marker: a step of -1 is a
// normal step (one submenu closed), never the end. Blank lines (white space
// only) are skipped.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct MenuItemRec {
  StrValue text;            // the line from its first non-TAB character (string area)
  int16_t commandFlag = 0;  // -1 when the text is a caption, a comma and a command
};
struct MenuFileStep {
  int levelStep = 0;  // level minus the previous level
  int end = 0;        // -1 when no line is left
  MenuItemRec item;
};
// Queues the lines of the menu file (item 1 of a comma list, extension PMT)
// on the line queue; 0, 0xffff when the file is missing or holds no line, or
// the error that kept its lines from being queued (159, 146; the file name
// in the detail).
Status MenuFileOpen(StrValue name);
// Reads the head of the reader's list without removing it.
MenuFileStep MenuFileItem();
// Removes the head and reads the next line; the end marker when none is left.
MenuFileStep MenuFileNext();
// Points the reader at `count` lines at the front of string list `list`
// (37 or 38), previous level 0.
void MenuReaderReset(uint16_t list, uint32_t count);
// Lines the reader still has queued.
uint32_t MenuReaderQueued();
// Drops the lines the reader still has queued.
void MenuReaderDrain();
