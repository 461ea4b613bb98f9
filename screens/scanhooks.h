// The barcode scanner of data screens, as the screens reach it.
//
// A data screen starts the scanner when it opens and stops it when it
// closes; a maintenance window reads it when device data arrive (action 23,
// the port slot as parameter) or when a keyboard-wedge scan ended (action
// 24, the keyboard buffer). The scanner lives in the devices layer above
// this one, which registers its three operations here at start-up
// (ScanHooksSet). Until it does, each answers 148 FEATUREREMOVED with its
// own name ("ScanStart", "ScanStop", "ScanPoll") in the error detail; a data
// screen counts the start's 148 as "no scanner configured".
#pragma once
#include <cstdint>

#include "runtime/status.h"

// The slot ScanPoll reads for the keyboard-wedge buffer.
constexpr uint16_t kScanKeyboardSlot = 0xFFFF;

struct ScanHooks {
  Status (*start)() = nullptr;              // when a data screen opens
  Status (*stop)() = nullptr;               // when it closes
  Status (*poll)(uint16_t slot) = nullptr;  // a port slot 0-3, or kScanKeyboardSlot
};

// Installs the hooks (a null member keeps that operation's seam); answers
// the hooks installed before.
ScanHooks ScanHooksSet(const ScanHooks& hooks);

Status ScreenScanStart();
Status ScreenScanStop();
Status ScreenScanPoll(uint16_t slot);
