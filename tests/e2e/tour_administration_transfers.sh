#!/usr/bin/env bash
# A person's tour of the administration demo's Transfers menu in a
# terminal, keys only, at 120x35 and at 80x24: the customers exported (the
# message confirmed with Enter), the file chooser of every transaction
# opened and cancelled, the saved transactions asked for; then Esc and y
# end the program with exit code 0.
set -u
kx_test=tour_administration_transfers
. "$3/tests/e2e/lib/tour.bash"
tour_setup administration "$2" "$3"

entries() {
  echo "Transfers>Export customers|customers exported to customers.csv|Enter"
  tour_transactions
}
tour_sizes entries
exit $fail
