#!/usr/bin/env bash
# The accounting demo's "Entries" window (menu Files > Entries), run
# headless on a copy of the demo: entry 28 of 31 March 2024 is looked up and
# posted from its concept field (the "Post entry" form): the registry of
# operations holds one record per line of the entry, written from the
# lines. Then a line's concept is changed and the entry posted again in the
# same run: its records are replaced, not doubled, and carry the new
# concept; the other entries' records are byte for byte as they were and
# the registry passes the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
source "$(dirname "$0")/lib/entrysteps.bash"
window_setup accounting "$1" "$3"
layout=(87 "0:8,8:6,14:3")
records() { "$kxdump" "$app/REGISTRY.FD" "$app/REGISTRY.DIR" "${layout[@]}" | sed -n '/^records:/,$p' | grep -av '^ *[0-9]* deleted '; }
# The entry's registry records in key order as "line:account:text".
posted() {
  fold -b -w 87 "$app/REGISTRY.FD" | grep -a '^20240331    28' | sort |
    awk '{ n = substr($0, 15, 3) + 0; a = substr($0, 18, 10); t = substr($0, 34, 40); sub(/ +$/, "", t)
           printf "%s%d:%s:%s", (NR > 1 ? "|" : ""), n, a, t }'
}
post='click 2006
key F1
wait-top title="Post entry"
click "Ok"
wait-top class=Progress
wait-top class=Mant'
before=$(records | grep -av '\[20240331    28')
# Posted as it is, then line 2's concept changed and posted again.
{ entry_open Entries 20240331 28
  printf '%s\n' 'expect-text 2002 "  1"' "$post" 'lv-dblclick 3200 1' 'expect-text 2002 "  2"' 'click 2006' \
    'key End' 'type " bis"' 'key Up' 'answer Yes match "Data Change"' "$post" 'expect-lv 3200 1 4 "Intereses del prestamo bis"'
  program_close; } >"$app/ui.txt"
window_run
want="1:4760000000:Liquidacion Seguridad Social|2:6620000000:Intereses del prestamo bis|3:1700000000:Amortizacion del prestamo|4:6260000000:Comisiones bancarias"
[ "$(posted)" = "$want" ] || { echo "FAIL: the registry holds $(posted)"; fail=1; }
n=$(records | grep -ac '\[20240331    28')
[ "$n" = 4 ] || { echo "FAIL: $n registry records of the entry, not 4"; fail=1; }
after=$(records | grep -av '\[20240331    28')
[ "$before" = "$after" ] || { echo "FAIL: other records changed:"; diff <(echo "$before") <(echo "$after") | head | sed 's/^/  /'; fail=1; }
"$kxdump" --check "$app/REGISTRY.FD" "$app/REGISTRY.DIR" "${layout[@]}" >/dev/null ||
  { echo "FAIL: REGISTRY does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok entries posted"
exit $fail
