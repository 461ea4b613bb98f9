#!/usr/bin/env bash
# Choice windows in both programs, headless: the chooser of a procedure
# pattern runs the calculation chosen in its list and comes back until Esc;
# WINMENU offers option buttons and leaves the choice in _STAT. Nothing is
# left waiting and no window stays open. The program is started from the
# application's folder (a link), as it is installed: patterns of procedures
# are looked for in the program's directory.
set -u
accounting=$1 administration=$2 source=$3
fail=0
run() {  # program binary work script command
  ln -sf "$2" "$3/$1"
  (cd "$3" && TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail KX_UI_SCRIPT="$4" KX_UI_TRANSCRIPT="$4.log" \
    timeout 30 "./$1" "/RUN:$5" </dev/null >"$4.out" 2>&1)
  local rc=$?
  [ $rc = 0 ] || { echo "FAIL $1 ($5): exit code $rc"; cat "$3/$4.out"; fail=1; }
  grep -q '^stall' "$3/$4.log" && { echo "FAIL $1 ($5): the run stalled"; fail=1; }
}
for program in accounting administration; do
  binary=$accounting first=depreciation.txt second=interest.txt
  [ $program = administration ] && binary=$administration first=discount.txt second=vat.txt
  work=$(mktemp -d)
  cp -R "$source/apps/$program/demo/." "$work/"
  printf 'wait-top title="Target File"\nkey Down\nkey Enter\nwait-top title="Target File"\nkey Esc\n' >"$work/calc.txt"
  run $program "$binary" "$work" calc.txt "PrcExec calc_*.prc"
  [ -s "$work/$second" ] || { echo "FAIL $program: the second calculation did not run"; fail=1; }
  [ -e "$work/$first" ] && { echo "FAIL $program: the first calculation ran"; fail=1; }
  grep -q 'create .*class="LISTBOX" id=3350' "$work/calc.txt.log" || { echo "FAIL $program: no list box"; fail=1; }

  printf "WINMENU 'Colour','Red,Green,Blue'\r\nx=WRITE('pick.txt';-3;FN\$TRIM(FN\$MASK('###';_STAT)))\r\n" >"$work/pick.prc"
  printf 'wait-top title="Colour"\nclick "Green"\n' >"$work/pick.txt.ui"
  run $program "$binary" "$work" pick.txt.ui "PrcExec pick.prc"
  [ "$(cat "$work/pick.txt" 2>/dev/null)" = 2 ] || { echo "FAIL $program: WINMENU gave '$(cat "$work/pick.txt" 2>/dev/null)'"; fail=1; }
  grep -q 'create #1 class="Colour"' "$work/pick.txt.ui.log" && grep -q 'class="BUTTON" id=1501' "$work/pick.txt.ui.log" ||
    { echo "FAIL $program: no window of option buttons"; fail=1; }
  grep -qx 'destroy #1' "$work/pick.txt.ui.log" || { echo "FAIL $program: the WINMENU window was not closed"; fail=1; }
  [ $fail = 0 ] && echo "ok $program"
  rm -rf "$work"
done
exit $fail
