// The barcode scanner as the screens reach it.
//
// A data screen starts its scanner when it opens, stops it when it closes,
// and reads it when its window gets device data (action kind 23, the port's
// slot as parameter) or a keyboard-wedge scan ended (kind 24). The scanner
// belongs to the devices layer above this one (devices/scanner.h), which
// registers its operations here at start-up; until then each answers 148
// FEATUREREMOVED with the scanner operation's name in the detail, which a
// screen opener counts as "no scanner configured".
#pragma once
#include <cstdint>

#include "runtime/status.h"

constexpr uint16_t kScanWedge = 0xFFFF;  // ScreenScanPoll: the keyboard-wedge buffer

struct ScanHooks {
  Status (*start)() = nullptr;
  Status (*stop)() = nullptr;
  Status (*poll)(uint16_t slot) = nullptr;
};

// Installs the scanner's operations; a null member puts its default back.
void ScanHooksSet(const ScanHooks& hooks);

// The scanner of the current screen (its SCANDEF$) starts polling on the
// top window when scanning is switched on (CHKSCAN): 0, or the scanner's
// error.
Status ScreenScanStart();
// The active scanner's port is closed.
Status ScreenScanStop();
// Reads a scan from the port slot (or kScanWedge) and hands it to the
// current field.
Status ScreenScanPoll(uint16_t slot);
