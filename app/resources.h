// The program's compiled-in pictures: a table the build writes for each
// program (tools/kxpicture --resource) and links into its executable only;
// the program's entry hands it to the start-up (AppConstants::bitmaps).
#pragma once
#include <cstddef>

#include "platform/ui/ui.h"

extern const ui::BitmapResource kAppBitmaps[];
extern const size_t kAppBitmapCount;
