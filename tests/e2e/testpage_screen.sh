#!/usr/bin/env bash
# The test page of both demos on the screen device, headless: the report
# window shows the page (the transcript keeps its text and its one button),
# a scripted press of "Cancel" closes it, nothing else is waited for, and
# the temporary file of the screen output is gone afterwards.
set -u
accounting=$1 administration=$2 source=$3
fail=0
for program in accounting administration; do
  binary=$accounting
  [ $program = administration ] && binary=$administration
  work=$(mktemp -d)
  cp -R "$source/apps/$program/demo/." "$work/"
  mkdir "$work/tmp"
  printf 'wait-top class=Report\nclick "Cancel"\n' >"$work/ui.txt"
  (cd "$work" && TZ=UTC LC_ALL=C TEMP="$work/tmp" KX_UI=headless KX_UI_STALL=fail KX_UI_SCRIPT=ui.txt \
    KX_UI_TRANSCRIPT=transcript.txt timeout 30 "$binary" "--dpath=$work" "/RUN:PrcExec testpage.prc" \
    </dev/null >out.txt 2>&1)
  rc=$?
  t=$work/transcript.txt
  check() { grep -qF -- "$1" "$t" || { echo "FAIL $program: the transcript lacks: $1"; fail=1; }; }
  [ $rc = 0 ] || { echo "FAIL $program: exit code $rc"; cat "$work/out.txt"; fail=1; }
  check 'class="Report" title="ReportWin"'
  check 'class="BUTTON" id=3000'
  check 'text="Cancel"'
  check '"Demo company - test page\x0D\x0A'
  check 'End of the test page.'
  check '> click "Cancel"'
  grep -q '^stall' "$t" && { echo "FAIL $program: the run stalled"; fail=1; }
  [ -z "$(ls -A "$work/tmp")" ] || { echo "FAIL $program: the screen output was left in TEMP"; fail=1; }
  [ $fail = 0 ] && echo "ok $program"
  rm -rf "$work"
done
exit $fail
