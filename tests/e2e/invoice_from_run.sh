#!/usr/bin/env bash
# An invoice the invoicing run wrote (its lines and a footer, no header
# record) opens in the invoice window with its lines: the run confirmed from
# Tools > Invoicing run, then invoice 7 (customer ACME, delivery notes 105
# and 116) looked up in Documents > Invoices. The run's completion box
# counts the notes it left out for want of a customer. Deleting the invoice
# of note 103 in its window takes the mark off its notes: a second run
# invoices them once; every marked note is on exactly one line of its
# invoice.
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

# Every note with a customer that carries an invoice mark is on exactly one
# line of that invoice (DELNOTE and DELLINE at 80 and 88 of the 107 bytes of
# INVOICES; NUMBER, N_LINE and INVOICE at 0, 8 and 71 of the 84 of
# DELNOTES); prints the notes that are not, and those left unmarked.
notes_check() {
  { fold -b -w 107 "$app/INVOICES.FD" | grep -av $'^\x1b' | sed 's/^/I/'
    fold -b -w 84 "$app/DELNOTES.FD" | grep -av $'^\x1b' | sed 's/^/N/'; } | awk '
    /^I/ { if (substr($0, 82, 8) + 0 == 0) next
           k = (substr($0, 82, 8) + 0) "/" (substr($0, 90, 3) + 0); lines[k]++; on[k] = substr($0, 2, 8) + 0; next }
    /^N/ { if (substr($0, 21, 6) ~ /^ *$/) next
           k = (substr($0, 2, 8) + 0) "/" (substr($0, 10, 3) + 0); mark[k] = substr($0, 73, 8) + 0 }
    END { for (k in mark) {
            if (mark[k] == 0) print "note " k " is not invoiced"
            else if (lines[k] + 0 != 1 || on[k] != mark[k]) printf "note %s marked %d is on %d invoice line(s)\n", k, mark[k], lines[k] } }'
}
wrong=$(notes_check)
[ -z "$wrong" ] || { echo "FAIL: after the run:"; echo "$wrong" | sed 's/^/  /'; fail=1; }

# The invoice holding note 103 deleted in its window: its notes lose their
# mark, so a second run invoices them again, once, and nothing else.
deleted=$(fold -b -w 107 "$app/INVOICES.FD" | grep -av $'^\x1b' | awk 'substr($0, 81, 8) + 0 == 103 { print substr($0, 1, 8) + 0; exit }')
[ -n "$deleted" ] || { echo "FAIL: no invoice holds note 103"; fail=1; }
count_invoices() { fold -b -w 107 "$app/INVOICES.FD" | grep -av $'^\x1b' | cut -c1-11 | sort -u | wc -l; }
invoices_before=$(count_invoices)
{
  ui_menu "Documents>Invoices"
  ui_doc_key "$deleted" A25
  printf 'click @CUSTOMER\nkey Tab\n'
  ui_doc_delete
  printf 'close\n'
  ui_invoicing_run
  printf 'close\nanswer Yes match "Close Program?"\n'
} >"$app/ui.txt"
adm_run
fold -b -w 107 "$app/INVOICES.FD" | grep -av $'^\x1b' | grep -aq "^ *$deleted"'A25' &&
  { echo "FAIL: invoice $deleted is still there"; fail=1; }
[ "$(count_invoices)" = "$invoices_before" ] || { echo "FAIL: $invoices_before invoices before, $(count_invoices) after the delete and the second run"; fail=1; }
wrong=$(notes_check)
[ -z "$wrong" ] || { echo "FAIL: after the delete and a second run:"; echo "$wrong" | sed 's/^/  /'; fail=1; }
[ $fail = 0 ] && echo "ok invoice from the run"
exit $fail
