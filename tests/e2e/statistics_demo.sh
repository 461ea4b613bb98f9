#!/usr/bin/env bash
# The statistics demos of both programs, headless, on the demo records the
# build writes: the accounting program's totals by group (totals.prc: two
# FILESCAN ACUMs of the 2025 entry lines into a work structure keyed by the
# 3-character group) and the administration program's sales by customer
# (salescus.prc: STATSTEPS over GASALES.PPN, a relation step of the March
# 2025 delivery notes). Each output is compared with a brute-force sum over
# the data file read byte by byte, and no temporary file of the sets is
# left behind. The records are read at the positions the dictionaries give.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

run() {  # program, name, folder, procedure
  local app="$work/$2"
  mkdir -p "$app" "$app/tmp"
  cp -R "$source/apps/$2/demo/." "$app/"
  if [ ! -d "$bin/demo/$2" ]; then echo "FAIL the build wrote no demo records for $2"; fail=1; return 1; fi
  cp -R "$bin/demo/$2/." "$app/"
  (cd "$app" && TEMP="$app/tmp" KX_UI_TRANSCRIPT="$app/transcript.txt" timeout 30 "$1" "--dpath=$app" \
    "/RUN:PrcExec $3" </dev/null >"$app/out.txt" 2>"$app/err.txt")
  local rc=$?
  if [ "$rc" -ne 0 ]; then echo "FAIL $2 $3 ended with $rc"; sed 's/^/  stderr: /' "$app/err.txt"; fail=1; fi
  if [ -n "$(ls -A "$app/tmp")" ]; then echo "FAIL $2 left temporary files: $(ls "$app/tmp")"; fail=1; fi
  if ! grep -q 'class="Report"' "$app/transcript.txt"; then echo "FAIL $2 showed nothing on the screen"; fail=1; fi
}

# The fields of file $2 in dictionary $1: "NAME position length", the
# position counted from 1; and the record length.
layout() {
  awk -v f="$2" 'substr($0, 1, 2) == f && index($0, "*") == 0 && length($0) >= 15 {
    name = substr($0, 15); sub(/[ \r]+$/, "", name); len = substr($0, 10, 3) + 0
    print name, pos + 1, len; pos += len }' "$1"
}
field() { awk -v n="$2" '$1 == n { print $2, $3 }' "$1"; }
reclen() { awk '{ s += $3 } END { print s }' "$1"; }
# Records of a fixed-length data file, one per line, deleted ones dropped.
records() { fold -b -w "$2" "$1" | grep -v $'^\x1b'; }
# The groups of an output: "key amount... count" with the amounts in cents.
figures() { awk -v n="$2" '$1 != "" && NF == n { o = $1; for (i = 2; i <= NF; i++) { v = $i; gsub(/[,.]/, "", v); o = o " " v + 0 } print o }' "$1"; }

# Accounting: debit and credit by 3-character group, postings on both sides.
run "$accounting" accounting totals.prc
layout "$source/apps/accounting/demo/CODICC.DAT" 09 >"$work/entries.layout"
read -r date _ < <(field "$work/entries.layout" DATE)
read -r debit _ < <(field "$work/entries.layout" PASS_ACC)
read -r credit _ < <(field "$work/entries.layout" ASSET_ACC)
read -r amount alen < <(field "$work/entries.layout" AMOUNT)
records "$work/accounting/ENTRIES.FD" "$(reclen "$work/entries.layout")" |
  awk -v dt="$date" -v dp="$debit" -v cp="$credit" -v ap="$amount" -v al="$alen" '
  substr($0, dt, 4) == "2025" {
    v = substr($0, ap, al); gsub(/[ .]/, "", v)
    d = substr($0, dp, 3); c = substr($0, cp, 3)
    debit[d] += v; n[d]++; credit[c] += v; n[c]++
  }
  END { for (g in n) print g, debit[g] + 0, credit[g] + 0, n[g] }' | sort >"$work/acc.expected"
tail -n +3 "$work/accounting/totals.txt" | grep -v '^Total' | tr -d '\r' >"$work/acc.lines"
figures "$work/acc.lines" 4 | sort >"$work/acc.got"
if [ ! -s "$work/acc.expected" ] || ! diff -u "$work/acc.expected" "$work/acc.got"; then
  echo "FAIL accounting totals by group differ from the entry lines"; fail=1
fi

# Administration: amount and lines by customer of the March 2025 notes.
run "$administration" administration salescus.prc
layout "$source/apps/administration/demo/GADICC.DAT" 07 >"$work/notes.layout"
read -r date _ < <(field "$work/notes.layout" DATE)
read -r cust clen < <(field "$work/notes.layout" CUSTOMER)
read -r amount alen < <(field "$work/notes.layout" AMOUNT)
records "$work/administration/DELNOTES.FD" "$(reclen "$work/notes.layout")" |
  awk -v dt="$date" -v cp="$cust" -v cl="$clen" -v ap="$amount" -v al="$alen" '
  substr($0, dt, 6) == "202503" && substr($0, cp, cl) !~ /^ *$/ {
    v = substr($0, ap, al); gsub(/[ .]/, "", v)
    k = substr($0, cp, cl); gsub(/ /, "", k)
    a[k] += v; n[k]++
  }
  END { for (k in a) print k, a[k], n[k] }' | sort >"$work/adm.expected"
tail -n +3 "$work/administration/salescus.txt" | grep -v '^Total' | tr -d '\r' >"$work/adm.lines"
figures "$work/adm.lines" 3 | sort >"$work/adm.got"
if [ ! -s "$work/adm.expected" ] || ! diff -u "$work/adm.expected" "$work/adm.got"; then
  echo "FAIL administration sales by customer differ from the delivery notes"; fail=1
fi
[ "$fail" -eq 0 ] && echo "ok totals by group and sales by customer"
exit $fail
