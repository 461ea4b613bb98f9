#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build/fuzz and fuzzes them.
#   fuzz/run.sh                  build only
#   fuzz/run.sh TARGET SECONDS   fuzz one target for SECONDS
#   fuzz/run.sh all SECONDS      every target in turn, SECONDS each
# Each target starts from its seed corpus fuzz/corpus/TARGET and its
# regression inputs fuzz/regress/TARGET; the corpus it grows is kept in
# build/fuzz/work/TARGET. Every crash, sanitizer report, input that takes
# over 2 s or memory over 1 GiB is a finding, written to
# build/fuzz/findings/TARGET/. The log is build/fuzz/logs/TARGET.log; its
# last lines (time, exec/s, cov) are appended to build/fuzz/summary.txt.
# Run as root, the fuzzing programs run as the user nobody.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. tools/deps.sh
kx_install_deps

# clang and its compiler runtime (libFuzzer with it).
fuzz_deps() {
  local need=()
  command -v clang++ >/dev/null 2>&1 || need+=(clang)
  if [ ${#need[@]} -eq 0 ]; then
    local lib
    lib="$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a"
    if [ ! -f "$lib" ]; then
      local ver
      ver=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
      need+=("libclang-rt-${ver}-dev")
    fi
  else
    need+=(libclang-rt-dev)
  fi
  [ ${#need[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${need[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
  # A clang installed just now may need the runtime of its own version.
  local lib ver
  lib="$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a"
  if [ ! -f "$lib" ]; then
    ver=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "libclang-rt-${ver}-dev"
  fi
}
fuzz_deps

out=build/fuzz
targets=()
for f in fuzz/targets/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
# KX_FUZZ_NOBUILD=1 fuzzes the programs as built (several runs at once).
if [ -z "${KX_FUZZ_NOBUILD:-}" ]; then
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKX_FUZZ=ON -DKX_TESTS=OFF >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build "$out" -j "${KX_FUZZ_JOBS:-3}" "${build_targets[@]}"
fi
[ $# -eq 0 ] && exit 0

want=$1
seconds=${2:-600}
[ "$want" = all ] || targets=("$want")
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --); fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$out/logs" "$out/findings" "$out/work"
status=0
for t in "${targets[@]}"; do
  [ -x "$out/fuzz/fuzz_$t" ] || { echo "no target $t"; exit 2; }
  work="$out/work/$t"
  found="$out/findings/$t"
  mkdir -p "$work" "$found"
  [ -n "${as_user[*]}" ] && chown -R nobody:nogroup "$work" "$found"
  dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="$root/fuzz/dict/$t.dict")
  seeds=()
  for d in "fuzz/corpus/$t" "fuzz/regress/$t"; do [ -d "$d" ] && seeds+=("$root/$d"); done
  echo "fuzzing $t for $seconds s"
  if ! "${as_user[@]}" "$root/$out/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="$root/$found/" "${dict[@]}" \
      "$root/$work" "${seeds[@]}" >"$out/logs/$t.log" 2>&1; then
    status=1
    echo "finding in $t: see $out/logs/$t.log and $found/"
  fi
  # One write, so runs of several targets at once do not interleave.
  block=$(
    echo "== $t $(date -u +%FT%TZ) $seconds s"
    grep -aE '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$out/logs/$t.log" | tail -1
    grep -aE '^stat::' "$out/logs/$t.log" || true
  )
  printf '%s\n' "$block" >>"$out/summary.txt"
  tail -n 12 "$out/summary.txt" | sed -n '/^== '"$t"'/,$p'
done
exit $status
