#!/usr/bin/env bash
# Invoices the invoicing run made (a header holding the total with VAT, then
# the lines) opened in Documents > Invoices:
# - saved unchanged: every record of the invoices, the VAT registry and the
#   payments stays byte for byte as the run wrote it; the window showed the
#   lines with their quantities, prices and amounts, and the total;
# - a line's quantity changed and saved: the header holds the new total with
#   VAT, the changed line keeps every field but its quantity and amount, the
#   other line is byte for byte as the run wrote it, and the VAT registry
#   entry follows.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
keys="0:8,8:3,11:3 22:6,14:8,0:8"
# Invoice 7's records as stored, one a line, each with its key first.
records() { "$kxdump" "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 $keys | sed -n '/^records:/,$p' |
  grep -v deleted | grep -o '\[       7A25.*' | sort; }
field() { cut -c$(($2 + 2))-$(($2 + $3 + 1)) <<<"$1" | tr -d ' '; }  # record, offset, length
{ ui_invoicing_run; printf 'close\nanswer Yes match "Close Program?"\n'; } >"$app/ui.txt"
adm_run
for f in INVOICES VATREG PAYMENTS; do cp "$app/$f.FD" "$work/$f.run"; done
run=$(records)
# Invoice 7: notes 105 (20 x 4.25) and 116 (1 x 61.90), both at 21 %.
header=$(sed -n 1p <<<"$run") line1=$(sed -n 2p <<<"$run") line2=$(sed -n 3p <<<"$run")
[ "$(field "$header" 11 3)" = "" ] && [ "$(field "$header" 93 14)" = "177.75" ] ||
  { echo "FAIL: the run wrote no header with the total 177.75 for invoice 7"; echo "$run"; fail=1; }
{
  printf 'wait-top class=GAVGQT24\nmenu "Documents>Invoices"\nwait-top class=MantDlg title="File Maintenance"\n'
  for n in 7 17; do
    ui_doc_key "$n" A25
    printf 'expect-text 1481 "Editing [PgDn/PgUp] [Modify/Print Disabled]"\n'
    [ "$n" = 7 ] && printf 'expect-lv 3200 0 0 "PAPER"\nexpect-lv 3200 0 1 "     20.00"\nexpect-lv 3200 0 2 "        4.25"\nexpect-lv 3200 0 3 "         85.00"\nexpect-text @TOTAL "        177.75"\n'
    printf 'click "Save"\nexpect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"\n'
  done
  printf 'close\nclose\nanswer Yes match "Close Program?"\n'
} >"$app/ui.txt"
adm_run
for f in INVOICES VATREG PAYMENTS; do
  cmp -s "$work/$f.run" "$app/$f.FD" || { echo "FAIL: saving unchanged invoices changed $f"; fail=1; }
done
# Line 1 of invoice 7 down from 20 to 10 packets of paper, by keys: Tab
# from the date through the customer into the line, Tab to its quantity,
# whose text is selected, so what is typed replaces it.
cat >"$app/ui.txt" <<'SCRIPT'
wait-top class=GAVGQT24
menu "Documents>Invoices"
wait-top class=MantDlg title="File Maintenance"
click @NUMBER
type "7"
key Tab
type "A25"
key Tab
expect-text @TOTAL "        177.75"
key Tab
key Tab
expect-focus @ARTICLE
key Tab
type "10"
key Tab
click "Save"
expect-text 1481 "Index search [PgDn/PgUp] [New/Print Disabled]"
click @NUMBER
type "7"
key Tab
type "A25"
key Tab
expect-lv 3200 0 1 "     10.00"
expect-lv 3200 0 3 "         42.50"
expect-text @TOTAL "        126.33"
close
close
answer Yes match "Close Program?"
SCRIPT
adm_run
saved=$(records)
nheader=$(sed -n 1p <<<"$saved") nline1=$(sed -n 2p <<<"$saved") nline2=$(sed -n 3p <<<"$saved")
[ "$(wc -l <<<"$saved")" = 3 ] || { echo "FAIL: invoice 7 is not a header and two lines"; echo "$saved"; fail=1; }
# 42.50 + 8.93 + 61.90 + 13.00: each line's VAT rounded as the run does.
[ "$(field "$nheader" 11 3)" = "" ] && [ "$(field "$nheader" 93 14)" = "126.33" ] ||
  { echo "FAIL: the header does not hold the new total 126.33"; echo "$saved"; fail=1; }
[ "${nheader:0:94}" = "${header:0:94}" ] || { echo "FAIL: the header changed beside its total"; echo "$header"; echo "$nheader"; fail=1; }
[ "$nline2" = "$line2" ] || { echo "FAIL: line 2 changed"; echo "$line2"; echo "$nline2"; fail=1; }
[ "$(field "$nline1" 38 10)" = "10.00" ] && [ "$(field "$nline1" 60 14)" = "42.5" ] ||
  { echo "FAIL: line 1 has not quantity 10 and amount 42.50"; echo "$nline1"; fail=1; }
[ "${nline1:0:39}${nline1:49:12}${nline1:75:33}" = "${line1:0:39}${line1:49:12}${line1:75:33}" ] ||
  { echo "FAIL: line 1 changed beside its quantity and amount"; echo "$line1"; echo "$nline1"; fail=1; }
reg=$("$kxdump" "$app/VATREG.FD" "$app/VATREG.DIR" 73 0:8,8:3 11:8,0:8,8:3 | sed -n '/^records:/,$p' | grep -v deleted |
  grep -o '\[       7A25.*')
[ "$(field "$reg" 25 14)" = "104.4" ] && [ "$(field "$reg" 59 14)" = "126.33" ] ||
  { echo "FAIL: the registry entry of invoice 7 does not follow: $reg"; fail=1; }
"$kxdump" --check "$app/INVOICES.FD" "$app/INVOICES.DIR" 107 $keys >/dev/null ||
  { echo "FAIL: INVOICES does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok invoice round trip"
exit $fail
