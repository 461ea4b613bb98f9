// Per-run state of the procedure runner, shared by the runner and the CALL
// and LOCALVARS statements (procedures.h holds the public interface).
#pragma once
#include <cstdint>

struct PrcFrame {
  uint32_t argBase;     // arguments of this run lie above this count of list 35
  uint16_t resultMark;  // the run's current result is the slot above this mark
  bool resultIsNumber;  // that result is 8 raw bytes of a number
  const uint16_t* argKinds = nullptr;  // kind of each argument (1 a string), when known
  uint16_t argCount = 0;
};

// The innermost run's frame; a frame with nothing above it outside any run.
PrcFrame& PrcFrameTop();
// The argument base of the next run to start, with the kinds of the
// arguments pushed above it (CALL sets it just before the call, clears it
// with kPrcNoArgBase after).
constexpr uint32_t kPrcNoArgBase = 0xffffffff;
void PrcNextArgBase(uint32_t base, const uint16_t* kinds = nullptr, uint16_t count = 0);
