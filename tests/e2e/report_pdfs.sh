#!/usr/bin/env bash
# The demo reports printed to PDF from end to end: each program runs
# headless on its demo application (the demo's files and what the build
# writes for it: records, report definitions, header pictures) and its PDF
# procedure prints through DEVICE, DOCPRINT and ENDDEVICE; the PDF is
# compared with report_pdfs/expected by its summary and text, and a second
# run must give the same bytes:
#   accounting      trialpdf.prc    the trial balance on 30-line pages
#   administration  invoicepdf.prc  invoice 5 under its own picture
# Each procedure's closing message says what was written; without its header
# picture the trial balance writes no PDF and its message says why.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
expected="$source/tests/e2e/report_pdfs/expected"
. "$source/tests/e2e/lib/pdf.bash"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
# procedure PROGRAM BINARY PROCEDURE: runs it on $app; sets rc and said (the
# text of the message it ended with)
procedure() {
  (cd "$app" && KX_UI_TRANSCRIPT="$work/$1.log" timeout 30 "$2" "--dpath=$app" "/RUN:PrcExec $3" \
    </dev/null >"$work/$1.out" 2>&1)
  rc=$?
  said=$(grep -a '^box ' "$work/$1.log" | tail -1 | sed 's/.* text="\(.*\)" -> .*/\1/')
}
run() {  # program binary, procedure, output file, picture it must show (width x height), message
  local program=$1 binary=$2 procedure=$3 out=$4 picture=$5 message=$6 app="$work/$1"
  mkdir -p "$app"
  cp -R "$source/apps/$program/demo/." "$bin/demo/$program/." "$app/"
  for round in 1 2; do
    procedure "$program" "$binary" "$procedure"
    if [ "$rc" -ne 0 ] || [ ! -f "$app/$out" ]; then
      echo "FAIL $procedure ended with $rc"; sed 's/^/  output: /' "$work/$program.out"; fail=1; return
    fi
    [ "$said" = "$message" ] || { echo "FAIL $procedure said: $said"; fail=1; }
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
run accounting "$accounting" trialpdf.prc trial.pdf 520x56 \
  "The trial balance was written to trial.pdf: 3 page(s) of 30 lines under the header picture pdf_header.png"
run administration "$administration" invoicepdf.prc invoice.pdf 520x64 \
  "Invoice 5 was written to invoice.pdf under the header picture pdf_GAGAINVOICE.png"
app="$work/accounting"
rm "$app/pdf_header.png"
procedure accounting "$accounting" trialpdf.prc
[ "$rc" -eq 0 ] || { echo "FAIL trialpdf.prc without its picture ended with $rc"; fail=1; }
[ -e "$app/trial.pdf" ] && { echo "FAIL trialpdf.prc without its picture left trial.pdf"; fail=1; }
want="No PDF was written: the page header picture pdf_header.png was not found in the application folder"
[ "$said" = "$want" ] || { echo "FAIL trialpdf.prc without its picture said: $said"; fail=1; }
[ "$fail" -eq 0 ] && echo "ok demo report PDFs"
exit "$fail"
