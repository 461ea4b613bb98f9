#!/usr/bin/env bash
# An insert among the lines of an entry in the accounting demo's "Entries"
# window (menu Files > Entries), run headless on a copy of the demo, entry 55
# of 30 June 2024 (four lines). A line inserted at 2 and abandoned, by its
# Delete or by closing the window with it pending, leaves the entries file
# byte for byte as it was. Stored, the new line takes 2 and the lines after
# it move up by one: the entry is numbered 1 to 5 in its order, and the file
# passes the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/entrysteps.bash"
window_setup accounting "$1" "$3"
layout=(107 "0:8,8:6,14:3" "19:10,0:8,8:6" "29:10,0:8,8:6")
entry() { entry_lines '20240630    55'; }
sums() { (cd "$app" && md5sum ENTRIES.FD ENTRIES.DIR); }
open=$(entry_open Entries 20240630 55)
close=$(program_close)
want="1:Liquidacion Seguridad Social|2:Intereses del prestamo|3:Amortizacion del prestamo|4:Comisiones bancarias"
[ "$(entry)" = "$want" ] || { echo "FAIL: the demo's entry 55 is $(entry)"; exit 1; }

# A run that only opens the window (it creates the files it opens).
entry_run "$open
$close"
before=$(sums)
for how in "click \"Delete\"" ""; do
  entry_run "$open
lv-dblclick 3200 1
click \"Insert\"
$how
$close"
  [ "$(sums)" = "$before" ] || { echo "FAIL: the insert abandoned by ${how:-closing the window} changed the file: $(entry)"; fail=1; }
done

entry_run "$open
lv-dblclick 3200 1
click \"Insert\"
click 2003
type \"6290000000\"
key Tab
type \"5720000002\"
key Tab
type \"12.40\"
key Tab
type \"Sellos\"
key Up
answer Yes match \"Data Change\"
$close"
want="1:Liquidacion Seguridad Social|2:Sellos|3:Intereses del prestamo|4:Amortizacion del prestamo|5:Comisiones bancarias"
[ "$(entry)" = "$want" ] || { echo "FAIL: after the stored insert the entry holds $(entry)"; fail=1; }
"$kxdump" --check "$app/ENTRIES.FD" "$app/ENTRIES.DIR" "${layout[@]}" >/dev/null ||
  { echo "FAIL: ENTRIES does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok insert in the entries window"
exit $fail
