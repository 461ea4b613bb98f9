#!/usr/bin/env bash
# The accounting demo's "Entries" window (menu Files > Entries), run
# headless twice on a copy of the demo. First a new entry of 31 March 2024
# is typed: its number, 0 when typed, becomes 29 (the next of that day) and
# its two lines are posted from the concept field (the "Post entry" form):
# the registry of operations holds one record per line, written from the
# lines. Then the program is started again and the entry looked up; a
# posting refused in the form shows its message once and posts nothing; a
# line's concept is changed and the entry posted again: its records are replaced,
# not doubled, and carry the new concept; every other registry record is
# byte for byte as it was and both files pass the record checker. Last an
# entry with a customer line is posted: its instalments are proposed and
# stored first.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/entrysteps.bash"
window_setup accounting "$1" "$3"
reglayout=(87 "0:8,8:6,14:3")
records() { "$kxdump" "$app/REGISTRY.FD" "$app/REGISTRY.DIR" "${reglayout[@]}" | sed -n '/^records:/,$p' | grep -av '^ *[0-9]* deleted '; }
# The entry's records in key order as "line:account:text" (registry) and
# "line:debit:credit:concept" (entry lines).
posted() {
  fold -b -w 87 "$app/REGISTRY.FD" | grep -a '^20240331    29' | sort |
    awk '{ n = substr($0, 15, 3) + 0; a = substr($0, 18, 10); t = substr($0, 34, 40); sub(/ +$/, "", t)
           printf "%s%d:%s:%s", (NR > 1 ? "|" : ""), n, a, t }'
}
lines() {
  fold -b -w 107 "$app/ENTRIES.FD" | grep -a '^20240331    29' | sort |
    awk '{ n = substr($0, 15, 3) + 0; c = substr($0, 54, 40); sub(/ +$/, "", c)
           printf "%s%d:%s:%s:%s", (NR > 1 ? "|" : ""), n, substr($0, 20, 10), substr($0, 30, 10), c }'
}
# A line typed into the current row: debit, credit, amount, concept.
line() { printf '%s\n' 'click 2003' "type \"$1\"" 'key Tab' "type \"$2\"" 'key Tab' "type \"$3\"" 'key Tab' "type \"$4\""; }
post='click 2006
key F1
wait-top title="Post entry"
click "Ok"
wait-top class=Progress
wait-top class=Mant'
before=$(records)

{ entry_open Entries 20240331 0
  printf '%s\n' 'expect-text 2001 "    29"' 'lv-dblclick 3200 0'
  line 6290000000 5720000001 45.60 "Gastos de mensajeria"
  printf '%s\n' 'key Down' 'answer Yes match "Data Change"'
  line 6290000000 5720000002 12.00 "Sellos"
  printf '%s\n' 'key Up' 'answer Yes match "Data Change"' "$post"
  program_close; } >"$app/ui.txt"
window_run
want="1:6290000000:5720000001:Gastos de mensajeria|2:6290000000:5720000002:Sellos"
[ "$(lines)" = "$want" ] || { echo "FAIL: the new entry's lines are $(lines)"; fail=1; }
want="1:6290000000:Gastos de mensajeria|2:6290000000:Sellos"
[ "$(posted)" = "$want" ] || { echo "FAIL: after the first posting the registry holds $(posted)"; fail=1; }

{ entry_open Entries 20240331 29
  # Refused first in the form: its message shown once, nothing posted.
  printf '%s\n' 'expect-lv 3200 1 4 "Sellos"' 'click 2006' 'key F1' 'wait-top title="Post entry"' 'click 2000' \
    'key Back' 'type "N"' 'click "Ok"' 'answer OK match "Not posted"' 'wait-top class=Mant'
  printf '%s\n' 'lv-dblclick 3200 1' 'expect-text 2002 "  2"' 'click 2006' \
    'key End' 'type " de correo"' 'key Up' 'answer Yes match "Data Change"' "$post" \
    'expect-lv 3200 1 4 "Sellos de correo"'
  program_close; } >"$app/ui.txt"
window_run
n=$(grep -ac '^box .*text="Not posted"' "$app/ui.log")
[ "$n" = 1 ] || { echo "FAIL: the refusal was shown $n times"; fail=1; }
want="1:6290000000:Gastos de mensajeria|2:6290000000:Sellos de correo"
[ "$(posted)" = "$want" ] || { echo "FAIL: after the second posting the registry holds $(posted)"; fail=1; }
after=$(records | grep -av '\[20240331    29')
[ "$before" = "$after" ] || { echo "FAIL: other records changed:"; diff <(echo "$before") <(echo "$after") | head | sed 's/^/  /'; fail=1; }
# An entry whose line has a customer account: posting it opens its
# instalments, proposed from the form's date and amount (two, a month
# apart), which are stored before the entry is posted.
{ entry_open Entries 20240115 6
  printf '%s\n' 'expect-text 2003 "4300000001"' 'click 2006' 'key F1' 'wait-top title="Post entry"' \
    'expect-text 2001 "01-15-24"' 'click "Ok"' 'wait-top title="Instalments to propose"' 'type "2"' 'key Tab' \
    'type "0"' 'key Tab' 'type "1"' 'key Enter' 'wait-top title="Instalments"' 'expect-lv 3201 1 0 "02-15-24"' \
    'click 3100' 'wait-top class=Progress' 'wait-top class=Mant'
  program_close; } >"$app/ui.txt"
window_run
paylayout=(40 "0:8,8:6,14:3")
pay=$("$kxdump" "$app/PAYMENTS.FD" "$app/PAYMENTS.DIR" "${paylayout[@]}" | sed -n '/^records:/,$p' | grep -a '^ *[0-9]* \[' |
  cut -d'[' -f2 | tr -s ' ')
want="20240115 6 120240115 5439 ]
20240115 6 220240215 5439 ]"
[ "$pay" = "$want" ] || { echo "FAIL: the instalments stored are:"; echo "$pay" | sed 's/^/  /'; fail=1; }
n=$(fold -b -w 87 "$app/REGISTRY.FD" | grep -ac '^20240115     6')
[ "$n" = 2 ] || { echo "FAIL: entry 6 has $n registry records, not 2"; fail=1; }
"$kxdump" --check "$app/PAYMENTS.FD" "$app/PAYMENTS.DIR" "${paylayout[@]}" >/dev/null ||
  { echo "FAIL: PAYMENTS does not pass the checker"; fail=1; }
"$kxdump" --check "$app/REGISTRY.FD" "$app/REGISTRY.DIR" "${reglayout[@]}" >/dev/null ||
  { echo "FAIL: REGISTRY does not pass the checker"; fail=1; }
"$kxdump" --check "$app/ENTRIES.FD" "$app/ENTRIES.DIR" 107 "0:8,8:6,14:3" "19:10,0:8,8:6" "29:10,0:8,8:6" >/dev/null ||
  { echo "FAIL: ENTRIES does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok entries typed, numbered and posted"
exit $fail
