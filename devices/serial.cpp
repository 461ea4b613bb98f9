#include "devices/serial.h"

#include "runtime/seam.h"

uint16_t ComOpenSpec(StrValue, bool) { return SeamMissing("ComOpenSpec"); }
uint16_t ComWrite(uint16_t, const char*, uint32_t) { return SeamMissing("ComWrite"); }
Status ComClose(uint16_t) { return SeamMissing("ComClose"); }
