#!/usr/bin/env bash
# A run-time window in a terminal: accounting's "Account balance" procedure
# (acbal.prc) opens its window, the account and the two dates are typed into
# its fields, the balance the balance demo expects for that account is
# printed in the window, and a key closes it: the program ends with 0 and
# the terminal modes as before. A SIGTERM while a window waits for a key
# ends the run the same way, without a box waiting for a person.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
kx_test=runwin
. "$source/tests/e2e/terminal/lib.bash"
# The program runs in the application folder, beside the "data" folder
# that holds the opening date; the test's folder is put back before it ends.
root=$work
mkdir -p "$root/app" "$root/data"
cp -R "$source/apps/accounting/demo/." "$root/app/"
cp -R "$source/apps/accounting/demo/data/." "$root/data/"
cp -R "$bin/demo/accounting/." "$root/app/"
work=$root/app
read -r _ debit credit balance < <(grep '^4300000001 ' "$source/tests/e2e/accounting_balance/expected/balances.txt" | tr -d '\r')
kx_start 80 24 "$accounting" "--dpath=$work" "/RUN:PrcExec acbal.prc"
kx_wait_text "[ Ok ]"
kx_type "4300000001"
kx_keys Enter
for date in 01-01-25 12-31-25; do
  kx_keys End
  for _ in $(seq 1 8); do kx_keys BSpace; done
  kx_type "$date"
  kx_keys Enter
done
kx_wait_text "Press a key"
for line in "Account 4300000001" "Debit   $(printf '%14s' "$debit")" "Credit  $(printf '%14s' "$credit")" \
            "Balance $(printf '%14s' "$balance")"; do
  if kx_screen | grep -qF -- "$line"; then echo "ok runwin: $line"
  else echo "FAIL runwin: the screen lacks \"$line\""; kx_screen; fail=1; fi
done
kx_keys Space
kx_expect_end 0
printf "WINOPEN 30,5,'Waiting'\r\nPRINT 'Press a key'\r\nWAIT 'KEY'\r\nWINCLOSE\r\n" >"$work/wait.prc"
kx_start 80 24 "$accounting" "--dpath=$work" "/RUN:PrcExec wait.prc"
kx_wait_text "Press a key"
kill -TERM "$(kx_pid)"
kx_expect_end 0
work=$root
exit $fail
