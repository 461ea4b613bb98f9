#include "screens/mainwin.h"

#include "runtime/seam.h"

void* MenuLoad(StrValue) {
  SeamMissing("MenuLoad");
  return nullptr;
}
