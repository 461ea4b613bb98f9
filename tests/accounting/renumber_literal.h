// The renumbering as first described, kept as the reference the fast path
// must agree with: one key-range update per changed number through
// AcRenumberRewrite, each over the whole day, and a day done again (124)
// after the rest of it was moved out of the way. Its cost is the square of
// a day's rows, which is why the program does not run it.
#pragma once
#include <string>
#include <vector>

#include "apps/accounting/renumber.h"
#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"

namespace literal {

inline int64_t RowNumber(int file, uint32_t row, uint16_t field) {
  uint16_t m = StrAreaMark(-1);
  StrValue v = SelFieldGet(file, row, field);
  int64_t n = v.IsError() ? INT64_MIN : std::stoll(v.Str());
  StrAreaMark(m);
  return n;
}

inline Status Record(int file, uint16_t field, const AcRenumberSet& set, const std::string& day, int64_t* counter) {
  StrValue d = StrMake(day.data(), static_cast<uint32_t>(day.size()));
  uint32_t rows = SelCount(file);
  for (uint32_t i = 0; i < rows; ++i) {
    int64_t v = RowNumber(file, i, field), u = *counter, w = u + 1;
    if (v == u) continue;
    if (v == w && i > 0) {
      *counter = w;
      continue;
    }
    if (v <= w) {
      bool taken = false;
      for (uint32_t j = i + 1; j < rows; ++j) {
        int64_t x = RowNumber(file, j, field);
        if (x == u) taken = true;
        if (x >= u) break;
      }
      if (taken) {
        std::vector<int64_t> rest;
        for (uint32_t j = i; j < rows; ++j) {
          int64_t x = RowNumber(file, j, field);
          if (rest.empty() || rest.back() != x) rest.push_back(x);
        }
        int64_t next = RowNumber(file, rows - 1, field) + 1;
        for (int64_t x : rest)
          if (Status s = AcRenumberRewrite(set, d, x, next++)) return s;
        return st::UNDEFWARNING;
      }
    }
    if (i > 0) *counter = w;
    if (Status s = AcRenumberRewrite(set, d, v, *counter)) return s;
    while (i + 1 < rows && RowNumber(file, i + 1, field) == *counter) ++i;
  }
  return 0;
}

// The whole range, without journal or progress window.
inline Status Renumber(const std::string& from, const std::string& to, int64_t counter, const AcRenumberSet& set) {
  int file = set.files.back().file;
  uint16_t field = DicFieldFind(file, StrFromC(set.files.back().field.c_str()));
  DataFileUpStat(false);
  Status s = DataFileReadKey(file, set.key, StrFromC(from.c_str()), dfmove::kAlsoOn1);
  while (s < 2) {
    uint16_t m = StrAreaMark(-1);
    std::string key = KeyValueCur(file, set.key).Str();
    StrAreaMark(m);
    if (key.compare(0, to.size(), to) > 0) break;
    std::string day = key.substr(0, 8);
    do {
      int64_t kept = counter;
      s = SelOpen(file, set.key, StrFromC(day.c_str()), StrFromC(day.c_str()), kSelAllRows, 3, StrFromC(""));
      if (s != 0) break;
      s = Record(file, field, set, day, &counter);
      SelRelease(file);
      if (s == st::UNDEFWARNING) counter = kept;
    } while (s == st::UNDEFWARNING);
    if (s != 0) break;
    ++counter;
    std::string next = day;
    next.back() = static_cast<char>(next.back() + 1);
    s = DataFileReadKey(file, set.key, StrFromC(next.c_str()), dfmove::kAlsoOn1);
  }
  DataFileUpStat(true);
  return s <= dfres::kEnd ? 0 : s;
}

}  // namespace literal
