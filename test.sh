#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test through CTest. Exits non-zero on any failure, and when a
# test left a file in the source tree.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
kx_install_deps

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
jobs=$(nproc)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON -DKX_TESTS=ON >/dev/null
cmake --build build/test -j "$jobs"
# Every test works in a temporary folder of its own: a file a test leaves in
# the source tree (build/ and run/ aside) fails the run.
untracked() {
  git status --porcelain --untracked-files=all 2>/dev/null | sed -n 's/^?? //p' | grep -Ev '^(build|run)/' || true
}
in_git=0
git rev-parse --is-inside-work-tree >/dev/null 2>&1 && in_git=1
[ "$in_git" -eq 0 ] || before=$(untracked)
ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 120 "$@"
if [ "$in_git" -eq 1 ]; then
  left=$(comm -13 <(sort <<<"$before") <(untracked | sort) | sed '/^$/d')
  if [ -n "$left" ]; then
    echo "the tests left files in the source tree:" >&2
    echo "$left" >&2
    exit 1
  fi
fi
