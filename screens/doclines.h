// Documents: one header record and its line records in one data file, the
// lines kept in a line buffer (screens/gridbuf.h) while the document is
// edited. Not built yet: each operation answers 148 FEATUREREMOVED naming
// itself, so a navigation grid that pages through its file stops with that
// error instead of showing rows it never read.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/gridbuf.h"

// Loads the lines between the keys (the key of line 1 and the document
// prefix when empty) into the buffer from its current row, each row filled
// by READLINS$; the current row returns where it was.
Status MovsLinesLoad(GridBuffer& buffer, StrValue fromKey, StrValue toKey);
