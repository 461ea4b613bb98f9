#!/usr/bin/env bash
# Help in both programs, headless: the menus' Help>About shows the About box
# with the program's identity and build text; Help>Help asks for the maker's
# help pages of the family word (recorded in the transcript, nothing is
# started); the help directory the layer names holds the local pages.
set -u
accounting=$1 administration=$2 source=$3
fail=0
for program in accounting administration; do
  binary=$accounting identity=COVCQT24:Orbisquale prefix=CO menu=C2MENU.PMT
  [ $program = administration ] && binary=$administration identity=GAVGQT24:Orbisquale prefix=GA menu=G2MENU.PMT
  work=$(mktemp -d)
  cp -R "$source/apps/$program/demo/." "$work/"
  grep -qE $'^\tAbout,Help About\r?$' "$work/$menu" && grep -qE $'^\tHelp,Help\r?$' "$work/$menu" ||
    { echo "FAIL $program: the menu has no Help popup"; fail=1; }
  [ -s "$work/Help/${prefix}index.html" ] || { echo "FAIL $program: no local help page"; fail=1; }
  [ -s "$work/${prefix}HELP.HLP" ] || { echo "FAIL $program: no help text file"; fail=1; }
  for command in "Help About" "Help"; do
    log="$work/run.log"
    (cd "$work" && TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel KX_UI_TRANSCRIPT="$log" \
      timeout 30 "$binary" "--dpath=$work" "/RUN:$command" </dev/null >"$work/out.txt" 2>&1)
    rc=$?
    [ $rc = 0 ] || { echo "FAIL $program ($command): exit code $rc"; cat "$work/out.txt"; fail=1; }
    if [ "$command" = "Help About" ]; then
      grep -q "^box .* text=\"$identity (framework build 1.0)\\\\x0D\\\\x0A2\" -> OK" "$log" ||
        { echo "FAIL $program: no About box"; cat "$log"; fail=1; }
    else
      grep -q '^viewer .* "http://www.fenwold.example/Orbisquale" (not started)' "$log" ||
        { echo "FAIL $program: no viewer request"; cat "$log"; fail=1; }
      grep -q '^box ' "$log" && { echo "FAIL $program: Help showed a box"; cat "$log"; fail=1; }
    fi
  done
  [ $fail = 0 ] && echo "ok $program"
  rm -rf "$work"
done
exit $fail
