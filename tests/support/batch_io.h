// The INPUT command file and the OUTPUT file of a batch run, for tests that
// feed forms and choices from INPUT lines and read what OUTPUT recorded.
#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "runtime/options.h"
#include "runtime/streams.h"
#include "runtime/strvalue.h"
#include "runtime/sysvars.h"

// Writes the lines (each ended by CR LF) to the file and opens it as the
// INPUT command file at its first line: its stream slot in `_INHND`.
// Answers the slot (kStreamNoSlot when it cannot be opened).
inline uint16_t BatchInputOpen(const std::string& path, const std::vector<std::string>& lines) {
  {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& l : lines) out << l << "\r\n";
  }
  uint16_t slot = StreamOpen(StrMake(path.data(), static_cast<uint32_t>(path.size())), kStreamReadOnly);
  if (slot != kStreamNoSlot) VarSysIntSet(kSysInHnd, static_cast<int16_t>(slot));
  return slot;
}

// The next line the INPUT file would give, "<end>" at its end.
inline std::string BatchInputRest(uint16_t slot) {
  const StrAreaScope scope;
  return StreamAtEnd(slot) ? std::string("<end>") : StreamReadLine(slot, -1).Str();
}

// OUTPUT named on the command line and switched on, as after the INPUT file.
inline Status BatchOutputOn(const std::string& path) {
  std::string line = "kx /OUTPUT:\"" + path + "\"";
  Status s = OptNormalise(StrMake(line.data(), static_cast<uint32_t>(line.size())));
  if (s == 0) VarSysIntSet(kSysOutHnd, 1);
  return s;
}
