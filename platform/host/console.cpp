#include "platform/host/console.h"

#include <cstdio>

namespace host {

void StdErrWrite(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace host
