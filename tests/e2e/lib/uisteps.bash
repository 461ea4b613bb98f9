# Steps of headless UI scripts shared by the whole-program tests of the
# administration program's document windows. Each function prints script
# lines (platform/ui/SCRIPT.md); a test joins them into its ui.txt (the
# invoice window's fields named @NAME, see adm_run):
#   { ui_menu "Documents>Invoices"; ui_doc_key 7 A25; ...; } >"$app/ui.txt"
#   ui_menu PATH            chooses the main window's menu entry; waits for
#                           the document window it opens
#   ui_doc_key A B          a document's key: A in its Number, B in its Series
#   ui_replace TEXT         replaces the text of the focused field
#   ui_line FIRST A Q P     a grid line: article, quantity and price (FIRST
#                           1 for the line the header's Tab reached, 0 for a
#                           line after Down)
#   ui_schedule N DAYS MONTHS  the payment schedule's form confirmed, its
#                           generator asked for N instalments DAYS/MONTHS
#                           apart, the instalments confirmed
#   ui_doc_delete           the loaded document deleted (Yes to the question)
#   ui_new_invoice N C A Q P  invoice N of series A25 for customer C, no
#                           date, one line (article A, quantity Q, price P),
#                           typed into the empty window and saved
#   ui_invoicing_run        Tools > Invoicing run confirmed and closed, back
#                           at the main window
#   ui_program_close        the document window and the program closed
ui_menu() {
  printf 'wait-top class=GAVGQT24\nmenu "%s"\nwait-top class=MantDlg\n' "$1"
}

ui_doc_key() {
  printf 'click @NUMBER\ntype "%s"\nkey Tab\ntype "%s"\nkey Tab\n' "$1" "$2"
}

ui_replace() {
  printf 'key Home\nkey End+Shift\ntype "%s"\n' "$1"
}

ui_line() {
  [ "$1" = 1 ] || printf 'key Down\nclick @ARTICLE\n'
  printf 'type "%s"\nkey Tab\ntype "%s"\nkey Tab\ntype "%s"\n' "$2" "$3" "$4"
}

ui_schedule() {
  printf 'wait-top title="Payment schedule"\nclick "Ok"\n'
  printf 'wait-top title="Instalments to propose"\ntype "%s"\nkey Tab\ntype "%s"\nkey Tab\ntype "%s"\nkey Enter\n' "$1" "$2" "$3"
  printf 'wait-top title="Instalments"\nclick 3100\nwait-top class=MantDlg\n'
}

ui_new_invoice() {
  ui_doc_key "$1" A25
  printf 'key Tab\ntype "%s"\nkey Tab\n' "$2"
  ui_line 1 "$3" "$4" "$5"
  printf 'click "Save"\n'
}

ui_invoicing_run() {
  ui_menu "Tools>Invoicing run"
  printf 'click "Ok"\nanswer OK match "Process Completed"\nwait-top class=MantDlg\nclose\nwait-top class=GAVGQT24\n'
}

ui_doc_delete() {
  printf 'click "Del.Doc."\nanswer Yes match "Delete"\n'
}

ui_program_close() {
  printf 'close\nclose\nanswer Yes match "Close Program?"\n'
}
