#!/usr/bin/env bash
# Started from another folder with --dpath=DIR, the program works on DIR's
# files as when started in DIR: the trial balance procedure reads DIR's
# accounts and writes DIR/trial.txt, a command file named on the command
# line is read from the folder the program was started in (its command
# writes DIR/today.txt), a relative DPATH is taken from that folder too, and
# nothing at all is created in the starting folder.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }
start="$work/start"
for dpath in "$work/books" "books"; do
  books=$dpath; [ "$dpath" = books ] && books="$start/books"  # a relative DPATH is meant from the start
  rm -rf "$work/books" "$start" && mkdir -p "$books" "$start"
  cp -R "$source/apps/accounting/demo/." "$books/"
  cp -R "$bin/demo/accounting/." "$books/"
  printf 'PrcExec today.prc\r\n' >"$start/cmds.txt"
  before=$(cd "$start" && find . -maxdepth 1 | sort)
  (cd "$start" && timeout 30 "$accounting" "--dpath=$dpath" "--input=cmds.txt" "/RUN:PrcExec trial.prc" \
    </dev/null >"$work/out.txt" 2>&1)
  rc=$?
  [ $rc -eq 0 ] || { no "$dpath: exit code $rc"; cat "$work/out.txt"; }
  grep -q '5700000000' "$books/trial.txt" 2>/dev/null || no "$dpath: DIR/trial.txt does not hold the demo's accounts"
  [ -s "$books/today.txt" ] || no "$dpath: the command file's command did not write DIR/today.txt"
  after=$(cd "$start" && find . -maxdepth 1 | sort)
  [ "$before" = "$after" ] || no "$dpath: files appeared in the starting folder: $(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')"
done
[ $fail -eq 0 ] && echo "ok run from another folder"
exit $fail
