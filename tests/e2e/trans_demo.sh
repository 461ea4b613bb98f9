#!/usr/bin/env bash
# The transaction demos of both programs, headless, on the demo records the
# build writes, run by the command lines of their menu entries: the
# accounting program's "Export accounts" (expacc.prc:
# Delimited and List) and "Import accounts" (impacc.prc, new_accounts.csv:
# three new accounts, then nothing on a second run, and a file with a bad
# line that changes nothing), an export to standard output, and the
# administration program's "Export customers" (expcus.prc: a header line and
# chosen fields from the object parameters). Each output is checked against
# the data file read byte by byte; no work copy, second name or journal is
# left behind.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }

prepare() {  # program
  mkdir -p "$work/$1/tmp"
  cp -R "$source/apps/$1/demo/." "$work/$1/"
  cp -R "$bin/demo/$1/." "$work/$1/"
}
run() {  # program binary, program, procedure: stdout in out.txt, boxes in transcript.txt
  local app="$work/$2"
  (cd "$app" && TEMP="$app/tmp" KX_UI_TRANSCRIPT="$app/transcript.txt" timeout 30 "$1" "--dpath=$app" \
    "/RUN:PrcExec $3" </dev/null >"$app/out.txt" 2>"$app/err.txt")
  local rc=$?
  [ "$rc" -eq 0 ] || { no "$2 $3 ended with $rc"; sed 's/^/  stderr: /' "$app/err.txt"; }
  [ -z "$(ls -A "$app/tmp")" ] || no "$2 $3 left temporary files: $(ls "$app/tmp")"
  ls "$app" | grep -qiE 'JOURNAL\.DAT|\.jr[0-9]+$' && no "$2 $3 left a journal or a second name"
}
# A menu entry: its command line, as the start menu file gives it, run as
# the program runs a chosen entry's command; the box it shows answered.
menu_run() {  # program binary, program, menu file, caption, text of the box
  local command
  command=$(grep -a "^[[:space:]]*$4," "$work/$2/$3" | head -1 | sed 's/^[[:space:]]*[^,]*,//' | tr -d '\r')
  [ -n "$command" ] || { no "$3 has no entry \"$4\""; return; }
  run "$1" "$2" "${command#PrcExec }"
  grep -q "text=\"[^\"]*$5" "$work/$2/transcript.txt" || no "$2 \"$4\": no box saying \"$5\" ($(box "$2"))"
}
box() { grep -o 'text="[^"]*"' "$work/$1/transcript.txt" | tail -1; }
# Live records of a fixed-length file, one per line.
records() { fold -b -w "$2" "$1" | grep -v $'^\x1b'; }

# Accounting: ACCOUNTS is CODE A10, NAME A40, two amounts of 14 (78 bytes).
prepare accounting
a="$work/accounting"
n=$(records "$a/ACCOUNTS.FD" 78 | wc -l)
[ "$n" -gt 0 ] || no "no accounts in the demo"
menu_run "$accounting" accounting C2MENU.PMT "Export accounts" "$n accounts exported"
# Delimited: code and name quoted and trimmed, amounts trimmed, zero empty;
# in code order.
records "$a/ACCOUNTS.FD" 78 | sort | awk '{
  code = substr($0, 1, 10); name = substr($0, 11, 40); p = substr($0, 51, 14); c = substr($0, 65, 14)
  gsub(/^ +| +$/, "", code); gsub(/^ +| +$/, "", name); gsub(/ /, "", p); gsub(/ /, "", c)
  if (p + 0 == 0) p = ""; if (c + 0 == 0) c = ""
  printf "\"%s\",\"%s\",%s,%s\r\n", code, name, p, c }' >"$work/acc.expected"
cmp -s "$work/acc.expected" "$a/accounts.csv" || { no "accounts.csv differs"; diff "$work/acc.expected" "$a/accounts.csv" | head -5; }
# List: two header lines and a line per account, each 10+1+40+1+17+1+17 wide.
[ "$(wc -l <"$a/accounts.txt")" -eq $((n + 2)) ] || no "accounts.txt holds $(wc -l <"$a/accounts.txt") lines"
sed -n 2p "$a/accounts.txt" | grep -q $'^========== =\{40\} =\{17\} =\{17\}\r$' || no "the List's rule line"
awk 'length($0) != 88 { bad = 1 } END { exit bad }' "$a/accounts.txt" || no "a List line is not 87 characters and CR"

