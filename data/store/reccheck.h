// Developer views of a record file and its index: a dump that prints both
// files field by field and a checker that verifies what the store relies on.
//
// Both read the files from disk on their own (they share no code with the
// engine they check), so a fault of the engine cannot hide itself. The
// checker verifies: the layout (a record length above 0, at least one key,
// every key segment inside the record); the data size is a multiple of the record length; the
// index header and length; N + F equals the record count; every free number
// is in range, listed once and its record carries the delete mark; every key
// array lists each live record exactly once, no free one, in ascending order
// of the key's text; live records do not carry the delete mark.
// Used by the fault and crash tests (which end by running it) and by
// tools/kxdump.
#pragma once
#include <string>
#include <vector>

#include "data/store/recfile.h"

struct RecCheckSpec {
  std::string dataPath;
  std::string indexPath;
  uint32_t recLen = 0;
  std::vector<RecKey> keys;
};

// One line per problem found; empty when the files are sound.
std::string RecFileCheck(const RecCheckSpec& spec);
// Header, free list, each key's array with its key texts, then the records.
std::string RecFileDump(const RecCheckSpec& spec);
