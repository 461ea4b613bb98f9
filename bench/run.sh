#!/usr/bin/env bash
# Builds the benchmarks in build/release and prints the table of the
# business work against its peers (bench/table.sh: median of 5 runs, ratio
# and growth; KX_BENCH_RUNS, KX_BENCH_LARGE). Installs the peers they compare
# with (SQLite, Lua 5.4, ledger 3.3, enscript and ghostscript) when missing.
# With KX_BENCH_ALL=1 every benchmark program runs first, arguments going to
# each.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
kx_install_deps
if [ ! -f /usr/include/sqlite3.h ] || ! command -v sqlite3 >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq libsqlite3-dev sqlite3
fi
if [ ! -f /usr/include/lua5.4/lua.h ] || ! command -v lua5.4 >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq liblua5.4-dev lua5.4
fi
if ! command -v ledger >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq ledger
fi
if ! command -v enscript >/dev/null 2>&1 || ! command -v ps2pdf >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq enscript ghostscript
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKX_BENCH=ON -DKX_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
# Every program with its own report only when asked (KX_BENCH_ALL=1): that
# takes well over ten minutes.
if [ "${KX_BENCH_ALL:-0}" = 1 ]; then
  for src in bench/*.cpp; do
    name=$(basename "$src" .cpp)
    echo "== $name"
    "build/release/bench/$name" "$@"
  done
  echo "== script_process"
  bench/script_process.sh build/release/accounting
fi
echo "== the business work against its peers"
bench/table.sh build/release
