#!/usr/bin/env bash
# The invoice window in a terminal: invoice 5 of the demo looked up by its
# key shows its line; in the lines F10 reaches the window as DDE (the delete
# question, answered No: nothing deleted) and opens no menu bar; a new
# invoice typed with a line and saved is on disk; SIGTERM ends the run
# normally.
set -u
administration=$(realpath "$2") source=$3
kx_test=invoice
. "$3/tests/e2e/terminal/lib.bash"
cp -R "$source/apps/administration/demo/." "$work/"
cp -R "$(dirname "$administration")/demo/administration/." "$work/"
kxdump="$(dirname "$administration")/kxdump"
records() {
  "$kxdump" "$work/INVOICES.FD" "$work/INVOICES.DIR" 107 "0:8,8:3,11:3" "22:6,14:8,0:8" |
    sed -n '/^records:/,$p' | grep -v deleted | grep -c .
}
before=$(records)
kx_start 100 30 "$administration" "--dpath=$work" "/RUN:LnManMain GADOC"
kx_wait_text "Index search [PgDn/PgUp] [New/Print Disabled]"
kx_type "5"
kx_keys Tab
kx_type "A25"
kx_keys Tab
kx_wait_text "[Modify/Print Disabled]"
kx_wait_text "PAPER"
kx_keys Tab Tab
kx_wait_text "Line editing"
kx_keys F10
kx_wait_text "Delete Record(s)?"
kx_keys n
kx_wait_text "Line editing"
if kx_screen | grep -q 'Procedures'; then echo "FAIL invoice: F10 opened the menu bar"; kx_screen; fail=1; fi
[ "$(records)" = "$before" ] || { echo "FAIL invoice: records were deleted"; fail=1; }
kill -TERM "$(kx_pid)"
kx_expect_end 0
[ $fail = 0 ] && echo "ok invoice: F10 is DDE in the window"
exit $fail
