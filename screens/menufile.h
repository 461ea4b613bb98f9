// Menu files: one item per line; the number of TABs gives the level; a
// caption alone, or a caption, a comma and a command line.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct MenuItemRec {
  StrValue text;            // the line from its first non-TAB character
  int16_t commandFlag = 0;  // -1 when the text is a caption, a comma and a command
};
struct MenuFileStep {
  int levelStep = 0;  // level minus the previous level
  int end = 0;        // -1 when no line is left
  MenuItemRec item;
};
// Queues the lines of the menu file (item 1 of a comma list, extension PMT)
// on the line queue; 0, 0xffff when the file is missing, or the error that
// kept its lines from being queued (159, 146).
Status MenuFileOpen(StrValue name);
MenuFileStep MenuFileItem();
MenuFileStep MenuFileNext();
