#!/usr/bin/env bash
# The demo administration program's "Tools > Payment schedule", headless:
# the form takes invoice 7 of series A25 (not made yet: the form keeps what
# is typed), its first date and total; task 11
# opens the instalments window, whose generator proposes three instalments
# a month apart (the last with the remainder); Ok writes them to the
# payments file. Run again, the window loads the three stored instalments
# and Ok writes them back unchanged. The files pass the checker; nothing
# stalled and no error was shown.
set -u
administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$administration")
kxdump="$bin/kxdump"
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
cp -R "$source/apps/administration/demo/." "$work/"
cp -R "$bin/demo/administration/." "$work/"
fail=0
# The payments file's records: number, series, line, due date, amount.
keys=(0:8,8:3,11:3 14:8,0:8,8:3)
payments() { "$kxdump" "$work/PAYMENTS.FD" "$work/PAYMENTS.DIR" 37 "${keys[@]}" | sed -n '/^records:/,$p' | grep '^ *[0-9]* \['; }

run() {  # ui script, label
  printf '%s' "$1" >"$work/ui.txt"
  (cd "$work" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui-$2.log timeout 30 "$administration" "--dpath=$work" \
    "/RUN:AcceptRun GAPAYF,1" </dev/null >"$work/out.txt" 2>&1)
  local rc=$?
  if [ $rc -ne 0 ]; then echo "FAIL $2: exit code $rc"; cat "$work/out.txt"; tail -5 "$work/ui-$2.log"; fail=1; fi
  if grep -aq '^stall\|^failed' "$work/ui-$2.log"; then echo "FAIL $2: the run stalled"; grep -a '^stall\|^failed' "$work/ui-$2.log"; fail=1; fi
  if grep -aq '^box .*text="Error ' "$work/ui-$2.log"; then echo "FAIL $2: an error was shown"; grep -a '^box' "$work/ui-$2.log"; fail=1; fi
}
menu_run() {  # label: the program from its main window, on $work/ui.txt
  (cd "$work" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui-$1.log timeout 30 "$administration" "--dpath=$work" \
    </dev/null >"$work/out.txt" 2>&1) || { echo "FAIL $1: exit code $?"; grep -a '^failed\|^stall' "$work/ui-$1.log"; fail=1; }
}

nl=$'\n'
form() {  # invoice first-date [pay-days]: the form's answers (series A25, total 100)
  printf 'wait-top title="Payment schedule"\ntype "%s"\nkey Tab\ntype "A25"\nkey Tab\nwait-focus 2002\ntype "%s"\nkey Tab\ntype "100"\n' "$1" "$2"
  [ -z "${3:-}" ] || printf 'key Tab\ntype "%s"\n' "$3"
  printf 'click "Ok"\n'
}
propose() {  # count months: the generator's form answered (no day step), up to the instalments window
  printf 'wait-top title="Instalments to propose"\ntype "%s"\nkey Tab\ntype "0"\nkey Tab\ntype "%s"\nkey Enter\nwait-top title="Instalments"\n' "$1" "$2"
}
before=$(payments | wc -l)
run "$(form 7 20250131)$nl$(propose 3 1)$nl"'
expect-lv 3200 0 0 "01-31-25"
expect-lv 3200 2 1 "    33.34"
click 3100
' generate
after=$(payments | wc -l)
[ $((after - before)) -eq 3 ] || { echo "FAIL generate: $((after - before)) payment records written, 3 expected"; payments; fail=1; }
cp "$work/PAYMENTS.FD" "$work/first.FD"
run "$(form 7 20250131)$nl"'wait-top title="Instalments"
expect-lv 3200 1 0 "02-28-25"
expect-lv 3200 1 1 "    33.33"
click 3100
' reload
[ "$(payments | wc -l)" -eq "$after" ] || { echo "FAIL reload: the instalments changed in number"; payments; fail=1; }
payments | grep -q '\[       7A25  320250331         33.34 \]' || { echo "FAIL: instalment 3 is not the remainder"; payments; fail=1; }
# Invoice 8 from 25 January, two instalments a month apart on the customer's
# pay days 5 and 20: each date moves to the next pay day, the 25th to the
# 5th of the month after.
run "$(form 8 20250125 5,20)$nl$(propose 2 1)$nl"'
expect-lv 3200 0 0 "02-05-25"
expect-lv 3200 1 0 "03-05-25"
click 3100
' paydays
payments | grep -q '\[       8A25  220250305 ' || { echo "FAIL paydays: instalment 2 of invoice 8 is not due on 5 March"; payments; fail=1; }
# From the main window's menu, typed: invoice 9 of series A25, its first
# date and total, the pay days left empty (Tab, Enter confirms), three
# instalments a month apart proposed and shown, Ok stores them.
cat >"$work/ui.txt" <<SCRIPT
wait-top class=GAVGQT24
menu "Tools>Payment schedule"
wait-top title="Payment schedule"
expect-focus 2000
type "9"
key Tab
type "A25"
key Tab
wait-focus 2002
type "20250131"
key Tab
type "100"
key Tab
key Enter
$(propose 3 1)
expect-lv 3200 0 0 "01-31-25"
expect-lv 3200 2 0 "03-31-25"
expect-lv 3200 2 1 "    33.34"
click 3100
wait-top class=GAVGQT24
close
answer Yes match "Close Program?"
SCRIPT
menu_run menu
[ "$(payments | grep -c '\[       9A25  ')" -eq 3 ] || { echo "FAIL menu: invoice 9 has not its three instalments"; payments; fail=1; }
# From the menu, invoice 6 of the demo typed: leaving the series fills the
# first date and the total (with VAT) from the invoice's header; its stored
# instalment is shown and Ok writes it back unchanged.
cp "$work/PAYMENTS.FD" "$work/before6.FD"
cat >"$work/ui.txt" <<SCRIPT
wait-top class=GAVGQT24
menu "Tools>Payment schedule"
wait-top title="Payment schedule"
type "6"
key Tab
type "A25"
key Tab
wait-focus 2002
expect-text 2002 "20250228"
expect-text 2003 "    10.29"
key Tab
key Tab
key Enter
wait-top title="Instalments"
expect-lv 3200 0 0 "02-28-25"
expect-lv 3200 0 1 "    10.29"
click 3100
wait-top class=GAVGQT24
close
answer Yes match "Close Program?"
SCRIPT
menu_run filled
cmp -s "$work/before6.FD" "$work/PAYMENTS.FD" || { echo "FAIL filled: the instalment of invoice 6 changed"; payments; fail=1; }
"$kxdump" --check "$work/PAYMENTS.FD" "$work/PAYMENTS.DIR" 37 "${keys[@]}" >/dev/null || { echo "FAIL: the checker"; fail=1; }
[ $fail -eq 0 ] && echo "ok payment schedule"
exit $fail
