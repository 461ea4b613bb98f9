#!/usr/bin/env bash
# The invoice window's fast find and import, headless on the demo data
# (menu Documents > Invoices). Two invoices for customer C1 are typed in
# (7 and 8, a line each and no date, beside invoice 6 of the demo); Find
# asks the customer range C1-C1 and shows the first of the three in the
# order of key 2, customer, date and number (7: no date sorts first), each
# PgDn in key entry the next (8, 6), and past the last the list starts again
# (7, 8). Then Import offers the two delivery notes of the screen's
# menu; the second appends note 102's line (TONER) to invoice 8, which is saved with
# both lines.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"

{
  ui_menu "Documents>Invoices"
  for n in 7 8; do ui_new_invoice "$n" C1 PAPER 1 4.25; done
  cat <<'SCRIPT'
expect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"
click "Find"
wait-top title="Find invoices"
type "C1"
key Tab
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
key Esc
key PgDn
expect-text @NUMBER "       8"
expect-lv 3200 0 0 "PAPER"
key Tab
key Tab
expect-focus @ARTICLE
click "Import"
popup 2
wait-top class=MantDlg
expect-lv 3200 1 0 "TONER"
click "Save"
expect-lv 3200 0 0 ""
close
close
answer Yes match "Close Program?"
SCRIPT
} >"$app/ui.txt"
adm_run
grep -aq '^popup "Delivery note 101|Delivery note 102" -> 2' "$app/ui.log" || { echo "FAIL: the import menu"; fail=1; }
lines=$("$kxdump" "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 "0:8,8:3,11:3" "22:6,14:8,0:8" |
  sed -n '/^records:/,$p' | grep -v deleted | grep -o '\[       8A25.*' | cut -c2-49 | sort)
expected=$(printf '%s\n' '       8A25           C1' '       8A25  1        C1    PAPER           1.00' \
  '       8A25  2        C1    TONER              1')
if [ "$(echo "$lines" | sed 's/ *$//')" != "$expected" ]; then
  echo "FAIL: invoice 8 as stored:"; echo "$lines" | sed 's/^/  /'; fail=1
fi
[ $fail = 0 ] && echo "ok invoice find and import"
exit $fail
