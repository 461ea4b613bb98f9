#!/usr/bin/env bash
# Whole processes on the same work: the accounting program runs
# bench/script_process.prc (`--run="PrcExec ..."`, headless) and lua5.4 runs
# bench/script_process.lua, each from start to exit, alternately, three
# times each; prints every time, the medians and the ratio program / Lua,
# and checks that both wrote the same result.
#   bench/script_process.sh [path of the accounting program]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/release/accounting}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$here/../apps/accounting/demo/." "$work/"
cp "$here/script_process.prc" "$here/script_process.lua" "$work/"
ms() { echo $(( $(date +%s%N) / 1000000 )); }
program_ms=() lua_ms=()
for _ in 1 2 3; do
  rm -f "$work/out.txt"
  t0=$(ms)
  (cd "$work" && KX_UI=headless KX_UI_STALL=cancel "$program" "--dpath=$work" "/RUN:PrcExec script_process.prc" \
    </dev/null >/dev/null 2>&1) || { echo "the program failed on script_process.prc"; exit 1; }
  program_ms+=($(( $(ms) - t0 )))
  program_out=$(cat "$work/out.txt")
  rm -f "$work/out.txt"
  t0=$(ms)
  (cd "$work" && lua5.4 script_process.lua)
  lua_ms+=($(( $(ms) - t0 )))
  lua_out=$(cat "$work/out.txt")
done
if [ "$program_out" != "$lua_out" ]; then
  echo "different results: program '$program_out', Lua '$lua_out'"
  exit 1
fi
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
p=$(median "${program_ms[@]}") l=$(median "${lua_ms[@]}")
echo "whole process, 10^6 passes: program ${program_ms[*]} ms, Lua ${lua_ms[*]} ms"
echo "medians: program $p ms, Lua $l ms, ratio program/Lua $(awk -v p="$p" -v l="$l" 'BEGIN { printf "%.1f", p / l }')"
