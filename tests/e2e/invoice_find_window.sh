#!/usr/bin/env bash
# The invoice window's fast find when FASTFIND$ names a form window (an
# accept window of its own, not the one-line form), headless on the demo
# data. Two invoices for customer C1 are typed in (7 and 8, beside invoice 6
# of the demo). Find opens the form: a range without invoices (X1-X9) says
# so and leaves the form open to try again; the range C1-C1 closes the form
# and shows the first invoice of the range in the order of key 2 (7: no date
# sorts first), each PgDn in key entry the next (8, 6), and past the last
# the list starts again (7).
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"

# The form: two answers, the key of the range (2: customer, date, number).
sed -i 's/^01 FASTFIND\$:.*/01 FASTFIND$:"GAFINDW,0,0,0,0,0,0"/' "$app/GADOC.PPN"
printf '%s\r\n' "01 TITLE\$:'Find invoices'" '01 FD$:FFFROM$,FFTO$' '01 INDEX%:2' "01 SCREENSIZE\$:'40,7'" \
  >"$app/GAFINDW.PPN"
printf '%s\r\n' '01 00302From customer' '01 10318000006A' '01 00502To customer' '01 10518000006A' \
  >"$app/GAFINDW.PAN"

{
  ui_menu "Documents>Invoices"
  for n in 7 8; do ui_new_invoice "$n" C1 PAPER 1 4.25; done
  cat <<'SCRIPT'
click "Find"
wait-top title="Data Capture"
type "X1"
key Tab
type "X9"
click "Ok"
answer OK
wait-top title="Data Capture"
click 2000
key End
key Back
key Back
type "C1"
click 2001
key End
key Back
key Back
type "C1"
click "Ok"
wait-top class=MantDlg
expect-text @NUMBER "       7"
expect-lv 3200 0 0 "PAPER"
key Esc
key PgDn
expect-text @NUMBER "       8"
key Esc
key PgDn
expect-text @NUMBER "       6"
key Esc
key PgDn
expect-text @NUMBER "       7"
close
close
answer Yes match "Close Program?"
SCRIPT
} >"$app/ui.txt"
adm_run
grep -aqE '^box .*(Key not Found|End of file)' "$app/ui.log" || { echo "FAIL: the empty range was not told"; fail=1; }
[ $fail = 0 ] && echo "ok invoice find through a form window"
exit $fail
