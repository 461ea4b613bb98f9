#!/usr/bin/env bash
# The administration program's collections window (Documents > Collections),
# headless on the demo data. A collection of customer C1 on 15 March 2025
# with two rows (invoices 5 and 6 of series A25) is saved: its CHECK event's
# Payments action writes the two rows as collection records, lines 1 and 2,
# which the grid then shows; the window's own save writes nothing more, and
# saving again writes no row twice (it only clears the window, as the
# collection counts as saved). In a second run the collection is
# opened by its key (its rows show their line numbers), a third row is added
# and saved: only that one is written, as line 3. No error box is shown; the
# file passes the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
keys="0:6,6:8,14:3"
collections() {
  "$kxdump" "$app/COLLECT.FD" "$app/COLLECT.DIR" 42 $keys | sed -n '/^records:/,$p' | grep -v deleted |
    grep -o '\[.*\]' | tr -d '[]'
}
check_run() {
  if grep -aq '^box .*text="Error\|^box .*Fatal' "$app/ui.log"; then
    echo "FAIL $1: an error was shown"; grep -a '^box' "$app/ui.log" | sed 's/^/  /'; fail=1
  fi
}
key() {  # the collection's key: customer, then the date replacing today's
  printf 'click 2000\n'; ui_replace C1; printf 'key Tab\n'; ui_replace 20250315; printf 'key Tab\n'
}
row() {  # FIRST invoice series amount
  [ "$1" = 1 ] || printf 'key Down\nclick 2003\n'
  printf 'type "%s"\nkey Tab\ntype "%s"\nkey Tab\ntype "%s"\n' "$2" "$3" "$4"
}
[ -z "$(collections)" ] || { echo "FAIL: the demo holds collections already"; fail=1; }

{
  ui_menu "Documents>Collections"
  key
  row 1 5 A25 50
  row 0 6 A25 10.29
  printf 'click "Save"\nexpect-lv 3200 0 0 "  1"\nexpect-lv 3200 1 0 "  2"\nclick "Save"\nexpect-lv 3200 0 0 ""\n'
  ui_program_close
} >"$app/ui.txt"
adm_run
check_run save
expected=$(printf 'C1    20250315  1       5A25         50.00\nC1    20250315  2       6A25         10.29')
[ "$(collections)" = "$expected" ] || { echo "FAIL: two collection records expected"; collections | sed 's/^/  /'; fail=1; }

{
  ui_menu "Documents>Collections"
  key
  printf 'expect-lv 3200 0 0 "  1"\nexpect-lv 3200 1 3 "         10.29"\nkey Down\n'
  row 0 7 A25 5
  printf 'click "Save"\nexpect-lv 3200 2 0 "  3"\n'
  ui_program_close
} >"$app/ui.txt"
adm_run
check_run add
expected=$(printf '%s\nC1    20250315  3       7A25          5.00' "$expected")
[ "$(collections)" = "$expected" ] || { echo "FAIL: the third row is not line 3 alone"; collections | sed 's/^/  /'; fail=1; }
"$kxdump" --check "$app/COLLECT.FD" "$app/COLLECT.DIR" 42 $keys >/dev/null ||
  { echo "FAIL: COLLECT does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok collections window"
exit $fail
