#!/usr/bin/env bash
# The administration program's invoice window (menu Documents > Invoices),
# headless on the demo data: a new invoice typed with three lines and saved
# (its header and lines 1-3 on disk, the amounts and the total computed),
# opened again by its key (the grid shows the lines), a line deleted and
# saved again (two lines left, renumbered), an invoice of the demo data
# opened with its lines and customer, and every document event
# logged by the screen's procedure in order. The invoice file passes the
# record checker afterwards. Then a credit note chosen by its type is saved
# under series R of the year.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
keys="0:8,8:3,11:3 22:6,14:8,0:8"
dump() { "$kxdump" "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 $keys | sed -n '/^records:/,$p' | grep -v deleted; }

cat >"$app/ui.txt" <<'SCRIPT'
wait-top class=GAVGQT24
menu "Documents>Invoices"
wait-top class=MantDlg
expect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"
# A new invoice: its key typed at once (into the Number, where the window
# opens), then the header, then three lines.
type "7"
key Tab
type "A25"
key Tab
expect-text 1481 "Editing [PgDn/PgUp] [New/Print Disabled]"
key Tab
type "C1"
key Tab
expect-focus @ARTICLE
type "PAPER"
key Tab
type "2"
key Tab
type "4.25"
key Down
click @ARTICLE
type "TONER"
key Tab
type "1"
key Tab
type "61.90"
key Down
click @ARTICLE
type "FOLDER"
key Tab
type "10"
key Tab
type "1.75"
click "Save"
expect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"
expect-lv 3200 0 0 ""
# Opened again by its key: the lines and the total.
click @NUMBER
type "7"
key Tab
type "A25"
key Tab
expect-lv 3200 0 0 "PAPER"
expect-lv 3200 1 0 "TONER"
expect-lv 3200 2 0 "FOLDER"
expect-lv 3200 2 3 "         17.50"
expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"
snapshot loaded
# The second line goes; saved again.
lv-click 3200 1
click "Del.Line"
expect-lv 3200 1 0 "FOLDER"
click "Save"
expect-lv 3200 0 0 ""
# Invoice 5 of the demo data opens with its lines and customer.
click @NUMBER
type "5"
key Tab
type "A25"
key Tab
expect-lv 3200 0 0 "PAPER"
expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"
expect-text @CUSTOMER "ACME"
close
close
answer Yes match "Close Program?"
SCRIPT
before=$(dump)
adm_run
after=$(dump)
# The records of invoice 7 as stored: the header (line blank), lines 1 and 2.
inv7=$(diff <(echo "$before") <(echo "$after") | grep '^>' | grep -o '\[       7A25.*' | sort || true)
lines=$(echo "$inv7" | cut -c2-15)
expected=$(printf '       7A25   \n       7A25  1\n       7A25  2')
if [ "$lines" != "$expected" ]; then
  echo "FAIL: the records of invoice 7 differ"; echo "$inv7" | sed 's/^/  /'; fail=1
fi
echo "$inv7" | grep -q 'PAPER' && echo "$inv7" | grep -q 'FOLDER' && ! echo "$inv7" | grep -q 'TONER' ||
  { echo "FAIL: invoice 7 does not hold PAPER and FOLDER alone"; fail=1; }
# The header keeps the total with VAT of the lines left: 2 x 4.25 at 21 %
# (VAT 1.79) and 10 x 1.75 at 10 % (VAT 1.75), each rate the article's.
echo "$inv7" | head -1 | grep -q ' 29.54\]$' || { echo "FAIL: the header's total is not 29.54"; fail=1; }
"$kxdump" --check "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 $keys >/dev/null ||
  { echo "FAIL: INVOICES does not pass the checker"; fail=1; }
events=$(tr -d '\r' <"$app/events.log" 2>/dev/null | tr '\n' ' ')
if [ "$events" != "INIT LOAD CHECK SAVE LOAD CHECK SAVE LOAD " ]; then
  echo "FAIL: events logged: $events"; fail=1
fi

# A credit note: Shift+Tab from the Number reaches the Type, Down chooses
# "Credit note" and the series becomes R of this year; number 9 typed with a
# line and saved: its header and line are stored under that series. The
# Shift+Tab comes at once: a key typed while the window still opens is not
# lost.
series="R$(date +%y)"
{
  cat <<SCRIPT
wait-top class=GAVGQT24
menu "Documents>Invoices"
wait-top class=MantDlg
key Tab+Shift
expect-text 1481 "Type of Document [New/Print Disabled]"
key Down
expect-text @_DOCTYPE\$ "Credit note"
expect-text @SERIES "$series"
key Tab
type "9"
key Tab
key Tab
key Tab
type "C1"
key Tab
SCRIPT
  ui_line 1 PAPER 2 4.25
  printf 'click "Save"\nexpect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"\n'
  ui_program_close
} >"$app/ui.txt"
kept=$(dump)
adm_run
cn=$(diff <(echo "$kept") <(dump) | grep '^>' | grep -o "\[       9$series.*" | cut -c2-15 | sort || true)
[ "$cn" = "$(printf '       9%s   \n       9%s  1' "$series" "$series")" ] ||
  { echo "FAIL: credit note 9 of series $series is not stored: '$cn'"; fail=1; }
[ $fail = 0 ] && echo "ok invoice window"
exit $fail
