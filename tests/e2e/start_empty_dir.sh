#!/usr/bin/env bash
# Both programs started in an empty directory end by themselves, headless,
# with the exit code of the first start-up step that could not run.
set -u
accounting=$1 administration=$2
fail=0
for prog in "$accounting" "$administration"; do
  dir=$(mktemp -d)
  (cd "$dir" && KX_UI=headless KX_UI_STALL=cancel timeout 20 "$prog" </dev/null >"$dir/out.txt" 2>"$dir/err.txt")
  rc=$?
  name=$(basename "$prog")
  if [ "$rc" -eq 124 ]; then
    echo "FAIL $name: did not end within 20 s"; fail=1
  elif [ "$rc" -lt 128 ] || [ "$rc" -gt 185 ]; then
    echo "FAIL $name: exit code $rc is not a start-up error code"; cat "$dir/err.txt"; fail=1
  elif ! grep -q "Error $rc" "$dir/err.txt"; then
    echo "FAIL $name: exit code $rc was not reported"; cat "$dir/err.txt"; fail=1
  else
    echo "ok $name: exit code $rc ($(head -1 "$dir/err.txt"))"
  fi
  rm -rf "$dir"
done
exit $fail
