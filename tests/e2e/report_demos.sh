#!/usr/bin/env bash
# The demo reports from end to end: each program runs headless on its demo
# application (the demo's files, the records and the report definitions the
# build writes) and its report procedure prints through DEVICE, DOCPRINT and
# ENDDEVICE to a text file, compared with report_demos/expected:
#   accounting      trial.prc    the trial balance COTRIAL.PDC on 30-line pages
#   administration  invoice.prc  invoice 5 through GAINVOICE.PDC
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
expected="$source/tests/e2e/report_demos/expected"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
run() {  # program binary, procedure, output file
  local program=$1 binary=$2 procedure=$3 out=$4 app="$work/$1"
  mkdir -p "$app"
  cp -R "$source/apps/$program/demo/." "$app/"
  if ! ls "$bin/demo/$program"/*.[Pp][Dd][Cc] >/dev/null 2>&1; then
    echo "FAIL the build wrote no demo report definitions in $bin/demo/$program"; fail=1; return
  fi
  cp -R "$bin/demo/$program/." "$app/"
  (cd "$app" && timeout 30 "$binary" "--dpath=$app" "/RUN:PrcExec $procedure" </dev/null >"$work/$program.out" 2>&1)
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAIL $procedure ended with $rc"; sed 's/^/  output: /' "$work/$program.out"; fail=1
  fi
  if [ ! -f "$app/$out" ]; then
    echo "FAIL $out was not written"; fail=1
  elif ! diff -u --label "expected/$out" --label "got/$out" "$expected/$out" "$app/$out"; then
    echo "FAIL $out differs"; fail=1
  elif ! grep -q $'\r$' "$app/$out"; then
    echo "FAIL the lines of $out do not end with CR LF"; fail=1
  fi
}
run accounting "$accounting" trial.prc trial.txt
run administration "$administration" invoice.prc invoice.txt
[ "$fail" -eq 0 ] && echo "ok demo reports"
exit "$fail"
