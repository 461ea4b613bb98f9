#!/usr/bin/env bash
# The accounting demo's "Renumber entries", headless, run by the command
# line of its menu entry with the form's values as they come (2025, from 1):
# the shipped demo numbers December 2025 with gaps and its last day from
# below the running count. Afterwards the entries of 2025 run 1, 2, 3, ...
# in key order without a gap, the lines of each entry share its number, 2024
# is untouched, every registry record and entry document follows its entry
# (the documents' numbers as six digits), the files pass the checker and no
# journal is left.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }
app="$work/app"
mkdir -p "$app"
cp -R "$source/apps/accounting/demo/." "$app/"
cp -R "$bin/demo/accounting/." "$app/"

records() { fold -b -w "$2" "$app/$1" | grep -av $'^\x1b' | LC_ALL=C sort; }
# date|entry|line|account|amount of the entry lines and of the registry
lines() { records ENTRIES.FD 107 | awk '{ printf "%s|%06d|%d|%s|%s\n", substr($0,1,8), substr($0,9,6), substr($0,15,3), substr($0,20,10), substr($0,40,14) }' | sort; }
registry() { records REGISTRY.FD 87 | awk '{ printf "%s|%06d|%d|%s|%s\n", substr($0,1,8), substr($0,9,6), substr($0,15,3), substr($0,18,10), substr($0,74,14) }' | sort; }
# date|entry of every entry (its first line), and of every document as stored
entries() { records ENTRIES.FD 107 | awk 'substr($0,15,3)+0 == 1 { printf "%s|%06d\n", substr($0,1,8), substr($0,9,6) }' | sort; }
documents() { records ENTRYDOCS.FD 77 | cut -c1-14 | sed 's/^\(.\{8\}\)/\1|/' | sort; }

lines >"$work/before.lines"
gaps=$(grep '^2025' "$work/before.lines" | cut -d'|' -f1,2 | uniq | awk -F'|' '$2 != NR { n++ } END { print n+0 }')
[ "$gaps" -gt 0 ] || no "the shipped demo numbers 2025 without gaps"
cmp -s "$work/before.lines" <(registry) || no "the shipped registry does not follow the entry lines"

command=$(grep -a '^[[:space:]]*Renumber entries,' "$app/C2MENU.PMT" | head -1 | sed 's/^[[:space:]]*[^,]*,//' | tr -d '\r')
[ -n "$command" ] || no "C2MENU.PMT has no entry \"Renumber entries\""
printf 'wait-focus 2000\nkey Enter\nkey Enter\nkey Enter\n' >"$app/ui.txt"
(cd "$app" && KX_UI_SCRIPT="$app/ui.txt" KX_UI_TRANSCRIPT="$app/transcript.txt" timeout 40 "$accounting" \
  "--dpath=$app" "/RUN:$command" </dev/null >"$app/out.txt" 2>"$app/err.txt")
rc=$?
[ "$rc" -eq 0 ] || { no "the renumbering ended with $rc"; sed 's/^/  stderr: /' "$app/err.txt"; }
grep -q 'text="[^"]*Process Completed Succesfully' "$app/transcript.txt" ||
  no "no box saying the renumbering completed ($(grep -o 'text="[^"]*"' "$app/transcript.txt" | tail -2 | tr '\n' ' '))"
ls "$app" | grep -qiE 'JOURNAL\.DAT|\.jr[0-9]+$' && no "the renumbering left a journal or a second name"

lines >"$work/after.lines"
cmp -s <(grep '^2024' "$work/before.lines") <(grep '^2024' "$work/after.lines") || no "2024 changed"
[ "$(wc -l <"$work/after.lines")" -eq "$(wc -l <"$work/before.lines")" ] || no "the count of entry lines changed"
# In key order the entries of 2025 are 1, 2, 3, ... and the lines of an
# entry keep their order and amounts.
grep '^2025' "$work/after.lines" | cut -d'|' -f1,2 | uniq | awk -F'|' '$2 != NR { bad++ } END { exit bad > 0 }' ||
  no "2025 is not numbered 1, 2, 3, ... in key order"
cmp -s <(grep '^2025' "$work/before.lines" | cut -d'|' -f1,3-) <(grep '^2025' "$work/after.lines" | cut -d'|' -f1,3-) ||
  no "the lines of 2025 changed beyond their numbers"
cmp -s "$work/after.lines" <(registry) || no "the registry does not follow the renumbered entry lines"
cmp -s <(entries) <(documents) || no "the entry documents do not follow the renumbered entries"

kxdump="$bin/kxdump"
for f in "ENTRIES 107 0:8,8:6,14:3 19:10,0:8,8:6 29:10,0:8,8:6" "REGISTRY 87 0:8,8:6,14:3" "ENTRYDOCS 77 0:8,8:6,14:3"; do
  read -r name len keys <<<"$f"
  # shellcheck disable=SC2086
  "$kxdump" --check "$app/$name.FD" "$app/$name.DIR" "$len" $keys >/dev/null || no "$name does not pass the checker"
done
[ "$fail" -eq 0 ] && echo "ok accounting renumbering"
exit "$fail"
