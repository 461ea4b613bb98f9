#!/usr/bin/env bash
# A person's tour of the administration demo's Files, Documents and Tools
# menus in a terminal, keys only, at 120x35 and at 80x24: every entry
# opened from F10, used where it has a job of its own, and left back to the
# main window; a customer added, found, renamed and deleted in Files >
# Customers; invoice 5 found in Documents > Invoices, the quantity of its
# line changed and saved, and found again with the new quantity, its type
# chosen as a credit note and back (the series follows); a credit note
# typed, saved and found again; an
# amount's words shown, and the amount form cancelled showing nothing; then Esc
# and y end the program with exit code 0.
set -u
kx_test=tour_administration_files
. "$3/tests/e2e/lib/tour.bash"
tour_setup administration "$2" "$3"

customers() { tour_records "Files>Customers" TOUR "Tour customer" X1 01 1500 Y; }

# Invoice 5 looked up by its number and series; Tab to the lines, Tab to
# the quantity of its line, 25 typed and Alt+S saves; looked up again it
# shows the new quantity and amount. Ctrl+W closes the window (Esc starts
# a new document there). At both sizes the whole window shows, its status
# row included, under the main window's menu bar.
invoice() {
  tour_menu "Documents>Invoices"
  tour_wait "Number" && tour_wait "Series" || return 1
  tour_wait "Index search [PgDn/PgUp] [New/Print Disabled]" || return 1
  tour_raw | head -n 1 | grep -q "^  Procedures  Options" ||
    { echo "FAIL $kx_test ($size): the invoice window lies over the menu bar"; kx_screen; fail=1; return 1; }
  kx_type 5; kx_keys Tab; kx_type A25; kx_keys Tab
  tour_wait "ACME" && tour_wait "PAPER" || return 1
  kx_keys Tab Tab Tab
  tour_clear 8; kx_type 25; kx_keys Tab
  tour_wait "125.00" || return 1
  tour_press Save
  tour_gone "PAPER" || return 1
  kx_type 5; kx_keys Tab; kx_type A25; kx_keys Tab
  tour_wait "PAPER" && tour_wait "125.00" || return 1
  # Back in the key with Esc, the type is one field back: its chooser shows
  # "Invoice"; Down makes it a credit note, whose series is R of the same
  # year; Up an invoice again.
  kx_keys Escape
  tour_wait "Invoice" || return 1
  kx_keys BTab
  tour_wait "Invoice      ▼" || return 1
  kx_keys Down
  tour_wait "Credit note  ▼" && tour_wait "Series R25" || return 1
  kx_keys Up
  tour_wait "Invoice      ▼" && tour_wait "Series A25" || return 1
  kx_keys C-w
  # A credit note: in a fresh window the type is chosen first, which gives
  # the series R of this year; number 9 typed, a line, saved; looked up by
  # number and series it comes back as a credit note.
  local series
  series="R$(date +%y)"
  tour_menu "Documents>Invoices"
  tour_wait "Index search [PgDn/PgUp] [New/Print Disabled]" || return 1
  kx_keys BTab Down
  tour_wait "Credit note  ▼" && tour_wait "Series $series" || return 1
  kx_keys Tab; kx_type 9; kx_keys Tab Tab
  tour_wait "Editing [PgDn/PgUp] [New/Print Disabled]" || return 1
  kx_keys Tab; kx_type C1; kx_keys Tab; kx_type PAPER; kx_keys Tab; kx_type 2; kx_keys Tab; kx_type 4.25; kx_keys Tab
  tour_wait "8.50" || return 1
  tour_press Save
  tour_gone "PAPER" || return 1
  tour_clear 8; kx_type 9; kx_keys Tab; tour_clear 3; kx_type "$series"; kx_keys Tab
  tour_wait "PAPER" && tour_wait "Type    Credit note" || return 1
  kx_keys C-w
}

# An amount typed in and confirmed: its words are shown.
words() {
  tour_menu "Tools>Amount in words"
  tour_wait "Amount:" || return 1
  tour_clear 14; kx_type 1500
  tour_press Ok
  tour_wait "Amount in words: 1,500.00" && tour_wait "mil quinientos" || return 1
  kx_keys Escape
}

entries() {
  cat <<'TOUR'
Files>Customers|()|customers
Files>Bank details|Index search [PgDn/PgUp]|C-w
Files>Invoices|Index search [PgDn/PgUp]|C-w
Documents>Invoices|()|invoice
Documents>Delivery notes|Index search [PgDn/PgUp]|C-w
Documents>Collections|Index search [PgDn/PgUp]|C-w
Tools>Amount in words|()|words
Tools>Amount in words|Amount:|Escape =Cancel y
Tools>Customer card|Customer:ACME|Escape =Cancel y
Tools>Invoicing run|Invoices from the delivery notes not invoiced yet|C-w
Tools>Payment schedule|Payment schedule|C-w =User Canceled Enter
Tools>Rebuild a file|Table Sel|Escape =User Canceled Enter
TOUR
}
tour_sizes entries
exit $fail
