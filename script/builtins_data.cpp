// The built-ins on data files, files, streams, internal lists and
// procedures (SORT$ has its own file, builtins_sort.cpp). Their names are
// registered with the others; until each is built it answers 148
// FEATUREREMOVED with its name in the error detail.
#include "runtime/seam.h"
#include "script/builtins_int.h"

Status BiFileLen(const uint16_t*, uint16_t) { return SeamMissing("FN#FLEN"); }
Status BiAcum(const uint16_t*, uint16_t) { return SeamMissing("FN#ACUM"); }
Status BiFileFind(const uint16_t*, uint16_t) { return SeamMissing("FILEFIND"); }
Status BiFileLocate(const uint16_t*, uint16_t) { return SeamMissing("FILELOCATE"); }
Status BiFileSel(const uint16_t*, uint16_t) { return SeamMissing("FILESEL"); }
Status BiFlds(const uint16_t*, uint16_t) { return SeamMissing("FN$FLDS"); }
Status BiKey(const uint16_t*, uint16_t) { return SeamMissing("KEY$"); }
Status BiIer(const uint16_t*, uint16_t) { return SeamMissing("IER"); }
