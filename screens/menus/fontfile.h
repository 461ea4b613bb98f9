// The font file KXFONT.PPN: its first line chooses the screen font at start;
// the FontSet verb offers its lines in a choice window and moves the chosen
// one to the top.
#pragma once
#include "runtime/status.h"

// Adds the font of the file's first line to the font table (a missing file
// or unusable sizes keep the entry point's font).
Status FontLoad();
// Offers the file's lines; the chosen one becomes the first line.
Status FontSelect();
