#!/usr/bin/env bash
# The demo procedure of each program (/RUN:PrcExec demo.prc) writes demo.txt
# with its columns under their headings: the title line with today's date,
# then exactly the expected lines (tests/e2e/demo_outputs/<program>.txt).
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
fail=0
for pair in "$accounting:accounting:loan schedule" "$administration:administration:invoice draft"; do
  IFS=: read -r prog name title <<<"$pair"
  dir=$(mktemp -d)
  cp -R "$source/apps/$name/demo/." "$dir/"
  (cd "$dir" && timeout 20 "$prog" "--dpath=$dir" "/RUN:PrcExec demo.prc" </dev/null >"$dir/out.txt" 2>&1)
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL $name: exit $rc"; cat "$dir/out.txt"; fail=1
  elif ! head -1 "$dir/demo.txt" | grep -q "^Demo company - $title, [0-9][0-9]-[0-9][0-9]-[0-9]\{4\}"$'\r'"\$"; then
    echo "FAIL $name: the title line: $(head -1 "$dir/demo.txt")"; fail=1
  elif ! tail -n +2 "$dir/demo.txt" | diff -u "$source/tests/e2e/demo_outputs/$name.txt" -; then
    echo "FAIL $name: demo.txt differs"; fail=1
  else
    echo "ok $name"
  fi
  rm -rf "$dir"
done
exit $fail
