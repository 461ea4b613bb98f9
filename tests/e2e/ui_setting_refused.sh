#!/usr/bin/env bash
# A window-system setting that cannot be honoured ends the start at once with
# its code and the reason on standard error, before any file is touched.
set -u
accounting=$1 administration=$2
fail=0
check() {  # program, variable=value, expected code, expected text
  local prog=$1 setting=$2 want=$3 text=$4 dir rc
  dir=$(mktemp -d)
  (cd "$dir" && env KX_UI=headless "$setting" timeout 20 "$prog" </dev/null >"$dir/out.txt" 2>"$dir/err.txt")
  rc=$?
  if [ "$rc" -ne "$want" ]; then
    echo "FAIL $(basename "$prog") $setting: exit code $rc, expected $want"; cat "$dir/err.txt"; fail=1
  elif ! grep -q "Error $want.*$text" "$dir/err.txt"; then
    echo "FAIL $(basename "$prog") $setting: reason not reported"; cat "$dir/err.txt"; fail=1
  elif [ -n "$(ls "$dir" | grep -v -e '^out.txt$' -e '^err.txt$')" ]; then
    echo "FAIL $(basename "$prog") $setting: files were written"; ls "$dir"; fail=1
  else
    echo "ok $(basename "$prog") $setting: $(head -1 "$dir/err.txt")"
  fi
  rm -rf "$dir"
}
check "$accounting" KX_UI=paper 163 "KX_UI=paper"
check "$administration" KX_UI_STALL=never 163 "KX_UI_STALL=never"
check "$accounting" KX_UI_TRANSCRIPT=/nonexistent/dir/t.txt 166 "KX_UI_TRANSCRIPT"
check "$administration" KX_UI=terminal 143 "KX_UI=terminal: standard input and output are not a terminal"
exit $fail
