// The recorded error, its detail and the texts that name a status code.
//
// The first status of 128 or more is recorded with the module that raised it
// (ErrorState) and stays until cleared (ErrSet with condition 2 and code 0);
// a detail text, usually the offending name, is kept beside it. The
// outermost caller turns a code into one text with ErrText and shows it once.
//
// The detail is bounded: a text given to set or append keeps at most
// kErrDetailPieceMax bytes, and an append first cuts the kept detail back to
// at most kErrDetailMax bytes (at its last CR, or flatly when it holds none)
// before joining the new text with CR LF. So a detail never fills the
// string-list store it lives in.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kErrDetailMax = 1024;
constexpr uint32_t kErrDetailPieceMax = 4096;

// condition 0: records nothing, answers 0. Otherwise records (code, module)
// when nothing is recorded and code >= 128, or always with condition 2 (code 0
// then clears). Answers value.
Status ErrSet(int condition, uint16_t module, Status code, Status value);
uint32_t ErrGet();  // code in the low 16 bits, module in the high 16 bits
StrValue ErrSetStr(int condition, uint16_t module, Status code, StrValue s);
Status ErrDetailSet(Status code, StrValue text, bool append);
StrValue ErrDetail();
inline void ErrClear() { ErrSet(2, 0, 0, 0); }

// Keeps the recorded error and its detail as they are when made; Restore
// puts both back, for a call whose failure the caller ignores. The detail is
// kept as a copy in the string area, so Restore must come before the area
// is released below the keeper's construction.
class ErrorKeeper {
 public:
  ErrorKeeper();
  void Restore();

 private:
  uint32_t code_;
  StrValue detail_;
};

// The English name of a code ("Undefined" for codes without one, and 182).
StrValue ErrCodeName(Status code);
// The name of a framework module 1-22; empty for 0 and unknown numbers.
StrValue ErrModuleName(uint16_t module);
// The text of a code, -1 meaning the recorded one: 0 message 0005, 1-120
// message 0008, 121 and 126 the detail (the name when it is empty), any other
// code its name.
StrValue ErrCodeText(int code);
// The full text shown to the user: below 128 ErrCodeText; from 128 message
// 0009, the name, the recorded module in parentheses and ": " and the detail
// when there is one, e.g. "Error File Not Found(DataFile): CUST.FD".
StrValue ErrText(int code);
