#!/usr/bin/env bash
# The transaction menu of the accounting demo, headless, by the command
# lines of its menu entries (Transfers > Transactions > Export Delimited,
# Transfers > Saved transactions), the forms answered by INPUT lines, the
# choice windows and the save question by a UI script:
#   1. "Saved transactions" runs the configuration the demo ships (the
#      accounts, every field, Delimited, to saved_accounts.csv): the file
#      equals the one the demo's EXPORT procedure writes (accounts.csv);
#   2. "Export Delimited" sets up an export of the accounts' codes and names
#      in its forms, saves it as "Codes and names" beside the shipped one
#      (the data directory's COtrans.ppn) and runs it;
#   3. "Saved transactions" runs that second configuration again: the same
#      bytes.
# KEEP=1 keeps the work folder for a look.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }

# The demo in its working folder; its "data" folder is the data directory,
# the working folder's sibling.
a="$work/accounting"
mkdir -p "$a/tmp" "$work/data"
cp -R "$source/apps/accounting/demo/." "$a/"
cp -R "$bin/demo/accounting/." "$a/"
cp -R "$source/apps/accounting/demo/data/." "$work/data/"
ppn="$work/data/COtrans.ppn"

# The command line of a menu entry, as the start menu file gives it.
entry() { grep -a "^[[:space:]]*$1," "$a/C2MENU.PMT" | head -1 | sed 's/^[[:space:]]*[^,]*,//' | tr -d '\r'; }
saved=$(entry "Saved transactions")
setup=$(entry "Export Delimited")
[ "$saved" = "FileTrans 0" ] || no "Saved transactions runs \"$saved\""
[ "$setup" = "FileTrans 52" ] || no "Export Delimited runs \"$setup\""

run() {  # name, UI script, INPUT lines (commands and form answers)
  local name=$1 ui=$2
  shift 2
  printf '%s\n' "$ui" >"$a/ui-$name.txt"
  printf '%s\r\n' "$@" >"$a/in-$name.txt"
  (cd "$a" && TEMP="$a/tmp" KX_UI_SCRIPT="$a/ui-$name.txt" KX_UI_TRANSCRIPT="$a/tr-$name.txt" timeout 30 \
    "$accounting" "--dpath=$a" "/INPUT:\"in-$name.txt\"" '/RUN:ExpEval 0' </dev/null >"$a/out-$name.txt" 2>&1)
  local rc=$?
  [ "$rc" -eq 0 ] || { no "$name ended with $rc"; sed 's/^/  | /' "$a/out-$name.txt"; }
  if grep -aq '^box .*text="Error \|^stall' "$a/tr-$name.txt"; then
    no "$name: an error box or a stall"; grep -a '^box\|^stall' "$a/tr-$name.txt" | cut -c1-200 | sed 's/^/  | /'
  fi
  [ -z "$(ls -A "$a/tmp")" ] || no "$name left temporary files: $(ls "$a/tmp")"
}
counted() {  # name, rows, file: the 0101 box of the run
  grep -aq "^box .*text=\"Counted $2 rows in $3\"" "$a/tr-$1.txt" ||
    no "$1: no box \"Counted $2 rows in $3\" ($(grep -a '^box' "$a/tr-$1.txt" | tail -1 | cut -c1-160))"
}

# 1. The shipped configuration; the bounds form (key from, empty: all) and
# the confirmation form answered empty.
run shipped $'wait-top title="Transaction selector"\nkey Enter' \
  "PrcExec expacc.prc" "$saved" "''" "''"
n=$(grep -c . "$a/accounts.csv")
[ "$n" -gt 0 ] || no "expacc.prc wrote no accounts"
cmp -s "$a/accounts.csv" "$a/saved_accounts.csv" || { no "saved_accounts.csv differs from accounts.csv"; diff "$a/accounts.csv" "$a/saved_accounts.csv" | head -5; }
counted shipped "$n" saved_accounts.csv

# 2. The set-up: ACCOUNTS is the eighth table; no limits; CODE and NAME;
# the target without append; no relational type; saved; then the bounds and
# confirmation forms of the run.
run setup $'wait-top title="Table Selection"\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Enter\nanswer Yes match "Save this Configuration?"' \
  "$setup" "'','','',''" "'1','1','0','0'" "'codes.csv','0'" "''" "'Codes and names'" "''" "''"
sed -E 's/^("[^"]*","[^"]*").*$/\1\r/' "$a/accounts.csv" >"$work/codes.expected"
cmp -s "$work/codes.expected" "$a/codes.csv" || { no "codes.csv differs"; diff "$work/codes.expected" "$a/codes.csv" | head -5; }
counted setup "$n" codes.csv
expected_ppn=$(printf " 0 FD\$='Accounts to CSV','Codes and names'\r\n 1 TRANSPARMSMODE%%=52\r\n 1 TARGET\$='saved_accounts.csv'\r\n 1 FILE='ACCOUNTS'\r\n 2 TRANSPARMSMODE%%=52\r\n 2 TARGET\$='codes.csv'\r\n 2 FILE='ACCOUNTS'\r\n 2 STRUCT\$='CODE,NAME'\r\nx")
[ "$(cat "$ppn"; printf x)" = "$expected_ppn" ] || { no "COtrans.ppn after the save:"; cat -A "$ppn" | sed 's/^/  | /'; }

# 3. The saved set-up again: the same bytes.
cp "$a/codes.csv" "$work/codes.first"
rm "$a/codes.csv"
run again $'wait-top title="Transaction selector"\nkey Down\nkey Enter' "$saved" "''" "''"
cmp -s "$work/codes.first" "$a/codes.csv" || no "the saved set-up wrote other bytes"
counted again "$n" codes.csv

# 4. A saved import: "Import Delimited" of saved_accounts.csv (every field)
# into the accounts emptied, saved as "Accounts back"; then emptied again,
# the saved import. Each time the accounts are back: exported again by the
# shipped configuration they give the lines of accounts.csv, the amounts
# compared as numbers (the import stores them with their decimals, the demo
# generator without).
amounts() {  # a Delimited accounts file: code and name as written, amounts as numbers
  sed -E 's/^("[^"]*","[^"]*"),([^,]*),([^,]*)\r$/\1|\2|\3/' "$1" | awk -F'|' 'NF == 3 { printf "%s %.2f %.2f\n", $1, $2, $3 }
    NF != 3 { print "unread: " $0 }'
}
empty() { : >"$a/ACCOUNTS.FD"; rm -f "$a/ACCOUNTS.DIR"; }
back() {  # name
  cp "$a/saved_accounts.csv" "$work/import.csv"
  run "$1-check" $'wait-top title="Transaction selector"\nkey Enter' "$saved" "''" "''"
  amounts "$a/accounts.csv" >"$work/amounts.before"
  amounts "$a/saved_accounts.csv" >"$work/amounts.after"
  cmp -s "$work/amounts.before" "$work/amounts.after" || { no "$1: the accounts did not come back"; diff "$work/amounts.before" "$work/amounts.after" | head -5; }
}
empty
run import $'wait-top title="Table Selection"\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Enter\nanswer Yes match "Save this Configuration?"' \
  "$(entry "Import Delimited")" "''" "'1','1','1','1'" "'saved_accounts.csv','0'" "''" "'Accounts back'" "''" "''"
counted import "$n" saved_accounts.csv
back import
empty
run import2 $'wait-top title="Transaction selector"\nkey Down\nkey Down\nkey Enter' "$saved" "''" "''"
counted import2 "$n" saved_accounts.csv
back import2

[ "$fail" -eq 0 ] && echo "transaction menu: ok"
exit "$fail"
