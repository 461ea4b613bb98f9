// Internal to the dictionary modules (dictionary.cpp, dicload.cpp): where the
// descriptors are kept and which system integers the store reads.
//
// The four descriptor tables are value tables 0-3, addressed by element
// index and copied in and out, so no address into a table is ever held.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"

namespace dicstore {

enum Table : uint16_t { kFiles = 0, kFields = 1, kKeys = 2, kKeyParts = 3 };

uint32_t Count(uint16_t t);
// Copies element i out (zeros when i is beyond the count).
void Get(uint16_t t, uint32_t i, void* out, uint16_t size);
// Writes element i, growing the table to i + 1 elements.
Status Set(uint16_t t, uint32_t i, const void* bytes, uint16_t size);
Status Remove(uint16_t t, uint32_t i);
Status Truncate(uint16_t t, uint32_t count);

// Why the last definition was refused (empty when it was not explained).
const std::string& LastReason();
void ClearReason();

}  // namespace dicstore
