#!/usr/bin/env bash
# The record-maintenance windows of both demo programs, headless, from the
# RUN option's "MantMain" line as the menus give it: the accounts
# (accounting, COACC) and the customers (administration, GACUST). Each run
# steps to the second record, changes its name and saves it, steps to the
# third and deletes it after the question, and closes the window, which
# ends the program. The data file then differs from the build's by exactly
# those two records and passes the record-file checker; nothing stalled.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
kxdump="$bin/kxdump"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail
fail=0
# program binary screen file reclen keys, second-record code and old and new
# names, third-record code, the code shown after the delete
run() {
  local program=$1 binary=$2 screen=$3 file=$4 reclen=$5 keys=$6 second=$7 old=$8 new=$9 third=${10} after=${11}
  local work app
  work=$(mktemp -d)
  app="$work/app"
  mkdir -p "$app"
  cp -R "$source/apps/$program/demo/." "$app/"
  if [ ! -f "$bin/demo/$program/$file.FD" ]; then
    echo "FAIL $program: the build wrote no demo records"; fail=1; return
  fi
  cp -R "$bin/demo/$program/." "$app/"
  cat >"$app/ui.txt" <<SCRIPT
wait-top class=MantDlg
expect-text 1481 "Index search [PgDn/PgUp]"
click "Next"
expect-text 2000 "$second"
expect-text 1481 "Editing [PgDn/PgUp]"
key Home
key End+Shift
type "$new"
click "Save"
expect-text 1481 "Index search [PgDn/PgUp]"
click "Next"
expect-text 2000 "$third"
click "Delete"
answer Yes match "Delete Record(s)?"
expect-text 2000 "$after"
close
SCRIPT
  # shellcheck disable=SC2086
  "$kxdump" "$app/$file.FD" "$app/$file.DIR" "$reclen" $keys | sed -n '/^records:/,$p' >"$work/before.txt"
  (cd "$app" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui.log timeout 30 "$binary" "--dpath=$app" "/RUN:MantMain $screen" \
    </dev/null >"$work/out.txt" 2>&1)
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL $program: exit code $rc"; sed 's/^/  /' "$work/out.txt"; tail -5 "$app/ui.log" | sed 's/^/  ui: /'; fail=1
  fi
  grep -q '^stall' "$app/ui.log" && { echo "FAIL $program: the run stalled"; fail=1; }
  grep -qx 'destroy #1' "$app/ui.log" || { echo "FAIL $program: the window was not closed"; fail=1; }
  # The second record renamed (padded as stored), the third marked deleted.
  local width=${#old} from to
  [ ${#new} -gt "$width" ] && width=${#new}
  from=$(printf '%-*s' "$width" "$old") to=$(printf '%-*s' "$width" "$new")
  sed -e "/^  1 \[/s/$from/$to/" -e "s/^  2 \[./  2 deleted [~/" "$work/before.txt" >"$work/expected.txt"
  # shellcheck disable=SC2086
  "$kxdump" "$app/$file.FD" "$app/$file.DIR" "$reclen" $keys | sed -n '/^records:/,$p' >"$work/after.txt"
  if ! diff -u --label expected --label got "$work/expected.txt" "$work/after.txt"; then
    echo "FAIL $program: the data file differs"; fail=1
  fi
  # shellcheck disable=SC2086
  "$kxdump" --check "$app/$file.FD" "$app/$file.DIR" "$reclen" $keys >/dev/null ||
    { echo "FAIL $program: $file does not pass the checker"; fail=1; }
  [ $fail = 0 ] && echo "ok $program"
  rm -rf "$work"
}
run accounting "$accounting" COACC ACCOUNTS 78 "0:10 10:40,0:10" 1000000000 "Capital social" "Capital suscrito" \
  129 1290000000
run administration "$administration" GACUST CUSTOMERS 133 "0:6 6:40,0:6" B "Bodega Luna" "Bodega Sol" C1 C10
exit $fail
