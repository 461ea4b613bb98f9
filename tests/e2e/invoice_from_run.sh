#!/usr/bin/env bash
# An invoice the invoicing run wrote (its lines and a footer, no header
# record) opens in the invoice window with its lines: the run confirmed from
# Tools > Invoicing run, then invoice 7 (customer ACME, delivery notes 105
# and 116) looked up in Documents > Invoices.
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
expect-text @CUSTOMER "ACME"
expect-lv 3200 0 0 "PAPER"
expect-lv 3200 1 0 "TONER"
close
close
answer Yes match "Close Program?"
SCRIPT
} >"$app/ui.txt"
adm_run
[ $fail = 0 ] && echo "ok invoice from the run"
exit $fail
