#!/usr/bin/env bash
# The accept windows of both demo programs, chosen from the main window's
# menu bar, headless:
# - accounting: "Balance period" with two dates typed and Enter saves them
#   in COBALP.DAT; opened again it offers them, Esc leaves the file alone;
#   "Balances of the period" confirmed runs its two steps, which write
#   period.txt for those dates with the form's condition;
# - administration: "Invoicing run" confirmed with its confirmation field
#   false invoices the demo's delivery notes (invoices 7 to 18, each
#   customer and payment mode once), the files pass the record checker.
# Both programs end with exit code 0 and nothing stalled.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail
bin=$(dirname "$accounting") fail=0 work=$(mktemp -d)
kxdump="$bin/kxdump"
trap 'rm -rf "$work"' EXIT

# program, binary, script: runs the program in a fresh copy of its demo.
run() {
  app="$work/$1"
  rm -rf "$app"
  mkdir -p "$app"
  cp -R "$source/apps/$1/demo/." "$app/"
  cp -R "$bin/demo/$1/." "$app/"
  printf '%s\n' "$3" >"$app/ui.txt"
  (cd "$app" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui.log timeout 30 "$2" "--dpath=$app" \
    </dev/null >"$app/out.txt" 2>&1)
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL $1: exit code $rc"; sed 's/^/  /' "$app/out.txt"; grep -a '^failed\|^stall' "$app/ui.log" | cut -c1-200
    fail=1
  fi
}

check() {  # what, expected, got
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; diff -u --label expected --label got <(printf '%s\n' "$2") <(printf '%s\n' "$3"); fail=1
  else echo "ok $1"; fi
}

run accounting "$accounting" 'wait-top class=COVCQT24
menu "Tools>Balance period"
wait-top class=MantDlg
key Home
key End+Shift
type "03-01-25"
key Tab
key Home
key End+Shift
type "03-31-25"
key Enter
wait-top class=COVCQT24
menu "Tools>Balance period"
wait-top class=MantDlg
expect-text 2000 "03-01-25"
expect-text 2001 "03-31-25"
key Home
key End+Shift
type "12-31-25"
key Esc
wait-top class=COVCQT24
menu "Tools>Balances of the period"
wait-top class=MantDlg
click "Ok"
wait-top class=MantDlg
close
wait-top class=COVCQT24
close
answer Yes'
check "accounting: the period saved" "BALFROM\$='20250301';BALTO\$='20250331'" \
  "$(tr -d '\r' <"$work/accounting/COBALP.DAT" | tr '\n' ';' | sed 's/;$//')"
check "accounting: the balances of the period" "Demo company - 20250301 - 20250331 - BALFROM\$<=BALTO\$" \
  "$(head -1 "$work/accounting/period.txt" 2>/dev/null | tr -d '\r')"

run administration "$administration" 'wait-top class=GAVGQT24
menu "Tools>Invoicing run"
wait-top class=MantDlg
click "Ok"
answer OK match "Process Completed"
wait-top class=MantDlg
close
wait-top class=GAVGQT24
close
answer Yes'
# INVOICES: NUMBER N8, SERIES A3, N_LINE N3, DATE D8, CUSTOMER A6, ...,
# DELNOTE at 80, PAYMODE at 91; the lines of invoices 7 and up.
app="$work/administration"
got=$("$kxdump" "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 "0:8,8:3,11:3" "22:6,14:8,0:8" |
  sed -n 's/^ *[0-9]* \[\(.*\)\]$/\1/p' |
  awk '{ n = substr($0, 1, 8) + 0; l = substr($0, 12, 3) + 0
         if (n >= 7 && substr($0, 12, 3) != "   ") { c = substr($0, 23, 6); sub(/ +$/, "", c)
           print n, l, c, substr($0, 92, 2), substr($0, 81, 8) + 0 } }' | sort -n -k1,1 -k2,2)
check "administration: the invoices of the run" "7 1 ACME 01 105
7 2 ACME 01 116
8 1 ACME 02 110
9 1 B 02 103
9 2 B 02 111
10 1 B 01 119
11 1 C1 01 102
11 2 C1 01 113
12 1 C1 02 107
13 1 C10 02 106
13 2 C10 02 118
14 1 C10 01 112
15 1 MIX 01 108
16 1 MIX 02 115
17 1 ZETA12 02 101
17 2 ZETA12 02 117
18 1 ZETA12 01 109" "$got"
"$kxdump" --check "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 "0:8,8:3,11:3" "22:6,14:8,0:8" >/dev/null ||
  { echo "FAIL administration: INVOICES does not pass the checker"; fail=1; }
exit $fail
