#!/usr/bin/env bash
# The long crash campaigns: every campaign of tests/crash with ROUNDS kills
# (or rounds, or power cuts) each, on a release build with the tests (build/crash), on a
# random seed unless KX_CRASH_SEED is set. Prints each campaign's figures.
#   tests/crash/run.sh ROUNDS [gtest filter]
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${1:?usage: tests/crash/run.sh ROUNDS [filter]}
filter=${2:-*}
. tools/deps.sh
kx_install_deps
cmake -S . -B build/crash -DCMAKE_BUILD_TYPE=Release -DKX_TESTS=ON >/dev/null
cmake --build build/crash -j "$(nproc)" --target test_crash >/dev/null
export KX_CRASH_SEED=${KX_CRASH_SEED:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
export KX_CRASH_KILLS=$rounds KX_CRASH_IMPORT_KILLS=$rounds KX_CRASH_RENUMBER_KILLS=$rounds
export KX_CRASH_CLOSE_KILLS=$rounds KX_CRASH_DOC_ROUNDS=$rounds KX_CRASH_INVOICING_ROUNDS=$rounds
export KX_CRASH_CLOSE_LINES=${KX_CRASH_CLOSE_LINES:-2000} KX_CRASH_CUTS=$rounds
echo "crash campaigns: seed $KX_CRASH_SEED, $rounds kills or rounds each"
build/crash/tests/test_crash --gtest_filter="$filter" | grep -E 'campaign|OK|FAILED|Failure|error' 
