// Replays corpora through the fuzz targets, without fuzzing: every file
// under each directory given (in name order) is one input of the target.
//   fuzz_replay TARGET DIR...
// A crash or a sanitizer report ends the program as it would the fuzzer;
// otherwise it prints how many inputs ran and exits 0 (1 when there were
// none, so a corpus that went missing is noticed).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/harness.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TARGET DIR...\n", argv[0]);
    return 2;
  }
  FuzzFn fn = nullptr;
  for (const FuzzTarget& t : FuzzTargets())
    if (std::strcmp(t.name, argv[1]) == 0) fn = t.fn;
  if (!fn) {
    std::fprintf(stderr, "no target %s\n", argv[1]);
    return 2;
  }
  std::vector<fs::path> files;
  for (int i = 2; i < argc; ++i) {
    std::error_code ec;
    if (!fs::is_directory(argv[i], ec)) continue;
    for (const auto& e : fs::recursive_directory_iterator(fs::absolute(argv[i]), ec))
      if (e.is_regular_file()) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  if (!FuzzScratchEnter()) {
    std::fprintf(stderr, "no scratch directory\n");
    return 2;
  }
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", f.c_str());
    fn(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%s: %zu inputs replayed\n", argv[1], files.size());
  return files.empty() ? 1 : 0;
}
