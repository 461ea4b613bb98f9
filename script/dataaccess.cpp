#include "script/dataaccess.h"

#include "runtime/seam.h"

namespace {

Status FileLenMissing(StrValue, int64_t*) { return SeamMissing("DataFileLenOf"); }
Status FindMissing(StrValue, int, int, int) { return SeamMissing("DataFileFindText"); }
Status LocateMissing(StrValue, int) { return SeamMissing("DataFileLocate"); }
StrValue KeyTextMissing(int, int, int, int) { return StrErr(SeamMissing("DataFileKeyText")); }
Status LastStatusMissing(int) { return SeamMissing("DataFileLastStatus"); }
StrValue FieldRawMissing(StrValue, int) { return StrErr(SeamMissing("DataFieldRaw")); }

const DataAccess kMissing = {FileLenMissing,    FindMissing,      LocateMissing,
                             KeyTextMissing,    LastStatusMissing, FieldRawMissing};
DataAccess g_access = kMissing;

template <class Fn>
void Keep(Fn* target, Fn given, Fn missing) {
  *target = given ? given : missing;
}

}  // namespace

void DataAccessSet(const DataAccess& a) {
  Keep(&g_access.fileLen, a.fileLen, kMissing.fileLen);
  Keep(&g_access.find, a.find, kMissing.find);
  Keep(&g_access.locate, a.locate, kMissing.locate);
  Keep(&g_access.keyText, a.keyText, kMissing.keyText);
  Keep(&g_access.lastStatus, a.lastStatus, kMissing.lastStatus);
  Keep(&g_access.fieldRaw, a.fieldRaw, kMissing.fieldRaw);
}

const DataAccess& DataAccessGet() { return g_access; }
