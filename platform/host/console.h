// Standard error: every diagnostic the programs write there (an error shown
// before message boxes exist, a refused setting, a failed assertion, a
// stalled UI script) goes through this one function.
#pragma once
#include <string_view>

namespace host {

// Writes the text as it is (the caller ends its line) and flushes it.
void StdErrWrite(std::string_view text);

}  // namespace host
