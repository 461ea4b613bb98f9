#include "screens/winlist.h"

#include "runtime/seam.h"

namespace {
void* g_instance = nullptr;
}

// Storing the instance is all start-up needs before windows exist.
Status AppInstanceInit(void* instance, const char*, AppInitCallback init) {
  g_instance = instance;
  return init ? init() : 0;
}
Status WinRunModal(void*) { return SeamMissing("WinRunModal"); }
int WinCount() { return 0; }
