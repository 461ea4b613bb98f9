// The main window's menu bar.
//
// The bar is built from menu lines (screens/menus/menufile.h): a menu file (PMT),
// or a menu tree expanded from the menu definitions of a definition file
// (PPN, screens/menus/menutree.h). A caption alone opens a popup that holds the
// deeper lines after it; a caption, a comma and a command line make a command
// item. Command items get ids from kMenuFirstId in file order and their
// command lines become element id - kMenuFirstId of string list 5, which the
// main window's menu event runs (screens/menus/menuevent.h).
//
// Reading a line: the caption ends at the first comma outside quotes and
// loses one pair of quotes; the command is the rest after that comma,
// trimmed. A line belongs to the innermost open popup opened by a line of a
// lower level: a jump of more than one level deeper counts as one, and a
// return never closes more popups than are open.
//
// Limits and errors (each shown once in the error box, the bar built from
// what came before): at most kMenuMaxCommands command items (the menu event
// carries the item number in 8 bits), the rest are not added: 168 with the
// menu name; fewer than kMenuAreaRoom free slots of the string area between
// items ends the build: 145; a command text the string-list store cannot hold
// ends it: 159. A reader that fails (a missing or empty file, a file too
// large for the store, a menu tree that cannot be expanded) gives no bar; its
// error, when it is one, is shown. Lines left unread by a failed build are
// dropped.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/menus/menufile.h"

constexpr int kMenuFirstId = 1500;
constexpr int kMenuMaxCommands = 200;
constexpr uint16_t kMenuAreaRoom = 12;

// Opens a menu source by name and queues its lines for the item readers.
using MenuSourceOpen = Status (*)(StrValue name);
using MenuItemRead = MenuFileStep (*)();

// The menu bar of the menu name (item 1 of a comma list): the PMT file, else
// the PPN file, each by the plain name first and then in the default
// directories (settings item 5). With neither, the lines still queued from an
// earlier load; with none, 0 (no menu).
ui::Hmenu MenuLoad(StrValue menuName);
// Builds a bar: `open` (may be null: lines already queued) is called with the
// name; a non-zero answer gives no bar. Then the items from `first` and
// `next` until the reader's end marker. Answers the bar, also when items
// failed; 0 when there is none.
ui::Hmenu MenuBarBuild(StrValue menuName, MenuSourceOpen open, MenuItemRead first, MenuItemRead next);
// Appends to `menu`: with a popup, the popup under the caption; otherwise a
// command item of the id whose command text becomes element id - 1500 of
// string list 5 (an empty text is kept as an empty element, so the elements
// stay in step with the ids). 0; 0xFFFF when the window system refuses; the
// store's code when the command text cannot be kept (nothing appended).
Status MenuAppend(ui::Hmenu menu, int id, ui::Hmenu popup, StrValue caption, StrValue command);
