#include "screens/choice.h"

#include <algorithm>
#include <climits>

#include "runtime/seam.h"
#include "screens/fonts.h"

int WinChoice(StrValue, StrValue, int, Status* status) {
  *status = SeamMissing("WinChoice");
  return 0;
}
Status WinChoiceClose() { return 0; }

int32_t FieldPixelWidth(int32_t n) {
  int64_t w = FontCellSize().width;
  int64_t r = n / 10 + (n % 10 > 5 ? 1 : 0);
  int64_t px = static_cast<int64_t>(n) * w - (r - 1) * (w / 2);
  return static_cast<int32_t>(std::clamp<int64_t>(px, INT32_MIN, INT32_MAX));
}
