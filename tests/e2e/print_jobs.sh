#!/usr/bin/env bash
# Printing on the spooler's queues from a whole program, headless, with the
# stand-in lp and lpstat of tests/fixtures/fakespool first on PATH (queues
# "lab", the default, and "office"). A procedure prints:
#   1. a page through the page printer WINPRN, whose print dialog the UI
#      script answers with "office": a PDF of the locale's paper (A4 in the
#      C locale) holding the lines, its title in bold (FS SO, then DC2 back
#      to the plain font);
#   2. the same lines as a raw job on "office", named in the device string:
#      the bytes as written;
#   3. the demo's trial balance through WINPRN on "lab": the report's lines
#      on A4 pages;
#   4. the trial balance as a raw job on "office": the bytes of the text
#      report (tests/e2e/report_demos/expected/trial.txt).
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app="$work/app" spool="$work/spool"
mkdir -p "$app" "$spool"
cp -R "$source/apps/accounting/demo/." "$bin/demo/accounting/." "$app/"
printf 'lab\noffice\n' >"$spool/queues"
printf 'lab\n' >"$spool/default"
nl='+FN$CHRS(13)+FN$CHRS(10)'
cat >"$app/print.prc" <<PRC
_SYSCOMPAT=128
DEVICE 'WINPRN'
DPRINT FN\$CHRS(28)+FN\$CHRS(14)+'Demo company'${nl}
DPRINT FN\$CHRS(18)+'Account 4300 Customers         1,234.50'${nl}
DPRINT 'Account 5720 Bank                 87.25'${nl}
ENDDEVICE
DEVICE 'office'
DPRINT 'Account 4300 Customers         1,234.50'${nl}
ENDDEVICE
FILESELECT '8;1'
_CURFIL=8
S=FILELOCATE('TOP';8)
DEVICE 'WINPRN /LP:30 /WD:80'
DOCPRINT 'COTRIAL.PDC','',FN\$CHRS(255)
ENDDEVICE
S=FILELOCATE('TOP';8)
DEVICE 'office /LP:30 /WD:80'
DOCPRINT 'COTRIAL.PDC','',FN\$CHRS(255)
ENDDEVICE
FILESELECT 'RESTORE'
PRC
printf 'wait-top title=Print\nkey Down\nkey Enter\nwait-top title=Print\nkey Enter\n' >"$work/ui.txt"
(cd "$app" && PATH="$source/tests/fixtures/fakespool:$PATH" KX_FAKE_SPOOL="$spool" TZ=UTC LC_ALL=C \
  KX_UI=headless KX_UI_STALL=fail KX_UI_SCRIPT="$work/ui.txt" timeout 30 \
  "$accounting" "--dpath=$app" "/RUN:PrcExec print.prc" </dev/null >"$work/out.txt" 2>&1)
rc=$?
fail=0
bad() { echo "FAIL $*"; fail=1; }
[ "$rc" -eq 0 ] || { bad "the run ended with $rc"; sed 's/^/  output: /' "$work/out.txt"; }
[ "$(ls "$spool/jobs" 2>/dev/null | wc -l)" -eq 8 ] || bad "four jobs expected: $(ls "$spool/jobs" 2>/dev/null)"
if [ -f "$spool/jobs/1.job" ]; then
  info=$(pdfinfo "$spool/jobs/1.job" 2>&1)
  grep -q '^Pages: *1$' <<<"$info" || bad "the page job is no one-page PDF: $info"
  grep -q '^Page size: .*(A4)' <<<"$info" || bad "the page job is not on A4: $info"
  text=$(pdftotext -layout "$spool/jobs/1.job" - | tr -s ' ')
  for line in 'Demo company' 'Account 4300 Customers 1,234.50' 'Account 5720 Bank 87.25'; do
    grep -qF -- "$line" <<<"$text" || bad "the page job lacks: $line"
  done
  grep -q 'Courier-Bold' <<<"$(pdffonts "$spool/jobs/1.job")" || bad "the title is not bold"
  [ "$(head -3 "$spool/jobs/1.args")" = $'-d\noffice\n-t' ] || bad "page job arguments: $(cat "$spool/jobs/1.args")"
  grep -qx -- '-o' "$spool/jobs/1.args" && bad "the page job was sent raw"
fi
if [ -f "$spool/jobs/2.job" ]; then
  printf 'Account 4300 Customers         1,234.50\r\n' | cmp -s - "$spool/jobs/2.job" || bad "the raw job's bytes differ"
  [ "$(head -2 "$spool/jobs/2.args" | tail -1)" = office ] || bad "raw job arguments: $(cat "$spool/jobs/2.args")"
  grep -qx -- 'raw' "$spool/jobs/2.args" || bad "the raw job was not sent raw"
fi
if [ -f "$spool/jobs/3.job" ]; then
  info=$(pdfinfo "$spool/jobs/3.job" 2>&1)
  grep -q '^Page size: .*(A4)' <<<"$info" || bad "the report's pages are not A4: $info"
  [ "$(head -2 "$spool/jobs/3.args" | tail -1)" = lab ] || bad "report job arguments: $(cat "$spool/jobs/3.args")"
  text=$(pdftotext -layout "$spool/jobs/3.job" - | tr -s ' ')
  while IFS= read -r line; do
    line=$(tr -d '\r' <<<"$line" | tr -s ' ' | sed 's/ *$//')
    [ -z "$line" ] && continue
    grep -qF -- "$line" <<<"$text" || bad "the report's page job lacks: $line"
  done <"$source/tests/e2e/report_demos/expected/trial.txt"
fi
if [ -f "$spool/jobs/4.job" ]; then
  cmp -s "$source/tests/e2e/report_demos/expected/trial.txt" "$spool/jobs/4.job" || bad "the raw report differs from the text report"
fi
[ "$fail" -eq 0 ] && echo "ok print jobs"
exit "$fail"
