#include "data/dicstore.h"

#include <cstring>
#include <vector>

// TEMPORARY STAND-IN for the value tables, until script/valtables.h is on
// the main line: the same contract (element size fixed by the first write,
// at most 65535 bytes per table, 168 past that), kept in plain vectors.
namespace {
struct StandInTable {
  uint16_t size = 0;
  std::vector<unsigned char> bytes;
};
StandInTable g_tables[4];
}  // namespace

namespace dicstore {

uint32_t Count(uint16_t t) {
  if (t > kKeyParts || g_tables[t].size == 0) return 0;
  return static_cast<uint32_t>(g_tables[t].bytes.size() / g_tables[t].size);
}

void Get(uint16_t t, uint32_t i, void* out, uint16_t size) {
  std::memset(out, 0, size);
  if (i < Count(t) && g_tables[t].size == size) std::memcpy(out, g_tables[t].bytes.data() + size_t{i} * size, size);
}

Status Set(uint16_t t, uint32_t i, const void* bytes, uint16_t size) {
  if (t > kKeyParts) return st::DATAOUTBOUND;
  StandInTable& tb = g_tables[t];
  if (tb.size == 0 || tb.bytes.empty()) tb.size = size;
  if (tb.size != size) return st::INTERNALERROR;
  size_t need = (size_t{i} + 1) * size;
  if (need > 65535) return st::DATAOUTBOUND;
  if (tb.bytes.size() < need) tb.bytes.resize(need, 0);
  std::memmove(tb.bytes.data() + size_t{i} * size, bytes, size);
  return st::OK;
}

Status Remove(uint16_t t, uint32_t i) {
  if (i >= Count(t)) return st::DATAOUTBOUND;
  auto at = g_tables[t].bytes.begin() + static_cast<long>(size_t{i} * g_tables[t].size);
  g_tables[t].bytes.erase(at, at + g_tables[t].size);
  return st::OK;
}

Status Truncate(uint16_t t, uint32_t count) {
  if (count < Count(t)) g_tables[t].bytes.resize(size_t{count} * g_tables[t].size);
  return st::OK;
}

}  // namespace dicstore
