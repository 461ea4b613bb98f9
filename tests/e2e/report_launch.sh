#!/usr/bin/env bash
# The demos' print jobs from end to end, through the Report verb of their
# menus ("Trial balance": Report COPRINT,1; "Print invoice": Report
# GAPRINT,1), each program headless on its demo application:
#   batch  an INPUT file holds the command, the limits form's answer, the
#          device line and the ESC line that ends the rounds; the text file
#          must equal the one the report procedures print
#          (report_demos/expected);
#   person a UI script answers the limits form, chooses CON in the Device
#          Selection window and closes the report window, then cancels the
#          next round's form; the report window must show the report.
# KEEP=1 keeps the work folder for a look.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
expected="$source/tests/e2e/report_demos/expected"
export TZ=UTC LC_ALL=C KX_UI=headless
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail=0
esc=$'\x1b'

app() {  # program: a fresh copy of its demo application
  local dir="$work/$1-$2"
  mkdir -p "$dir"
  cp -R "$source/apps/$1/demo/." "$dir/"
  cp -R "$bin/demo/$1/." "$dir/"
  echo "$dir"
}

batch() {  # program, binary, job, limits answer, device line, output file
  local dir
  dir=$(app "$1" batch)
  printf 'Report %s\r\n%s\r\n%s\r\n%s\r\n' "$3" "$4" "$5" "$esc" >"$dir/in.txt"
  (cd "$dir" && KX_UI_STALL=cancel timeout 30 "$2" "--dpath=$dir" '/INPUT:"in.txt"' '/RUN:ExpEval 0' \
    </dev/null >"$dir/.out" 2>&1)
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAIL $1 batch ended with $rc"; sed 's/^/  output: /' "$dir/.out"; fail=1
  elif ! diff -u --label "expected/$6" --label "got/$6" "$expected/$6" "$dir/$6"; then
    echo "FAIL $1 batch: $6 differs"; fail=1
  elif grep -q 'class="DevSel"' "$dir/.out"; then
    echo "FAIL $1 batch opened the Device Selection window"; fail=1
  fi
}

person() {  # program, binary, job, typing into the form, texts the report window shows
  local dir
  dir=$(app "$1" person)
  cat >"$dir/ui.txt" <<EOF
wait-top title="Report Limits Capture"
$4
click "Ok"
wait-top class=DevSel title="Device Selection"
expect-text 3500 "CON"
click "Ok"
wait-top class=Report
snapshot report
key Esc
wait-top title="Report Limits Capture"
key Esc
EOF
  (cd "$dir" && KX_UI_STALL=fail KX_UI_SCRIPT="$dir/ui.txt" KX_UI_TRANSCRIPT="$dir/transcript.txt" \
    timeout 30 "$2" "--dpath=$dir" "/RUN:Report $3" </dev/null >"$dir/.out" 2>&1)
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAIL $1 person ended with $rc"; sed 's/^/  output: /' "$dir/.out"; fail=1; return
  fi
  shift 4
  for text in "$@"; do
    if ! grep -A3 '^snapshot report' "$dir/transcript.txt" | grep -qF -- "$text"; then
      echo "FAIL $1 person: the report window lacks: $text"; fail=1
    fi
  done
}

batch accounting "$accounting" COPRINT,1 "'',''" "trial.txt /LP:30 /WD:80" trial.txt
batch administration "$administration" GAPRINT,1 "'5'" "invoice.txt /LP:0 /WD:60" invoice.txt
person accounting "$accounting" COPRINT,1 "" "Trial balance of the accounts" \
  "Total                                  951,221.00    951,221.00           0.00"
person administration "$administration" GAPRINT,1 'type "5"' "INVOICE                        5-A25" \
  "Customer   ACME Acme Supplies" "Total"
[ "$fail" -eq 0 ] && echo "ok report launch"
exit "$fail"
