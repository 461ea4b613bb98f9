#!/usr/bin/env bash
# Both programs started on a copy of their demo application load its
# dictionary: start-up goes past the dictionary step, and with the dictionary
# files removed it stops there with 164 naming the missing file.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
fail=0
run() {  # program, directory; sets rc and err
  (cd "$2" && KX_UI=headless KX_UI_STALL=cancel timeout 20 "$1" "--dpath=$2" </dev/null >"$2/out.txt" 2>"$2/err.txt")
  rc=$?
  err=$(cat "$2/err.txt")
}
for pair in "$accounting:accounting:CO" "$administration:administration:GA"; do
  IFS=: read -r prog name prefix <<<"$pair"
  if [ ! -x "$prog" ]; then
    echo "FAIL $name: $prog is not a program"; fail=1; continue
  fi
  dir=$(mktemp -d)
  cp -R "$source/apps/$name/demo/." "$dir/"
  run "$prog" "$dir"
  if [ "$rc" -eq 124 ]; then
    echo "FAIL $name: did not end within 20 s"; fail=1
  elif [ "$rc" -eq 164 ] || grep -q "DICC.DAT\|REL.DAT" <<<"$err"; then
    echo "FAIL $name: the demo dictionary did not load (exit $rc): $err"; fail=1
  else
    echo "ok $name: dictionary loaded (exit $rc)"
  fi
  rm -f "$dir/${prefix}DICC.DAT"
  run "$prog" "$dir"
  if [ "$rc" -ne 164 ] || ! grep -q "${prefix}DICC.DAT\[" <<<"$err"; then
    echo "FAIL $name: without its dictionary the exit is $rc: $err"; fail=1
  else
    echo "ok $name: without its dictionary: $err"
  fi
  rm -rf "$dir"
done
exit $fail