# The export read back as a replace import (DELETING): the file holds the
# same accounts, every key of which was there before (amounts compared as
# numbers: the build writes the demo's without decimals, the import with).
accounts() { records "$a/ACCOUNTS.FD" 78 | sort | awk '{ printf "%s|%.2f|%.2f\n", substr($0, 1, 50), substr($0, 51, 14), substr($0, 65, 14) }'; }
accounts >"$work/acc.before"
printf "FILESELECT 'ACCOUNTS'\r\nIMPORT 'accounts.csv','STREAM,DELIMITED,DELETING'\r\nr=_STAT,n=_COUNT\r\nFILESELECT 'RESTORE'\r\nMESSAGE 'replaced '+FN\$TRIM(FN\$MASK('#####';r))+' '+FN\$TRIM(FN\$MASK('#####';n))\r\n" >"$a/replace.prc"
run "$accounting" accounting replace.prc
box accounting | grep -q "\"replaced 0 $n\"" || no "the replace import: $(box accounting)"
accounts | cmp -s - "$work/acc.before" ||
  { no "the replace import left $(records "$a/ACCOUNTS.FD" 78 | wc -l) of $n accounts"; accounts | diff "$work/acc.before" - | head -5; }

# The import: three new accounts (one of the four is there), then none.
before=$(records "$a/ACCOUNTS.FD" 78 | wc -l)
menu_run "$accounting" accounting C2MENU.PMT "Import accounts" "3 accounts imported"
[ "$(records "$a/ACCOUNTS.FD" 78 | wc -l)" -eq $((before + 3)) ] || no "the import did not add three accounts"
records "$a/ACCOUNTS.FD" 78 | grep -q '^4300000006Cliente Panaderia del Sol' || no "an imported account is missing"
run "$accounting" accounting impacc.prc
box accounting | grep -q '"0 accounts imported' || no "second impacc: $(box accounting)"
# A bad line (a date where an amount goes) in the middle: nothing changes.
cp "$a/ACCOUNTS.FD" "$work/accounts.before"
printf '"7000000001","Ventas de mercaderias",,\r\n"7000000002","Otras ventas",12/31/2024,\r\n' >"$a/new_accounts.csv"
run "$accounting" accounting impacc.prc
box accounting | grep -q 'answered 163' || no "a bad import: $(box accounting)"
cmp -s "$a/ACCOUNTS.FD" "$work/accounts.before" || no "a bad import changed ACCOUNTS.FD"
# To standard output.
printf "FILESELECT 'ACCOUNTS'\r\nEXPORT 'stdout','STREAM,DELIMITED'\r\nFILESELECT 'RESTORE'\r\n" >"$a/stdout.prc"
run "$accounting" accounting stdout.prc
[ "$(grep -c '^"' "$a/out.txt")" -eq $((before + 3)) ] || no "the export to standard output: $(wc -l <"$a/out.txt") lines"

# Administration: CUSTOMERS is CODE A6, NAME A40, TAXID A12, ADDRESS A40,
# BANK A24, PAYMODE A2, CREDIT N8, ACTIVE L1 (133 bytes).
prepare administration
g="$work/administration"
n=$(records "$g/CUSTOMERS.FD" 133 | wc -l)
menu_run "$administration" administration G2MENU.PMT "Export customers" "$n customers exported"
{ printf 'Code,Name,Tax id,Address\r\n'
  records "$g/CUSTOMERS.FD" 133 | sort | awk '{
    n = split("1 6 7 40 47 12 59 40", f, " "); line = ""
    for (i = 1; i < n; i += 2) { v = substr($0, f[i], f[i + 1]); gsub(/^ +| +$/, "", v)
      line = line (i > 1 ? "," : "") "\"" v "\"" }
    printf "%s\r\n", line }'; } >"$work/cus.expected"
cmp -s "$work/cus.expected" "$g/customers.csv" || { no "customers.csv differs"; diff "$work/cus.expected" "$g/customers.csv" | head -5; }

[ "$fail" -eq 0 ] && echo "transaction demos: ok"
exit "$fail"
