// The fuzz targets' common ground: each target is one function over one
// input, run in a fresh runtime; the same functions are linked into the
// fuzzing programs (libFuzzer, clang) and into the replay test (the
// sanitizer build), which feeds them every file of their corpora.
//
// A target is declared with KX_FUZZ_TARGET(name) { ... } and sees `data` and
// `size`. FuzzSession gives it the runtime a program has after its command
// line was read (memory, string area, system variables, locale, hooks of
// every layer, a headless window system in cancel mode, a clock that moves
// only when slept on) and takes it all down again at its end: streams, data
// files, devices, value tables, the string-list store and the string area,
// so one input never sees what another left.
//
// Nothing a target runs may reach outside: child processes are refused
// (harness.cpp), the fuzzing script runs the programs as an unprivileged
// user in a scratch directory, and every run is bounded (a statement budget
// for procedures, the readers' own limits for the rest).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/strvalue.h"

using FuzzFn = int (*)(const uint8_t* data, size_t size);

struct FuzzTarget {
  const char* name;
  FuzzFn fn;
};

// Every target linked into this program, in registration order.
std::vector<FuzzTarget>& FuzzTargets();
bool FuzzRegister(const char* name, FuzzFn fn);

#define KX_FUZZ_TARGET(name)                                              \
  static int KxFuzz_##name(const uint8_t* data, size_t size);              \
  [[maybe_unused]] static const bool kxFuzzReg_##name = FuzzRegister(#name, KxFuzz_##name); \
  static int KxFuzz_##name(const uint8_t* data, size_t size)

// Statements a procedure may run (counted at the runner's polls, which
// come at least every kFuzzPollStatements statements) before it is
// cancelled (122).
constexpr int kFuzzPollBudget = 64;

class FuzzSession {
 public:
  // The command line the runtime is started with (options, paths).
  explicit FuzzSession(std::string_view commandLine = "KX.EXE");
  ~FuzzSession();
  FuzzSession(const FuzzSession&) = delete;
  FuzzSession& operator=(const FuzzSession&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The input as text (bytes kept as they are, NUL included).
inline std::string_view FuzzText(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}
// A view of at most 65535 bytes of the input as a string value (no copy).
StrValue FuzzStr(std::string_view text);
// Splits the input at each line "@@@@" (CR LF or LF) into at most `parts`
// pieces; a missing piece is empty. Multi-file inputs (a data file and its
// index, a definition and what it includes) are written this way.
std::vector<std::string> FuzzSplit(std::string_view text, size_t parts);
// Writes a file of the scratch directory (the current directory).
void FuzzWriteFile(const std::string& name, std::string_view bytes);
// A part "NAME\ncontent" as the file NAME (letters, digits and ".", at most
// 12 characters; anything else writes nothing).
void FuzzWriteNamed(std::string_view part);
// The settings of a program started as "FZ:Fuzz" (identity, title) with the
// scratch directory as its DEFAULT directory, where its files are written.
void FuzzAppSettings();
// Makes a fresh scratch directory under the temporary directory the current
// one; it is removed when the program exits normally.
bool FuzzScratchEnter();
