#!/usr/bin/env bash
# Invoices the invoicing run made (its lines and the footer holding the
# total with VAT) opened in Documents > Invoices and saved unchanged: every
# record of the invoices, the VAT registry and the payments stays byte for
# byte as the run wrote it, the footer included; the window showed the
# lines with their quantities, prices and amounts.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
{ ui_invoicing_run; printf 'close\nanswer Yes match "Close Program?"\n'; } >"$app/ui.txt"
adm_run
for f in INVOICES VATREG PAYMENTS; do cp "$app/$f.FD" "$work/$f.run"; done
grep -aq '       7A25999' "$app/INVOICES.FD" || { echo "FAIL: the run wrote no footer for invoice 7"; fail=1; }
{
  printf 'wait-top class=GAVGQT24\nmenu "Documents>Invoices"\nwait-top class=MantDlg title="File Maintenance"\n'
  for n in 7 17; do
    ui_doc_key "$n" A25
    printf 'expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"\n'
    [ "$n" = 7 ] && printf 'expect-lv 3200 0 0 "PAPER"\nexpect-lv 3200 0 1 "     20.00"\nexpect-lv 3200 0 2 "        4.25"\nexpect-lv 3200 0 3 "         85.00"\n'
    printf 'click "Save"\nexpect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"\n'
  done
  printf 'close\nclose\nanswer Yes match "Close Program?"\n'
} >"$app/ui.txt"
adm_run
for f in INVOICES VATREG PAYMENTS; do
  cmp -s "$work/$f.run" "$app/$f.FD" || { echo "FAIL: saving unchanged invoices changed $f"; fail=1; }
done
[ $fail = 0 ] && echo "ok invoice round trip"
exit $fail
