#!/usr/bin/env bash
# The administration program's invoice window (Documents > Invoices) with its
# document actions, headless on the demo data. A new invoice 7 of two lines
# is saved: its header and lines are on disk and its SAVE event writes its
# VAT registry entry whole (date, customer, base, rate, VAT, total). Opened
# again, F1 on its date offers the payment schedule for it: the form shows
# the invoice's date and total, the generator proposes three instalments a
# month apart, Ok writes them; they sum to the invoice's total. In a second
# run the invoice is opened and deleted: its DELETE event takes away the
# registry entry, the invoice and its payments, and nothing else. A number
# that has instalments but no registry entry is refused when it is typed
# (its LOAD check). No error box is shown; the files pass the record
# checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/uisteps.bash"
adm_setup "$@"
inv_keys="0:8,8:3,11:3 22:6,14:8,0:8"
reg_keys="0:8,8:3 11:8,0:8,8:3"
pay_keys="0:8,8:3,11:3 14:8,0:8,8:3"
records() {  # file length keys: the live records' contents
  "$kxdump" "$app/$1.FD" "$app/$1.DIR" "$2" $3 | sed -n '/^records:/,$p' | grep -v deleted | grep -o '\[.*\]' | tr -d '[]'
}
invoices() { records INVOICES 107 "$inv_keys"; }
registry() { records VATREG 73 "$reg_keys"; }
payments() { records PAYMENTS 37 "$pay_keys"; }
of7() { grep '^       7A25' || true; }
check_run() {
  if grep -aq '^box .*text="Error\|^box .*Fatal' "$app/ui.log"; then
    echo "FAIL $1: an error was shown"; grep -a '^box' "$app/ui.log" | sed 's/^/  /'; fail=1
  fi
}
before_inv=$(invoices) before_reg=$(registry) before_pay=$(payments)

{
  ui_menu "Documents>Invoices"
  ui_doc_key 7 A25
  ui_replace 20250310
  printf 'key Tab\ntype "C1"\nkey Tab\n'
  ui_line 1 PAPER 2 4.25
  ui_line 0 TONER 1 61.90
  printf 'click "Save"\nexpect-lv 3200 0 0 ""\n'
  ui_doc_key 7 A25
  printf 'expect-lv 3200 1 0 "TONER"\nclick @DATE\nkey F1\n'
  printf 'wait-top title="Payment schedule"\nexpect-text 2000 "03-10-25"\nexpect-text 2001 "    85.19"\n'
  ui_schedule 3 0 1
  ui_program_close
} >"$app/ui.txt"
adm_run
check_run save
inv7=$(invoices | of7)
[ "$(echo "$inv7" | cut -c1-22)" = "$(printf '       7A25   20250310\n       7A25  120250310\n       7A25  220250310')" ] ||
  { echo "FAIL: invoice 7's header and lines 1-2 are not on disk"; echo "$inv7" | sed 's/^/  /'; fail=1; }
total=$(echo "$inv7" | head -1 | awk '{print $NF}')
# The total with VAT, each line's VAT rounded (1.79 and 13.00), as the
# invoicing run writes it.
[ "$total" = "85.19" ] || { echo "FAIL: the header's total is $total, not 85.19"; fail=1; }
reg7=$(registry | of7)
[ "$reg7" = "       7A2520250310C1              70.4    21         14.79         85.19" ] ||
  { echo "FAIL: the registry entry of invoice 7: '$reg7'"; fail=1; }
pay7=$(payments | of7)
[ "$(echo "$pay7" | cut -c1-22)" = "$(printf '       7A25  120250310\n       7A25  220250410\n       7A25  320250510')" ] ||
  { echo "FAIL: the three instalments of invoice 7 are not on disk"; echo "$pay7" | sed 's/^/  /'; fail=1; }
sum=$(echo "$pay7" | cut -c23-36 | awk '{s += $1 * 100} END {printf "%d", s}')
[ "$sum" = 8519 ] || { echo "FAIL: the instalments sum to $sum cents, not the total"; fail=1; }

{
  ui_menu "Documents>Invoices"
  ui_doc_key 7 A25
  printf 'expect-lv 3200 0 0 "PAPER"\nclick @CUSTOMER\nkey Tab\n'
  ui_doc_delete
  printf 'expect-lv 3200 0 0 ""\n'
  ui_doc_key 7 A25
  printf 'expect-lv 3200 0 0 ""\nexpect-text @CUSTOMER ""\n'
  ui_program_close
} >"$app/ui.txt"
adm_run
check_run delete
[ "$(invoices)" = "$before_inv" ] || { echo "FAIL: the invoices differ from before"; diff <(echo "$before_inv") <(invoices); fail=1; }
[ "$(registry)" = "$before_reg" ] || { echo "FAIL: the registry differs from before"; diff <(echo "$before_reg") <(registry); fail=1; }
[ "$(payments)" = "$before_pay" ] || { echo "FAIL: the payments differ from before"; diff <(echo "$before_pay") <(payments); fail=1; }
for f in "INVOICES 107 $inv_keys" "VATREG 73 $reg_keys" "PAYMENTS 37 $pay_keys"; do
  set -- $f
  name=$1; shift
  "$kxdump" --check "$app/$name.FD" "$app/$name.DIR" "$@" >/dev/null || { echo "FAIL: $name does not pass the checker"; fail=1; }
done
events=$(tr -d '\r' <"$app/events.log" 2>/dev/null | tr '\n' ' ')
[ "$events" = "INIT LOAD CHECK SAVE LOAD INIT LOAD DELETE LOAD " ] || { echo "FAIL: events logged: $events"; fail=1; }

# Instalments of number 9 written by Tools > Payment schedule, with no
# invoice or registry entry of it: the window's LOAD check refuses the
# number with its warning and goes back to the key.
{
  printf 'wait-top class=GAVGQT24\nmenu "Tools>Payment schedule"\nwait-top title="Payment schedule"\n'
  printf 'type "9"\nkey Tab\ntype "A25"\nkey Tab\nwait-focus 2002\ntype "20250131"\nkey Tab\ntype "100"\nclick "Ok"\n'
  printf 'wait-top title="Instalments to propose"\ntype "2"\nkey Tab\ntype "0"\nkey Tab\ntype "1"\nkey Enter\n'
  printf 'wait-top title="Instalments"\nclick 3100\n'
  ui_menu "Documents>Invoices"
  printf 'click @NUMBER\ntype "9"\nkey Tab\ntype "A25"\nkey Tab\n'
  printf 'answer OK match "Invoice Number already exist"\nexpect-text @NUMBER ""\nexpect-focus @NUMBER\n'
  ui_program_close
} >"$app/ui.txt"
adm_run
check_run "number check"
[ "$(payments | grep -c '^       9A25')" = 2 ] || { echo "FAIL: the two instalments of number 9 are not on disk"; fail=1; }
[ "$(invoices)" = "$before_inv" ] || { echo "FAIL: the number check wrote invoices"; fail=1; }
[ $fail = 0 ] && echo "ok invoice payments"
exit $fail
