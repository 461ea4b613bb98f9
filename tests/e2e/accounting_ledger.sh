#!/usr/bin/env bash
# The demo's "Account ledger" (ledger.prc): an account's entry lines of 2025
# read with AcGetEntry, run headless. Its rows are compared with the lines
# the entry-lines file holds for the account (read straight from the record
# file, fixed-width records of 107 bytes), in key order, and its sums with
# those lines' amounts and with the balance engine's figures it prints.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app="$work/app"
mkdir -p "$app" "$work/data"
cp -R "$source/apps/accounting/demo/." "$app/"
cp -R "$source/apps/accounting/demo/data/." "$work/data/"
cp -R "$bin/demo/accounting/." "$app/"
fail=0
(cd "$app" && timeout 30 "$accounting" "--dpath=$app" "/RUN:PrcExec ledger.prc" </dev/null >"$work/out.txt" 2>"$work/err.txt")
rc=$?
if [ "$rc" -ne 0 ] || [ ! -f "$app/ledger.txt" ]; then
  echo "FAIL ledger.prc ended with $rc"; sed 's/^/  stderr: /' "$work/err.txt"; exit 1
fi
tr -d '\r' <"$app/ledger.txt" >"$work/ledger.txt"
account=5720000001
# The oracle: date, entry, line, debit and credit in cents of every line of
# the account in 2025 (DATE 0:8, ENTRY 8:6, N_LINE 14:3, PASS_ACC 19:10,
# ASSET_ACC 29:10, AMOUNT 39:14).
fold -b -w 107 "$app/ENTRIES.FD" | awk -v a="$account" '
  { d = substr($0, 1, 8); p = substr($0, 20, 10); c = substr($0, 30, 10)
    if (d < "20250101" || d > "20251231" || (p != a && c != a)) next
    amt = substr($0, 40, 14); gsub(/ /, "", amt); split(amt, q, "."); cents = q[1] * 100 + substr(q[2] "00", 1, 2)
    printf "%s %d %d %d %d\n", d, substr($0, 9, 6) + 0, substr($0, 15, 3) + 0, p == a ? cents : 0, c == a ? cents : 0 }' |
  sort -k1,1 -k2,2n -k3,3n >"$work/want.txt"
# The ledger's rows the same way (amounts printed with thousands commas).
awk 'NR > 2 && /^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9] / {
    n = NF; d = $(n - 2); h = $(n - 1); gsub(/[,.]/, "", d); gsub(/[,.]/, "", h)
    printf "%s %d %d %d %d\n", $1, $2, $3, d + 0, h + 0 }' "$work/ledger.txt" >"$work/got.txt"
if [ ! -s "$work/want.txt" ]; then echo "FAIL the oracle found no line of $account"; fail=1; fi
if ! diff -u --label want --label got "$work/want.txt" "$work/got.txt"; then echo "FAIL the ledger's rows differ"; fail=1; fi
lines=$(wc -l <"$work/want.txt")
if ! grep -Eq "^Lineas: +$lines\$" "$work/ledger.txt"; then echo "FAIL the ledger does not count $lines lines"; fail=1; fi
sums=$(grep '^Sumas' "$work/ledger.txt" | awk '{print $(NF-1), $NF}')
engine=$(grep '^Saldos de la cuenta' "$work/ledger.txt" | awk '{print $(NF-1), $NF}')
want=$(awk '{d += $4; h += $5} END {printf "%d %d", d, h}' "$work/want.txt")
got=$(echo "$sums" | tr -d ',.')
if [ "$got" != "$want" ]; then echo "FAIL sums $sums, the lines give $want cents"; fail=1; fi
if [ "$sums" != "$engine" ]; then echo "FAIL sums $sums, the balance engine $engine"; fail=1; fi
[ "$fail" -eq 0 ] && echo "ok account ledger ($lines lines)"
exit "$fail"
