#!/usr/bin/env bash
# ./run.sh [accounting|administration] [options...]
# Builds the program (Release) and runs it on its demo application in
# run/<program>, which is copied from apps/<program>/demo on first use and
# never overwritten afterwards (delete it to start over).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
program=accounting
case "${1:-}" in
  accounting|administration) program=$1; shift ;;
esac
. tools/deps.sh
kx_install_deps
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKX_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target "$program"

work="$root/run/$program"
if [ ! -d "$work" ]; then
  mkdir -p "$work"
  cp -R "$root/apps/$program/demo/." "$work/"
  echo "prepared $work from apps/$program/demo"
fi
cd "$work"
# Without a terminal the window system runs headless and ends by itself.
if [ -z "${KX_UI:-}" ] && [ ! -t 0 ]; then export KX_UI=headless; fi
export KX_UI_STALL="${KX_UI_STALL:-cancel}"
set +e
"$root/build/release/$program" "--dpath=$work" "$@"
rc=$?
set -e
echo "$program ended with exit code $rc; logs and outputs are in $work"
exit $rc
