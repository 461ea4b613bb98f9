#!/usr/bin/env bash
# The layer check on a small fixture tree: one row per case, the file and
# the verdict the check must give it ("ok" when it must not be reported).
set -uo pipefail
check="$1"
tree="$2"
cases=(
  "allowed-own-and-lower|runtime/allowed.cpp|ok"
  "upward-include|runtime/upward.cpp|include goes up from runtime/ to script/"
  "os-header-in-runtime|runtime/oshdr.h|operating-system header outside platform/"
  "os-header-in-platform|platform/host/oshdr.cpp|ok"
  "startup-includes-below|app/startup.cpp|ok"
  "errno-outside-platform|script/errno.cpp|operating-system header outside platform/"
  "include-without-folder|screens/noprefix.cpp|include without a layer folder"
  "tests-not-checked|tests/anything.cpp|ok"
  "subfolder-own-and-lower|screens/documents/rooms.cpp|ok"
  "subfolder-path-cut|screens/documents/cutpath.cpp|include names no file at its full path"
  "subfolder-upward|data/store/upward.cpp|include goes up from data/ to screens/"
  "thread-outside-platform|screens/threads.cpp|operating-system header outside platform/"
  "documented-exception|tools/kxpicture.cpp|ok"
  "same-header-no-exception|tools/other.cpp|operating-system header outside platform/"
  "angle-bracket-project-header|data/angled.cpp|project header included with angle brackets"
  "program-into-other-program|apps/accounting/crossprog.cpp|include goes from apps/accounting/ to apps/administration/"
  "program-own-and-lower|apps/administration/own.cpp|ok"
)
out=$(bash "$check" "$tree")
rc=$?
failed=0
if [ "$rc" -ne 1 ]; then
  echo "FAIL exit-status: want 1, got $rc"
  failed=1
fi
for row in "${cases[@]}"; do
  IFS='|' read -r id file want <<<"$row"
  got=$(grep -F "$file:" <<<"$out" | sed -E 's/^[^:]*:[0-9]+: ([^:]*):.*$/\1/' | head -1)
  [ -n "$got" ] || got=ok
  if [ "$got" != "$want" ]; then
    echo "FAIL $id: want '$want', got '$got'"
    failed=1
  fi
done
[ "$failed" -eq 0 ] || { echo "--- check output:"; echo "$out"; }
exit "$failed"
