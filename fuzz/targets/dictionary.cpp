// The dictionary loader: the input is "FZDICC.DAT", "FZREL.DAT", a nested
// dictionary "NSDICC.DAT" (a file line whose location holds "$" names it)
// and the relation statements "FZRELUP.DAT", separated by lines "@@@@";
// further parts are files of their own whose first line is the name (more
// dictionaries to nest). After the load every file's descriptors, keys and
// relations are read back.
#include "fuzz/harness.h"
#include "data/dictionary/dictionary.h"
#include "data/dictionary/relations.h"

constexpr size_t kMoreFiles = 48;

KX_FUZZ_TARGET(dictionary) {
  FuzzSession session;
  if (!session.ok()) return 0;
  std::vector<std::string> part = FuzzSplit(FuzzText(data, size), 4 + kMoreFiles);
  FuzzWriteFile("FZDICC.DAT", part[0]);
  FuzzWriteFile("FZREL.DAT", part[1]);
  FuzzWriteFile("NSDICC.DAT", part[2]);
  FuzzWriteFile("FZRELUP.DAT", part[3]);
  for (size_t i = 4; i < part.size(); ++i) FuzzWriteNamed(part[i]);
  const StrAreaScope scope;
  FuzzAppSettings();
  if (DicLoad(StrFromC("."), StrFromC("FZ"), StrFromC(".")) >= 128) return 0;
  for (int f = 1; f <= DataFileCount(); ++f) {
    const StrAreaScope each;
    DicFileName(f), DicFileLocation(f), DicRelKeys(f), DicFileRefSuffix(f);
    for (int k = 1; k <= DicKeyCount(f); ++k) KeyFields(f, k), KeyLen(f, k, 0);
    for (int d = 1; d <= DicFieldCount(f); ++d) DicFieldName(f, d), KeyFind(f, d);
    KeyFindDate(f);
    RelLoad(f, StrFromC(""));
    for (int r = 1; r <= 3; ++r) RelKeyNum(f, f, r);
  }
  DicFileList(0);
  return 0;
}
