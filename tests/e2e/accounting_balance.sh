#!/usr/bin/env bash
# The accounting demo from end to end: its data files as the build writes
# them (entry lines through the relation statements), then the program
# run headless on the demo procedure balance.prc, which prints account
# balances, a profit and loss account and a balance sheet through their
# templates. The outputs and BALANCE_LOG.TXT are compared with the expected
# files of accounting_balance/expected. The parameter file with the opening
# date FAPE$ lies in the sibling "data" folder of the working folder, where
# the program looks for it. A second run keeps the lines of the outputs that
# hold no label, as a person may have edited them. Every data file passes
# the record-file checker.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
expected="$source/tests/e2e/accounting_balance/expected"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app="$work/app"
mkdir -p "$app" "$work/data"
cp -R "$source/apps/accounting/demo/." "$app/"
cp -R "$source/apps/accounting/demo/data/." "$work/data/"
if [ ! -f "$bin/demo/accounting/ENTRIES.FD" ]; then
  echo "FAIL the build wrote no demo records in $bin/demo/accounting"; exit 1
fi
cp -R "$bin/demo/accounting/." "$app/"
fail=0
run() {
  (cd "$app" && timeout 30 "$accounting" "--dpath=$app" "/RUN:PrcExec balance.prc" </dev/null >"$work/out.txt" 2>"$work/err.txt")
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAIL balance.prc ended with $rc"; sed 's/^/  stderr: /' "$work/err.txt"; fail=1
  fi
}
compare() {  # expected file, file written
  if [ ! -f "$2" ]; then
    echo "FAIL $(basename "$2") was not written"; fail=1
  elif ! diff -u --label "expected/$(basename "$1")" --label "got/$(basename "$2")" "$1" "$2"; then
    echo "FAIL $(basename "$2") differs"; fail=1
  fi
}
run
compare "$expected/balances.txt" "$app/balances.txt"
compare "$expected/BALANCE_LOG.TXT" "$app/BALANCE_LOG.TXT"
compare "$expected/BALANCE.TXT" "$app/REPORTS/BALANCE.TXT"
compare "$expected/RESULTS.TXT" "$app/REPORTS/RESULTS.TXT"
if ! grep -q $'\r$' "$app/REPORTS/BALANCE.TXT"; then echo "FAIL the output lines do not end with CR LF"; fail=1; fi
# Edited title lines stay; the figures are written again.
sed -i '1s/.*/BALANCE DE SITUACION REVISADO\r/' "$app/REPORTS/BALANCE.TXT"
run
{ printf 'BALANCE DE SITUACION REVISADO\r\n'; tail -n +2 "$expected/BALANCE.TXT"; } >"$work/BALANCE.TXT"
compare "$work/BALANCE.TXT" "$app/REPORTS/BALANCE.TXT"
for f in "ACCOUNTS 78 0:10 10:40,0:10" "ENTRIES 107 0:8,8:6,14:3 19:10,0:8,8:6 29:10,0:8,8:6" \
         "BALANCES 48 0:10,10:8,46:2 10:8,0:10"; do
  read -r name len keys <<<"$f"
  # shellcheck disable=SC2086
  if ! "$bin/kxdump" --check "$app/$name.FD" "$app/$name.DIR" "$len" $keys; then
    echo "FAIL $name does not pass the checker"; fail=1
  fi
done
[ "$fail" -eq 0 ] && echo "ok accounting demo balances"
exit "$fail"
