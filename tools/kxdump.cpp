// Developer tool: prints a record file and its index, or checks them.
//
//   kxdump [--check] DATA INDEX RECLEN KEY...
//
// KEY is a key's segments as offset:length pairs (0-based), joined by ",",
// for example 0:6 or 6:10,0:6. With --check it prints the problems found
// (nothing when the files are sound) and exits 1 when there are any; a
// record length or key that is not a number gives exit 2.
#include <cstdio>
#include <string>

#include "data/store/reccheck.h"

namespace {

// A decimal number of at most 5 digits up to max; false for anything else.
bool ParseNum(const std::string& text, uint32_t max, uint32_t* out) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *out = static_cast<uint32_t>(std::stoul(text));
  return *out <= max;
}

bool ParseKey(const std::string& text, RecKey* key) {
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    std::string seg = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    size_t colon = seg.find(':');
    uint32_t offset = 0, length = 0;
    if (colon == std::string::npos || !ParseNum(seg.substr(0, colon), 65535, &offset) ||
        !ParseNum(seg.substr(colon + 1), 65535, &length))
      return false;
    key->segs.push_back(KeySeg{static_cast<uint16_t>(offset), static_cast<uint16_t>(length)});
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return !key->segs.empty();
}

}  // namespace

int main(int argc, char** argv) {
  int a = 1;
  bool check = a < argc && std::string(argv[a]) == "--check";
  if (check) ++a;
  if (argc - a < 4) {
    std::fprintf(stderr, "usage: kxdump [--check] DATA INDEX RECLEN KEY...\n");
    return 2;
  }
  RecCheckSpec spec;
  spec.dataPath = argv[a];
  spec.indexPath = argv[a + 1];
  if (!ParseNum(argv[a + 2], 65535, &spec.recLen) || spec.recLen == 0) {
    std::fprintf(stderr, "kxdump: bad record length %s\n", argv[a + 2]);
    return 2;
  }
  for (int i = a + 3; i < argc; ++i) {
    RecKey key;
    if (!ParseKey(argv[i], &key)) {
      std::fprintf(stderr, "kxdump: bad key %s\n", argv[i]);
      return 2;
    }
    spec.keys.push_back(key);
  }
  std::string out = check ? RecFileCheck(spec) : RecFileDump(spec);
  std::fputs(out.c_str(), stdout);
  return check && !out.empty() ? 1 : 0;
}
