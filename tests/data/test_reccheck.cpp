// The checker never calls a bad layout or a bad file sound: every fault it
// cannot read past is a clear message, never an empty answer or a throw.
#include <gtest/gtest.h>

#include <fstream>

#include "data/store/reccheck.h"
#include "support/runtime_fixture.h"

namespace {

TEST(RecFileCheckTest, BadLayoutsAndFilesAreNamed) {
  TempDir dir;
  std::ofstream(dir.File("A.FD"), std::ios::binary) << "ABCD1234";  // two records of 4
  std::ofstream(dir.File("A.DIR"), std::ios::binary);                 // an empty index
  auto spec = [&](uint32_t len, std::vector<RecKey> keys) {
    return RecCheckSpec{dir.File("A.FD"), dir.File("A.DIR"), len, std::move(keys)};
  };
  const RecKey k0{{KeySeg{0, 4}}};
  struct Row {
    const char* id;
    RecCheckSpec spec;
    const char* says;
    bool unreadable = true;  // the dump names it too
  } rows[] = {
      {"record length 0", spec(0, {k0}), "record length 0"},
      {"segment past the record", spec(4, {RecKey{{KeySeg{3, 2}}}}), "outside the record"},
      {"segment far past the record", spec(4, {RecKey{{KeySeg{60000, 9}}}}), "outside the record"},
      {"no key", spec(4, {}), "no key"},
      {"size not a multiple", spec(3, {RecKey{{KeySeg{0, 3}}}}), "not a multiple"},
      {"stale index", spec(4, {k0}), "!= 2 records", false},
      {"missing data file", RecCheckSpec{dir.File("B.FD"), dir.File("B.DIR"), 4, {k0}}, "cannot be read"},
  };
  for (const Row& r : rows) {
    std::string out = RecFileCheck(r.spec);
    EXPECT_NE(out.find(r.says), std::string::npos) << r.id << ": " << out;
    if (r.unreadable) {
      EXPECT_NE(RecFileDump(r.spec).find(r.says), std::string::npos) << r.id;
    }
  }
}

}  // namespace
