#!/usr/bin/env bash
# The demo reports printed to PDF from end to end: each program runs
# headless on its demo application (the demo's files and what the build
# writes for it: records, report definitions, header pictures) and its PDF
# procedure prints through DEVICE, DOCPRINT and ENDDEVICE; the PDF is
# compared with report_pdfs/expected by its summary and text, and a second
# run must give the same bytes:
#   accounting      trialpdf.prc    the trial balance on 30-line pages
#   administration  invoicepdf.prc  invoice 5 under its own picture
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
expected="$source/tests/e2e/report_pdfs/expected"
. "$source/tests/e2e/lib/pdf.bash"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
run() {  # program binary, procedure, output file, picture it must show (width x height)
  local program=$1 binary=$2 procedure=$3 out=$4 picture=$5 app="$work/$1"
  mkdir -p "$app"
  cp -R "$source/apps/$program/demo/." "$bin/demo/$program/." "$app/"
  for round in 1 2; do
    (cd "$app" && timeout 30 "$binary" "--dpath=$app" "/RUN:PrcExec $procedure" </dev/null >"$work/$program.out" 2>&1)
    rc=$?
    if [ "$rc" -ne 0 ] || [ ! -f "$app/$out" ]; then
      echo "FAIL $procedure ended with $rc"; sed 's/^/  output: /' "$work/$program.out"; fail=1; return
    fi
    cp "$app/$out" "$work/$out.$round"
  done
  cmp -s "$work/$out.1" "$work/$out.2" || { echo "FAIL two runs of $procedure wrote different bytes"; fail=1; }
  pdf_summary "$app/$out" >"$work/$out.txt"
  if ! diff -u --label "expected/$out.txt" --label "got/$out.txt" "$expected/$out.txt" "$work/$out.txt"; then
    echo "FAIL $out differs"; fail=1
  fi
  if ! pdfimages -list "$app/$out" | tail -n +3 | awk '{print $4 "x" $5}' | sort -u | grep -qx "$picture"; then
    echo "FAIL $out does not show the $picture picture"; fail=1
  fi
}
run accounting "$accounting" trialpdf.prc trial.pdf 520x56
run administration "$administration" invoicepdf.prc invoice.pdf 520x64
[ "$fail" -eq 0 ] && echo "ok demo report PDFs"
exit "$fail"
