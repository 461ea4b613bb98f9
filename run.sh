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
  # Records the build writes for the demo (when the program has any).
  if [ -d "$root/build/release/demo/$program" ]; then cp -R "$root/build/release/demo/$program/." "$work/"; fi
  # The demo's "data" folder is the program's data directory: the sibling
  # "data" of its working folder (files there are never overwritten).
  if [ -d "$root/apps/$program/demo/data" ]; then
    mkdir -p "$root/run/data"
    cp -R -n "$root/apps/$program/demo/data/." "$root/run/data/"
  fi
  echo "prepared $work from apps/$program/demo"
fi
cd "$work"
# On a terminal the windows are shown there; without one the window system
# runs headless and a run that waits for input it was not given closes its
# windows.
export KX_UI_STALL="${KX_UI_STALL:-cancel}"
# Without options the program opens its main window on a terminal, and
# without a terminal runs the demo procedure of its application, which
# writes demo.txt; any options given are passed on instead.
if [ $# -eq 0 ] && ! { [ -t 0 ] && [ -t 1 ]; }; then set -- "/RUN:PrcExec demo.prc"; fi
set +e
"$root/build/release/$program" "--dpath=$work" "$@"
rc=$?
set -e
if [ -f "$work/demo.txt" ] && [ "$*" = "/RUN:PrcExec demo.prc" ]; then cat "$work/demo.txt"; fi
echo "$program ended with exit code $rc; logs and outputs are in $work"
exit $rc
