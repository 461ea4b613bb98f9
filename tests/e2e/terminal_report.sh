#!/usr/bin/env bash
# The test page on the screen device in a terminal: the report window shows
# its text from the start in a framed area, PgDn scrolls to its end, Esc
# closes it and the run ends with exit code 0, the file copy written.
set -u
accounting=$1
kx_test=report
. "$3/tests/e2e/terminal/lib.bash"
cp -R "$3/apps/accounting/demo/." "$work/"
kx_start 80 24 "$accounting" "--dpath=$work" "/RUN:PrcExec testpage.prc"
kx_wait_text "│Demo company - test page"
kx_screen | grep -qF "End of the test page." && { echo "FAIL report: the end showed before scrolling"; fail=1; }
kx_keys NPage NPage
kx_wait_text "│End of the test page."
kx_screen | grep -qF "Demo company - test page" && { echo "FAIL report: the start still shows after PgDn"; fail=1; }
kx_keys Escape
kx_expect_end 0
grep -q "End of the test page." "$work/testpage.txt" || { echo "FAIL report: testpage.txt lacks its end"; fail=1; }
exit $fail
