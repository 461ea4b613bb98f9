#!/usr/bin/env bash
# The administration program's delivery-notes window (menu Documents >
# Delivery notes), a navigation window: a record of the notes file per row.
# Note 101 is looked up by its number, the quantity of its line changed and
# the row left: the record is written at once (quantity 12, amount 12 x 4.25)
# and nothing else in the file changes; the file passes the record checker.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
adm_setup "$@"
dump() { "$kxdump" "$app/DELNOTES.FD" "$app/DELNOTES.DIR" 84 "0:8,8:3" "19:6,11:8,0:8,8:3" "11:8,0:8,8:3" | sed -n '/^records:/,$p'; }

cat >"$app/ui.txt" <<'SCRIPT'
wait-top class=GAVGQT24
menu "Documents>Delivery notes"
wait-top class=MantDlg
click 2000
type "101"
key Tab
expect-lv 3200 0 3 "PAPER"
expect-text 2001 "  1"
click 2005
key Home
key End+Shift
type "12"
key Up
expect-lv 3200 0 4 "     12.00"
close
close
answer Yes match "Close Program?"
SCRIPT
before=$(dump)
adm_run
after=$(dump)
changed=$(diff <(echo "$before") <(echo "$after") | grep '^[<>]' | cut -c1-80)
if [ "$(echo "$changed" | wc -l)" != 2 ] || ! echo "$changed" | grep -q '^>.*     101  1.*PAPER *12.00 *4.25 *51'; then
  echo "FAIL: the notes file changed otherwise:"; echo "$changed" | sed 's/^/  /'; fail=1
fi
"$kxdump" --check "$app/DELNOTES.FD" "$app/DELNOTES.DIR" 84 "0:8,8:3" "19:6,11:8,0:8,8:3" "11:8,0:8,8:3" >/dev/null ||
  { echo "FAIL: DELNOTES does not pass the checker"; fail=1; }
[ $fail = 0 ] && echo "ok delivery notes window"
exit $fail
