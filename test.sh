#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test through CTest. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
kx_install_deps

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
jobs=$(nproc)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON -DKX_TESTS=ON >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 120 "$@"
