#!/usr/bin/env bash
# A person's tour of the accounting demo's Transfers menu in a terminal,
# keys only, at 120x35 and at 80x24: the accounts exported and imported
# (their messages confirmed with Enter), the file chooser of every
# transaction opened and cancelled, the saved transactions asked for; then
# Esc and y end the program with exit code 0.
set -u
kx_test=tour_accounting_transfers
. "$3/tests/e2e/lib/tour.bash"
tour_setup accounting "$1" "$3"

entries() {
  echo "Transfers>Export accounts|accounts exported to accounts.csv|Enter"
  echo "Transfers>Import accounts|3 accounts imported|Enter"
  tour_transactions
}
tour_sizes entries
exit $fail
