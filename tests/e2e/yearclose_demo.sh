#!/usr/bin/env bash
# The accounting demo's year end, headless, run by the command lines of its
# "Year end" menu entries: "Close year" closes 2024 as shipped (the form's
# dates taken as they come: 31-12-2024 and 01-01-2025), moves FAPE$ in the
# parameter file to 20250101 and writes CLOSEYEAR.LOG, two lines a step;
# a second close is refused and changes nothing; "Undo year close" on
# 31-12-2024 gives back the entry lines and balances by month of the
# shipped demo byte for byte (as sorted live records) and FAPE$ 20240101;
# "Regenerate balances" over 2024-2025 leaves them as they are. After the
# close every account's stored totals are the sums of its lines (new year's
# included) and a regeneration changes nothing; no balance by month sits
# under a blank account. Every data
# file passes the checker; no journal is left.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }
app="$work/app"
mkdir -p "$app" "$work/data"
cp -R "$source/apps/accounting/demo/." "$app/"
cp -R "$source/apps/accounting/demo/data/." "$work/data/"
cp -R "$bin/demo/accounting/." "$app/"
kxdump="$bin/kxdump"

entry() {  # caption: the command line of the menu entry
  grep -a "^[[:space:]]*$1," "$app/C2MENU.PMT" | head -1 | sed 's/^[[:space:]]*[^,]*,//' | tr -d '\r'
}
run() {  # caption, box text expected[, exit code]; the form's fields confirmed as they are
  local command
  command=$(entry "$1")
  [ -n "$command" ] || { no "C2MENU.PMT has no entry \"$1\""; return; }
  printf '%s' "${typed:-$'wait-focus 2000\nkey Enter\nkey Enter\nkey Enter\n'}" >"$app/ui.txt"
  rm -f "$app/transcript.txt"
  (cd "$app" && KX_UI_SCRIPT="$app/ui.txt" KX_UI_TRANSCRIPT="$app/transcript.txt" timeout 40 "$accounting" \
    "--dpath=$app" "/RUN:$command" </dev/null >"$app/out.txt" 2>"$app/err.txt")
  local rc=$?
  [ "$rc" -eq "${3:-0}" ] || { no "\"$1\" ended with $rc, not ${3:-0}"; sed 's/^/  stderr: /' "$app/err.txt"; }
  grep -q "text=\"[^\"]*$2" "$app/transcript.txt" ||
    no "\"$1\": no box saying \"$2\" ($(grep -o 'text="[^"]*"' "$app/transcript.txt" | tail -2 | tr '\n' ' '))"
  ls "$app" | grep -qiE 'JOURNAL\.DAT|\.jr[0-9]+$' && no "\"$1\" left a journal or a second name"
}
records() { fold -b -w "$2" "$app/$1" | grep -av $'^\x1b' | LC_ALL=C sort; }
snapshot() {  # name: sorted live records of the entry lines and the balances by month
  records ENTRIES.FD 107 >"$work/$1.entries"
  records BALANCES.FD 48 >"$work/$1.months"
}
opening() { tr -d '\r' <"$work/data/COPARINI.DAT" | grep -o "FAPE\$='[0-9]*'"; }
# Every complete account's stored totals (CUR_PASSIVE, CUR_ASSETS) against
# the sums of the live entry lines naming it as debit (PASS_ACC) and credit
# (ASSET_ACC) account, in cents; and no balance by month under a blank
# account. Prints what differs.
totals() {
  { records ENTRIES.FD 107 | sed 's/^/E/'; records ACCOUNTS.FD 78 | sed 's/^/A/'; } | awk '
    function cents(s) { s += 0; return s < 0 ? int(s * 100 - 0.5) : int(s * 100 + 0.5) }
    /^E/ { a = cents(substr($0, 41, 14)); d[substr($0, 21, 10)] += a; c[substr($0, 31, 10)] += a; next }
    /^A/ { code = substr($0, 2, 10); if (code ~ / /) next
           p = cents(substr($0, 52, 14)); q = cents(substr($0, 66, 14))
           if (p != d[code] + 0 || q != c[code] + 0) printf "account %s holds %d/%d, its lines %d/%d\n", code, p, q, d[code], c[code] }'
  records BALANCES.FD 48 | awk 'substr($0, 1, 10) ~ /^ *$/ { print "a balance by month under a blank account: " $0 }'
}
check() {  # what was run
  local f name len keys
  for f in "ACCOUNTS 78 0:10 10:40,0:10" "ENTRIES 107 0:8,8:6,14:3 19:10,0:8,8:6 29:10,0:8,8:6" \
           "BALANCES 48 0:10,10:8,46:2 10:8,0:10"; do
    read -r name len keys <<<"$f"
    # shellcheck disable=SC2086
    "$kxdump" --check "$app/$name.FD" "$app/$name.DIR" "$len" $keys >/dev/null || no "$1: $name does not pass the checker"
  done
}

snapshot shipped
[ "$(opening)" = "FAPE\$='20240101'" ] || no "the demo does not ship with FAPE\$ 20240101: $(opening)"

run "Close year" "Process Completed Succesfully"
[ "$(opening)" = "FAPE\$='20250101'" ] || no "the close did not move FAPE\$: $(opening)"
steps=$(grep -ac 'Step#' "$app/CLOSEYEAR.LOG")
[ "$steps" -eq 16 ] || no "CLOSEYEAR.LOG holds $steps step lines, not 16"
closing=$(grep -ac "^20241231.\{15\}CI" "$work/shipped.entries")
[ "$closing" -eq 0 ] || no "the shipped demo holds closing lines"
snapshot closed
added=$(($(wc -l <"$work/closed.entries") - $(wc -l <"$work/shipped.entries")))
[ "$added" -gt 20 ] || no "the close wrote only $added lines"
check "close"
# With lines of the new year already there: the stored totals are the sums
# of all lines, as the regeneration computes them (it changes nothing).
wrong=$(totals)
[ -z "$wrong" ] || { no "after the close:"; echo "$wrong" | head -5 | sed 's/^/  /'; }
records ACCOUNTS.FD 78 >"$work/closed.accounts"
run "Regenerate balances" "Process Completed Succesfully"
cmp -s "$work/closed.accounts" <(records ACCOUNTS.FD 78) || no "the regeneration after the close changed the accounts"
cmp -s "$work/closed.months" <(records BALANCES.FD 48) || no "the regeneration after the close changed the balances by month"

# Refused: the run's final status is the error it showed (BADINPUTDATA).
run "Close year" "The year to 12-31-2024 is already closed: the accounts open on 01-01-2025" 163
cmp -s "$work/closed.entries" <(records ENTRIES.FD 107) || no "a refused second close changed the entry lines"

run "Undo year close" "Process Completed Succesfully"
[ "$(opening)" = "FAPE\$='20240101'" ] || no "the undo did not put FAPE\$ back: $(opening)"
snapshot undone
cmp -s "$work/shipped.entries" "$work/undone.entries" || no "the undo did not give back the entry lines"
cmp -s "$work/shipped.months" "$work/undone.months" || no "the undo did not give back the balances by month"
check "undo"

run "Regenerate balances" "Process Completed Succesfully"
snapshot regenerated
cmp -s "$work/shipped.months" "$work/regenerated.months" || no "the regeneration changed the balances by month"
check "regeneration"

# A range that cuts a month is refused and changes nothing (its months would
# be rebuilt from part of their lines).
records ACCOUNTS.FD 78 >"$work/regenerated.accounts"
typed=$'wait-focus 2000\nkey Home\nkey End+Shift\ntype "03-15-24"\nkey Tab\nkey Enter\nkey Enter\n' \
  run "Regenerate balances" "Date:20240315 is not the first day of a month" 163
cmp -s "$work/regenerated.months" <(records BALANCES.FD 48) || no "a refused regeneration changed the balances by month"
cmp -s "$work/regenerated.accounts" <(records ACCOUNTS.FD 78) || no "a refused regeneration changed the accounts"
[ "$fail" -eq 0 ] && echo "ok accounting year end"
exit "$fail"
