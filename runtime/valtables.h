// Value tables: 24 numbered growable arrays of fixed-size elements.
//
// The framework keeps its fixed-size records here: data-file, field, key and
// key-part descriptors (tables 0-3), screen descriptors and window records
// (4, 5), array descriptors (6), integer variables (7), number variables (8)
// and compiled procedures (10). A table holds `count` elements of `size`
// bytes, at most 65535 bytes in all; an empty table has neither.
//
// Ownership: the root of the 24 tables and every table's element block are
// memory blocks of owner 15 (StructFuncs). A table's block is reserved at its
// full 65535-byte bound when the table is created, so growing a table never
// moves its elements: an element address stays valid while the table exists
// (until its count reaches 0 or the tables are freed). Deleting an element
// shifts the later ones down one place.
//
// Errors (recorded with module 15): 176 when the root or a block cannot be
// allocated; 168 for a table number of 24 or more, for growth past 65535
// bytes (the table is left unchanged) and for deleting beyond the count; 141
// for writing with an element size other than the table's.
#pragma once
#include <cstdint>

#include "runtime/memory.h"
#include "runtime/status.h"

struct ValTable {
  unsigned char* ptr = nullptr;  // null = empty table
  uint16_t size = 0;             // element size in bytes
  uint16_t count = 0;            // elements in use
};

constexpr uint16_t kValTables = 24;
constexpr uint32_t kValTableMaxBytes = 65535;

// Tables with a fixed role.
enum ValTableId : uint16_t {
  VtFiles = 0,
  VtFields = 1,
  VtKeys = 2,
  VtKeyParts = 3,
  VtScreens = 4,
  VtWindows = 5,
  VtArrays = 6,
  VtIntVars = 7,
  VtNumVars = 8,
  VtProcedures = 10,
};

// Creates the root with every table empty; a root that exists already is
// freed first with its tables.
Status ValTablesInit();
// Frees every table and the root.
Status ValTablesFree();

namespace vtdetail {
inline ValTable* g_root = nullptr;
inline uint16_t g_rootSlot = 65535;
inline MemBlockWatch g_rootWatch;
// Per table, a number that only grows (see ValTableStamp).
inline uint32_t g_stamps[kValTables] = {};
inline ValTable* Table(uint16_t t) {
  if (t >= kValTables || !g_root || !g_rootWatch.Alive(g_rootSlot, g_root, MOD_STRUCTFUNCS)) return nullptr;
  return &g_root[t];
}
}  // namespace vtdetail

// True while the root exists and the memory table still holds it (a forced
// shutdown of the table frees it behind this module's back).
inline bool ValTablesReady() { return vtdetail::Table(0) != nullptr; }

// Address of element i, null when out of range or the table is empty.
inline void* ValTableGet(uint16_t t, uint32_t i) {
  const ValTable* tab = vtdetail::Table(t);
  if (!tab || !tab->ptr || i >= tab->count) return nullptr;
  return tab->ptr + static_cast<size_t>(i) * tab->size;
}
// Copies size bytes into element i (zeros when bytes is null). The first use
// of an empty table fixes its element size; the table grows to i + 1 elements
// with new elements zero-filled. bytes may point into the table itself.
Status ValTableSet(uint16_t t, uint32_t i, const void* bytes, uint16_t size);
// Removes element i; the later elements move down. The table becomes empty
// (and its block is freed) when its count reaches 0.
Status ValTableDelete(uint16_t t, uint32_t i);
// Removes the elements from position count on (no-op when already shorter).
Status ValTableTruncate(uint16_t t, uint32_t count);
// mode 0: element count; mode 1: element size; 0 for an empty table.
inline uint32_t ValTableInfo(uint16_t t, int mode) {
  const ValTable* tab = vtdetail::Table(t);
  if (!tab || !tab->ptr) return 0;
  return mode == 0 ? tab->count : mode == 1 ? tab->size : 0;
}
// A number that changes whenever table t may have changed (a set, delete or
// truncate of it, the root made or freed): what was worked out from the
// table stays good while the number is the same.
inline uint32_t ValTableStamp(uint16_t t) { return t < kValTables ? vtdetail::g_stamps[t] : 0; }
