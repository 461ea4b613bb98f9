// The kind paths behind the output layer: serial ports, PDF documents, raw
// spool jobs and the page printer each open, write and close through one
// small table of functions. The defaults call the modules of those kinds
// (serial.h, pdf.h, printjob.h); a test installs a recording path in their
// place to see exactly which bytes a kind receives.
#pragma once
#include "devices/device.h"

enum class DevPathKind { Serial, Pdf, Spool, PagePrinter, Count };

struct DevPath {
  // Starts the output; sets rec.handle where the kind has one. Answers the
  // status (0 when open).
  Status (*open)(DevRecord& rec, StrValue spec);
  Status (*write)(DevRecord& rec, StrValue bytes);
  Status (*close)(DevRecord& rec);
};

// The path of a kind bit set (first of serial, PDF, spool, exact 0x80 page
// printer), or null for files and the screen.
const DevPath* DevPathOf(uint8_t kind);
// Installs a path for a kind (null puts the default back); answers the
// previous one.
const DevPath* DevPathInstall(DevPathKind kind, const DevPath* path);
