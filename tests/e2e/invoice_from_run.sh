#!/usr/bin/env bash
# An invoice the invoicing run wrote (its lines and a footer, no header
# record) opens in the invoice window with its lines: the run confirmed from
# Tools > Invoicing run, then invoice 7 (customer ACME, delivery notes 105
# and 116) looked up in Documents > Invoices. The run's completion box
# counts the notes it left out for want of a customer.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
{
  ui_invoicing_run
  printf 'menu "Documents>Invoices"\nwait-top class=MantDlg title="File Maintenance"\n'
  ui_doc_key 7 A25
  cat <<'SCRIPT'
expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"
expect-text 2003 "ACME"
expect-lv 3200 0 0 "PAPER"
expect-lv 3200 1 0 "TONER"
close
close
answer Yes match "Close Program?"
SCRIPT
} >"$app/ui.txt"
# Notes not invoiced yet whose customer is blank, read from the file before
# the run (NUMBER 8, N_LINE 3, DATE 8, CUSTOMER 6 ... INVOICE 8 at 71; 84
# bytes): the completion box says how many were left out.
blank=$(fold -b -w 84 "$app/DELNOTES.FD" | grep -av $'^\x1b' |
  awk 'substr($0, 20, 6) ~ /^ *$/ && substr($0, 72, 8) + 0 == 0 { n++ } END { print n + 0 }')
[ "$blank" -gt 0 ] || { echo "FAIL: the demo has no delivery note without customer"; fail=1; }
adm_run
grep -a '^box' "$app/ui.log" |
  grep -aqF "text=\"Process Completed Succesfully\\x0A$blank delivery note row(s) without customer not invoiced\"" ||
  { echo "FAIL: the completion box does not count the $blank notes without customer"; grep -a '^box' "$app/ui.log" | sed 's/^/  /'; fail=1; }
[ $fail = 0 ] && echo "ok invoice from the run"
exit $fail
