#!/usr/bin/env bash
# An invoice the invoicing run wrote (its lines and a footer, no header
# record) opens in the invoice window with its lines: the run confirmed from
# Tools > Invoicing run, then invoice 7 (customer ACME, delivery notes 105
# and 116) looked up in Documents > Invoices.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
adm_setup "$@"
cat >"$app/ui.txt" <<'SCRIPT'
wait-top class=GAVGQT24
menu "Tools>Invoicing run"
wait-top class=MantDlg
click "Ok"
answer OK match "Process Completed"
wait-top class=MantDlg
close
wait-top class=GAVGQT24
menu "Documents>Invoices"
wait-top class=MantDlg title="File Maintenance"
click 2000
type "7"
key Tab
type "A25"
key Tab
expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"
expect-text 2003 "ACME"
expect-lv 3200 0 0 "PAPER"
expect-lv 3200 1 0 "TONER"
close
close
answer Yes match "Close Program?"
SCRIPT
adm_run
[ $fail = 0 ] && echo "ok invoice from the run"
exit $fail
