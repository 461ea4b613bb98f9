// The SQLite calls the benchmarks make against their peer: a failure is a
// broken benchmark, so it aborts.
#pragma once
#include <sqlite3.h>

#include <cstdlib>
#include <string>

inline void SqlExec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}
inline sqlite3_stmt* SqlPrep(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) std::abort();
  return s;
}
inline void SqlBind(sqlite3_stmt* s, int i, const std::string& v) {
  sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}
// Steps a statement that gives no rows, then resets it.
inline void SqlStep(sqlite3_stmt* s) {
  if (sqlite3_step(s) != SQLITE_DONE) std::abort();
  sqlite3_reset(s);
}
