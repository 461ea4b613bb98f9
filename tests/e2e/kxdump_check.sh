#!/usr/bin/env bash
# The record-file checker's exit code: 0 only for sound files, 1 for files
# with problems or a key outside the record, 2 for a layout that is not a
# number; never a crash.
set -u
kxdump="$(dirname "$1")/kxdump"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'ABCD1234' >"$work/A.FD"                               # records "ABCD", "1234"
printf '\0\0\0\0\2\0\0\0\1\0\0\0\0\0\0\0' >"$work/A.DIR"      # F 0, N 2, key 1: 1, 0
printf '\0\0\0\0\2\0\0\0\0\0\0\0\1\0\0\0' >"$work/B.DIR"      # key 1: 0, 1 (out of order)
fail=0
check() {  # the expected exit code, then the arguments
  want=$1; shift
  "$kxdump" --check "$@" >"$work/out" 2>&1; rc=$?
  if [ "$rc" -ne "$want" ]; then echo "FAIL kxdump --check $*: exit $rc, expected $want"; cat "$work/out"; fail=1; fi
  if [ "$want" -ne 0 ] && [ ! -s "$work/out" ]; then echo "FAIL kxdump --check $*: no message"; fail=1; fi
}
check 0 "$work/A.FD" "$work/A.DIR" 4 0:4
check 1 "$work/A.FD" "$work/B.DIR" 4 0:4
check 1 "$work/A.FD" "$work/A.DIR" 4 3:2
check 1 "$work/none.FD" "$work/none.DIR" 4 0:4
check 2 "$work/A.FD" "$work/A.DIR" 0 0:4
check 2 "$work/A.FD" "$work/A.DIR" x 0:4
check 2 "$work/A.FD" "$work/A.DIR" 4 0:x
exit $fail
