#!/usr/bin/env bash
# The statistics demos of both programs, headless, on the demo records the
# build writes: the accounting program's totals by group (totals.prc: two
# FILESCAN ACUMs of the 2025 entry lines into a work structure keyed by the
# 3-character group) and the administration program's sales by customer
# (salescus.prc: STATSTEPS over GASALES.PPN, a relation step of the March
# 2025 delivery notes). Each output is compared with a brute-force sum over
# the data file read byte by byte, and no temporary file of the sets is
# left behind.
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

# Records of a fixed-length data file, one per line, deleted ones dropped.
records() { fold -b -w "$2" "$1" | grep -v $'^\x1b'; }
# The groups of an output: "key amount... count" with the amounts in cents.
figures() { awk -v n="$2" '$1 != "" && NF == n { o = $1; for (i = 2; i <= NF; i++) { v = $i; gsub(/[,.]/, "", v); o = o " " v + 0 } print o }' "$1"; }

# Accounting: debit and credit by 3-character group, postings on both sides.
run "$accounting" accounting totals.prc
records "$work/accounting/ENTRIES.FD" 107 | awk '
  substr($0, 1, 4) == "2025" {
    v = substr($0, 40, 14); gsub(/[ .]/, "", v)
    d = substr($0, 20, 3); c = substr($0, 30, 3)
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
records "$work/administration/DELNOTES.FD" 83 | awk '
  substr($0, 12, 6) == "202503" && substr($0, 20, 6) !~ /^ *$/ {
    v = substr($0, 58, 14); gsub(/[ .]/, "", v)
    k = substr($0, 20, 6); gsub(/ /, "", k)
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
