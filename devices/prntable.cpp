#include "devices/prntable.h"

#include <algorithm>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "runtime/streams.h"

namespace {

constexpr uint32_t kPrnTableItem = 0;  // of the system text list
constexpr uint32_t kPrnFileMax = kPrnHeadSize + kPrnPorts * kPrnRecordSize;

std::string DefaultRecord() {
  std::string r(kPrnRecordSize, '\0');
  r[kPrnFieldWidth * kPrnFieldSize] = 80;
  r[kPrnFieldLines * kPrnFieldSize] = 72;
  return r;
}

// The default record and the whole records of the file (none when it is
// missing or holds nothing past its head).
std::string TableImage() {
  std::string table = DefaultRecord();
  StrValue path = FileSearch(DynStrGet(SettingsList, SetDefaultDirItem), StrFromC(kPrnTableFile));
  if (path.IsError() || path.len == 0) return table;
  int64_t size = FileSize(path);
  if (size <= static_cast<int64_t>(kPrnHeadSize)) return table;
  char buf[kPrnFileMax];
  uint32_t n = FileReadAt(path, 0, static_cast<uint32_t>(std::min<int64_t>(size, kPrnFileMax)), buf);
  if (n == kStreamFail || n <= kPrnHeadSize) return table;
  uint32_t records = (n - kPrnHeadSize) / kPrnRecordSize;
  table.append(buf + kPrnHeadSize, records * kPrnRecordSize);
  return table;
}

}  // namespace

Status PrnTableLoad() {
  if (DynStrGet(SystemTextList, kPrnTableItem).len > 0) return 0;
  StrAreaScope scope;
  std::string table = TableImage();
  return DynStrSet(SystemTextList, kPrnTableItem, StrMake(table.data(), static_cast<uint32_t>(table.size())));
}

StrValue PrnTableField(int n, int p) {
  if (n < 0 || n > kPrnFieldLines) return StrMake("", 0);
  PrnTableLoad();
  std::string_view table = DynStrGet(SystemTextList, kPrnTableItem).View();
  std::string fallback;
  uint64_t at = static_cast<uint64_t>(p) * kPrnRecordSize;
  if (p <= 0 || p > kPrnPorts || at + kPrnRecordSize > table.size()) {
    if (table.size() < kPrnRecordSize) table = fallback = DefaultRecord();  // the store refused it
    at = 0;
  }
  std::string_view field = table.substr(at + static_cast<uint64_t>(n) * kPrnFieldSize, kPrnFieldSize);
  while (!field.empty() && field.back() == '\0') field.remove_suffix(1);
  return StrFromView(field);
}

uint8_t PrnTableByte(int n, int p) {
  StrAreaScope scope;
  StrValue f = PrnTableField(n, p);
  return f.IsError() || f.len == 0 ? 0 : static_cast<uint8_t>(f.ptr[0]);
}

void PrnTableForget() {
  if (DynStrCount(SystemTextList) > kPrnTableItem) DynStrSet(SystemTextList, kPrnTableItem, StrMake("", 0));
}
