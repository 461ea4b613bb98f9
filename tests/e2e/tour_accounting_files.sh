#!/usr/bin/env bash
# A person's tour of the accounting demo's Tools, Files and Year end menus
# in a terminal, keys only, at 120x35 and at 80x24: every entry opened from
# F10, used where it has a job of its own, and left back to the main window;
# an account added, found, renamed and deleted in Files > Accounts, an
# account's balance shown, its form closed with Ctrl+W after a No to the
# cancel question (the next form then closes with Esc), the balance period
# typed in and confirmed (and kept in its file); then Esc and y end the
# program with exit code 0.
set -u
kx_test=tour_accounting_files
. "$3/tests/e2e/lib/tour.bash"
tour_setup accounting "$1" "$3"

accounts() { tour_records "Files>Accounts" 5990000000 "Tour account"; }

# The period of the balances: both dates typed, Ok; the period file keeps
# them.
period() {
  rm -f "$work/COBALP.DAT"
  tour_menu "Tools>Balance period"
  tour_wait "The period of the balances" || return 1
  tour_clear 8; kx_type 03-01-25; kx_keys Tab; kx_type 03-31-25
  tour_wait "03-31-25"
  tour_press Ok
  tour_main
  local got
  got=$(tr -d '\r' <"$work/COBALP.DAT" 2>/dev/null | tr '\n' ';')
  [ "$got" = "BALFROM\$='20250301';BALTO\$='20250331';" ] ||
    { echo "FAIL $kx_test ($size): the period file holds '$got'"; fail=1; }
}

entries() {
  cat <<'TOUR'
Tools>Account balance|From:01-01-25|Escape =Cancel y
Tools>Account balance|From:01-01-25|5700000000 Enter Enter Enter =Balance =2,139.00 Enter
Tools>Account balance|From:01-01-25|Escape =Cancel Escape C-w
Tools>Balance period|The period of the balances|Escape
Tools>Balance period|()|period
Tools>Balances of the period|The period of the balances|Escape
Tools>Renumber entries|Renumber entries|C-w =User Canceled Enter
Tools>Rebuild a file|Table Sel|Escape =User Canceled Enter
Files>Accounts|()|accounts
Files>Entry lines|[Maintenance Mode]|C-w
Files>Entries|[Maintenance Mode]|C-w
Year end>Close year|Close year|C-w =User Canceled Enter
Year end>Undo year close|Undo year close|C-w =User Canceled Enter
Year end>Regenerate balances|Regenerate balances|C-w =User Canceled Enter
TOUR
}
tour_sizes entries
exit $fail
