// Fonts, About and help.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Sets the text-window geometry to columns by rows.
void ScreenSizeDefault(int columns, int rows);
// Appends a font to the font table (at most 7 entries).
Status FontAdd(int height, int width, int weight, StrValue face);
Status AboutShow(StrValue text);
// A non-empty text shows About with it; an empty one opens help.
Status HelpShow(StrValue text);
