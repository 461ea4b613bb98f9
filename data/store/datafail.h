// The data layer's way of recording an error it answers itself: the code
// with module 18 (DataFile) and a detail that names the file or record.
#pragma once
#include <algorithm>
#include <string_view>

#include "runtime/errors.h"

inline Status DataFail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(std::min<size_t>(detail.size(), 1024))), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}
