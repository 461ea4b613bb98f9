#!/usr/bin/env bash
# The demo administration application's menu procedure "Amount in words"
# (WORDS.PRC), run headless with the amount given as the option /AMOUNT:
# the report window shows the catalogue's label, the amount and its words,
# wrapped at 60 characters.
set -u
administration=$(realpath "$2") source=$(realpath "$3")
fail=0
check() {  # amount, expected text of the report window (printf escapes)
  work=$(mktemp -d)
  cp -R "$source/apps/administration/demo/." "$work/"
  (cd "$work" && KX_UI=headless KX_UI_STALL=cancel KX_UI_TRANSCRIPT="$work/shown.txt" timeout 20 \
    "$administration" "--dpath=$work" "/RUN:PrcExec WORDS.PRC" "/AMOUNT:$1" </dev/null >"$work/out.txt" 2>"$work/err.txt")
  rc=$?
  want=$(printf "text #2 \"$2\"")
  if [ "$rc" -ne 0 ]; then
    echo "FAIL $1: exit code $rc"; cat "$work/err.txt"; fail=1
  elif ! grep -aqxF -- "$want" "$work/shown.txt"; then
    echo "FAIL $1: the window did not show"; echo "  $want"; grep -a '^text' "$work/shown.txt" | sed 's/^/  shown: /'; fail=1
  else
    echo "ok $1"
  fi
  rm -rf "$work"
}
nl='\\x0D\\x0A'
check 1234567.89 "Amount in words: 1,234,567.89${nl}  un mill\xf3n doscientos treinta y cuatro mil quinientos${nl}  sesenta y siete con ochenta y nueve${nl}"
check 0.5 "Amount in words: 0.50${nl}  cero con cincuenta${nl}"
check 2021000 "Amount in words: 2,021,000.00${nl}  dos millones veintiun mil${nl}"
exit $fail
