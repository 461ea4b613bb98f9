// PDF documents: a device whose name has the extension PDF. The device
// record's handle is the document's slot (0-7).
#pragma once
#include <cstdint>

#include "devices/device.h"

// Takes a slot and starts the document: the slot, 145 when all eight are
// taken, 0xFFFF when the document cannot be created.
uint16_t PdfDocOpen(DevRecord& rec);
Status PdfWriteText(DevRecord& rec, StrValue text);
// Stores the device's current line and column in the slot.
Status PdfSetPos(DevRecord& rec);
// Saves the document under the device name and frees the slot.
Status PdfDocClose(DevRecord& rec);
