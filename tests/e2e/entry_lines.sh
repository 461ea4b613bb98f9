#!/usr/bin/env bash
# The accounting demo's "Entry lines" window (menu Files > Entry lines), a
# navigation window over the entry lines in maintenance mode, run headless
# twice on a copy of the demo. First a fifth line is typed below the four of
# entry 28 of 31 March 2024 (it takes number 5). Then that entry of five
# lines is opened, a line inserted at 3 (the rows below keep their numbers
# while it is pending; stored on leaving it, it takes 3 and they move up by
# one), line 2
# deleted and the window closed: the entry holds its lines numbered 1 to 5
# in their order, the inserted line second, every other record of the file
# is byte for byte as it was, and the file passes the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/entrysteps.bash"
window_setup accounting "$1" "$3"
layout=(107 "0:8,8:6,14:3" "19:10,0:8,8:6" "29:10,0:8,8:6")
# The live records (a deleted one keeps its slot, marked).
records() { "$kxdump" "$app/ENTRIES.FD" "$app/ENTRIES.DIR" "${layout[@]}" | sed -n '/^records:/,$p' | grep -av '^ *[0-9]* deleted '; }
entry() { entry_lines '20240331    28'; }
open=$(entry_open "Entry lines" 20240331 28)
close=$(program_close)

entry_run "$open
expect-text 2002 \"  1\"
lv-dblclick 3200 3
expect-text 2002 \"  4\"
click 2003
key Down
type \"6290000000\"
key Tab
type \"5720000002\"
key Tab
type \"12.40\"
key Tab
type \"Gastos de correo\"
key Up
answer Yes match \"Data Change\"
$close" "a fifth line"
want="1:Liquidacion Seguridad Social|2:Intereses del prestamo|3:Amortizacion del prestamo|4:Comisiones bancarias|5:Gastos de correo"
[ "$(entry)" = "$want" ] || { echo "FAIL: after the fifth line: $(entry)"; fail=1; }

before=$(records | grep -av '\[20240331    28')
entry_run "$open
expect-lv 3200 4 4 \"Gastos de correo\"
lv-dblclick 3200 2
expect-text 2002 \"  3\"
click \"Insert\"
expect-lv 3200 3 0 \"  3\"
expect-lv 3200 3 4 \"Amortizacion del prestamo\"
click 2003
type \"6290000000\"
key Tab
type \"5700000000\"
key Tab
type \"3.10\"
key Tab
type \"Sellos\"
key Up
answer Yes match \"Data Change\"
expect-lv 3200 2 0 \"  3\"
expect-lv 3200 3 0 \"  4\"
lv-dblclick 3200 1
expect-text 2006 \"Intereses del prestamo\"
click \"Delete\"
answer Yes match \"Delete Record(s)?\"
$close" "insert and delete"
want="1:Liquidacion Seguridad Social|2:Sellos|3:Amortizacion del prestamo|4:Comisiones bancarias|5:Gastos de correo"
[ "$(entry)" = "$want" ] || { echo "FAIL: the entry holds $(entry)"; fail=1; }
after=$(records | grep -av '\[20240331    28')
[ "$before" = "$after" ] || { echo "FAIL: other records changed:"; diff <(echo "$before") <(echo "$after") | head | sed 's/^/  /'; fail=1; }
"$kxdump" --check "$app/ENTRIES.FD" "$app/ENTRIES.DIR" "${layout[@]}" >/dev/null ||
  { echo "FAIL: ENTRIES does not pass the checker"; fail=1; }
# A line inserted at 2 and abandoned, by its Delete and by closing the
# window with it pending: the file stays byte for byte as it was.
whole=$(records)
entry_run "$open
lv-dblclick 3200 1
click \"Insert\"
expect-lv 3200 2 0 \"  2\"
click \"Delete\"
expect-lv 3200 1 0 \"  2\"
lv-dblclick 3200 1
click \"Insert\"
$close" "abandoned inserts"
[ "$(entry)" = "$want" ] || { echo "FAIL: after the abandoned inserts the entry holds $(entry)"; fail=1; }
[ "$(records)" = "$whole" ] || { echo "FAIL: the abandoned inserts changed:"; diff <(echo "$whole") <(records) | head | sed 's/^/  /'; fail=1; }
[ $fail = 0 ] && echo "ok entry lines window"
exit $fail
