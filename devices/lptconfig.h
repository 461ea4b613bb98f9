// The printer-port configuration: editing one port's record of the printer
// table KXPRNP00.DAT (devices/prntable.h has the layout) in two input forms,
// and the "Lpt Config" button of the Device Selection window that opens
// them.
//
// The first form, titled "   Lpt<p> Config", asks the page width and the
// lines per page (captions 11 and 12 of the table's head, three-digit
// numbers prefilled with the record's bytes); the second asks the ten
// sequences as 10 rows of 8 byte values (caption r in front of row r, column
// k at the caption width + k x 6). In batch mode each form takes one line of
// the INPUT file (screens/forms/forms.h). The answers replace the bytes of the
// port's record; the file is written whole to a new file that is renamed
// over the old one, and the loaded table is dropped so the next open of a
// port sends the new sequences. A cancelled form writes nothing.
//
// Errors (recorded with module 21): 164 the table file is not found along
// the default directory list; 168 the port's record lies past the file's
// end (nothing asked, nothing written); 163 an answer that is not a number
// from 0 to 255 (its caption in the detail, nothing written); the stream
// layer's code when the file cannot be written.
#pragma once
#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kIdLptConfig = 3102;

// Edits port p (1-6). 0 when written or cancelled, else the error.
Status LptConfigEdit(int p);
// The "Lpt Config" button of the window: made on the first call at the
// bottom left, half a row above the bottom row, in the dialog font; enabled
// only when the selected device is one of LPT1-LPT6. The button, 0 when it
// cannot be made.
ui::Hwnd LptConfigButton(ui::Hwnd window, StrValue selection);
// The port number 1-6 of a device name LPT1-LPT6, else 0.
int LptPortOf(StrValue name);
