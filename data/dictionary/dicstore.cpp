#include "data/dictionary/dicstore.h"

#include <cstring>

#include "runtime/valtables.h"

namespace dicstore {

uint32_t Count(uint16_t t) { return ValTableInfo(t, 0); }

void Get(uint16_t t, uint32_t i, void* out, uint16_t size) {
  const void* p = ValTableInfo(t, 1) == size ? ValTableGet(t, i) : nullptr;
  if (p) std::memcpy(out, p, size);
  else std::memset(out, 0, size);
}

Status Set(uint16_t t, uint32_t i, const void* bytes, uint16_t size) { return ValTableSet(t, i, bytes, size); }
Status Remove(uint16_t t, uint32_t i) { return ValTableDelete(t, i); }
Status Truncate(uint16_t t, uint32_t count) { return ValTableTruncate(t, count); }

}  // namespace dicstore
