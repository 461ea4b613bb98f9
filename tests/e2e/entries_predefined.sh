#!/usr/bin/env bash
# The accounting demo's predefined entry (the payroll of 28 May 2025, entry
# 44, its three lines of TYPE 'NM') in the "Entries" window (menu Files >
# Entries), run headless on a copy of the demo. An insert at its second line
# shows the predefined-entry warning and writes nothing; a delete answered
# No to "Delete Full Entry?" leaves every file byte for byte (against a run
# that only opened the entry); a delete answered Yes removes the entry's
# lines and its registry records, takes its amounts off the balances by
# month, and leaves every other line and registry record as it was. The
# files pass the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/entrysteps.bash"
window_setup accounting "$1" "$3"
key='20250528    44'
entlayout=(107 "0:8,8:6,14:3" "19:10,0:8,8:6" "29:10,0:8,8:6")
reglayout=(87 "0:8,8:6,14:3")
# The live records of a file (a deleted one keeps its slot, marked).
records() { "$kxdump" "$app/$1.FD" "$app/$1.DIR" "${@:2}" | sed -n '/^records:/,$p' | grep -av '^ *[0-9]* deleted '; }
# The entry's lines in key order as "line:TYPE:concept".
entry() {
  fold -b -w 107 "$app/ENTRIES.FD" | grep -a "^$key" | sort |
    awk '{ n = substr($0, 15, 3) + 0; c = substr($0, 54, 40); sub(/ +$/, "", c)
           printf "%s%d:%s:%s", (NR > 1 ? "|" : ""), n, substr($0, 18, 2), c }'
}
# The stored files, as a list of checksums.
sums() { (cd "$app" && md5sum ./*.FD ./*.DIR ./*.DAT 2>/dev/null); }
# The debit of the balance by month of May 2025 (ACC_ID 0) of an account,
# in cents (stored as a number: "2460", "12.5").
debit() {
  fold -b -w 48 "$app/BALANCES.FD" | grep -a "^$(printf '%-10s' "$1")20250501" |
    awk 'substr($0, 47, 2) + 0 == 0 { printf "%.0f\n", substr($0, 19, 14) * 100 }'
}
open=$(entry_open Entries 20250528 44)
close=$(program_close)

want="1:NM:Nomina del mes|2:NM:Retencion IRPF nomina|3:NM:Seguridad Social empresa"
[ "$(entry)" = "$want" ] || { echo "FAIL: the demo's predefined entry is $(entry)"; exit 1; }

# The insert warned at line 2, the delete refused: nothing written (a run
# that opens the window creates the files it opens and the session state).
entry_run "$open
$close"
before=$(sums)
entry_run "$open
expect-lv 3200 2 4 \"Seguridad Social empresa\"
lv-dblclick 3200 1
expect-text 2002 \"  2\"
click \"Insert\"
answer OK match \"Asiento Predefinido\"
expect-lv 3200 2 4 \"Seguridad Social empresa\"
click \"Delete\"
answer No match \"Delete Full Entry?\"
expect-lv 3200 2 4 \"Seguridad Social empresa\"
$close"
[ "$(sums)" = "$before" ] || { echo "FAIL: the refused insert and delete changed:"; diff <(echo "$before") <(sums) | sed 's/^/  /'; fail=1; }
n=$(grep -ac '^box .*text="Asiento Predefinido' "$app/ui.log")
[ "$n" = 1 ] || { echo "FAIL: the insert warning was shown $n times"; fail=1; }

# The delete confirmed: the entry's lines and registry records go.
ent=$(records ENTRIES "${entlayout[@]}" | grep -av "\[$key")
reg=$(records REGISTRY "${reglayout[@]}" | grep -av "\[$key")
[ "$(records REGISTRY "${reglayout[@]}" | grep -ac "\[$key")" = 3 ] || { echo "FAIL: the entry has no 3 registry records"; fail=1; }
wages=$(debit 6400000000) social=$(debit 6420000000)
# The entry's document, keyed by the entry number as six digits.
docs() { records ENTRYDOCS 77 "0:8,8:6,14:3" | grep -ac "\[20250528000044"; }
[ "$(docs)" = 1 ] || { echo "FAIL: the entry has no document"; fail=1; }
entry_run "$open
lv-dblclick 3200 2
click \"Delete\"
answer Yes match \"Delete Full Entry?\"
$close"
[ -z "$(entry)" ] || { echo "FAIL: the deleted entry holds $(entry)"; fail=1; }
[ "$(docs)" = 0 ] || { echo "FAIL: the deleted entry's document is left"; fail=1; }
[ "$(records ENTRIES "${entlayout[@]}")" = "$ent" ] || { echo "FAIL: other entry lines changed:"; diff <(echo "$ent") <(records ENTRIES "${entlayout[@]}") | head | sed 's/^/  /'; fail=1; }
[ "$(records REGISTRY "${reglayout[@]}")" = "$reg" ] || { echo "FAIL: the registry is not the other records:"; diff <(echo "$reg") <(records REGISTRY "${reglayout[@]}") | head | sed 's/^/  /'; fail=1; }
[ $((wages - $(debit 6400000000))) = 246000 ] || { echo "FAIL: the wages' May balance went from $wages to $(debit 6400000000)"; fail=1; }
[ $((social - $(debit 6420000000))) = 78000 ] || { echo "FAIL: the social security's May balance went from $social to $(debit 6420000000)"; fail=1; }
"$kxdump" --check "$app/ENTRIES.FD" "$app/ENTRIES.DIR" "${entlayout[@]}" >/dev/null ||
  { echo "FAIL: ENTRIES does not pass the checker"; fail=1; }
"$kxdump" --check "$app/REGISTRY.FD" "$app/REGISTRY.DIR" "${reglayout[@]}" >/dev/null ||
  { echo "FAIL: REGISTRY does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok predefined entry"
exit $fail
