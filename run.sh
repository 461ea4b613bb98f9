#!/usr/bin/env bash
# ./run.sh [accounting|administration] [options...]    (./run.sh --help)
# Builds the program (Release) and runs it on its demo application in
# run/<program>, which is copied from apps/<program>/demo on first use;
# files the demo gains later are copied in, files already there are never
# overwritten (delete the folder to start over).
#
# For the whole-program tests: KX_RUN_BIN names a folder that holds the
# built programs (nothing is installed or built then), and KX_RUN_HOME the
# folder that holds run/ (default: this checkout).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

usage() {
  cat <<'EOF'
usage: ./run.sh [accounting|administration] [options...]
       ./run.sh --help | -h

Builds the program (Release) and runs it on its demo application in
run/<program>, which is copied from apps/<program>/demo on first use.
Logs and outputs stay in that folder.

Programs:
  accounting       accounts, entries and balances (the default)
  administration   customers, delivery notes and invoices

Without options the program opens its main window on a terminal, and
without a terminal runs its demo procedure (demo.prc) and prints what it
wrote. Options replace that; each is written /NAME:value, /NAME=value,
-NAME=value or --name=value (values with blanks in quotes):
  /RUN:command     run one menu command (for example "PrcExec demo.prc")
                   instead of opening the main window
  /INPUT:file      run the file's lines as menu commands first; a form a
                   command opens takes its answer from the next line
  /OUTPUT:file     append the values of every confirmed form to the file
  /TRACE:n         trace bits: 8 writes the procedure trace to PrcLog.txt,
                   256 shows the About box at start
  /DPATH:folder    the application folder (run.sh gives run/<program>)
  /APNAME:code     run under another application code
  /MODE:PRNTOFILE  printer ports write to unixprn.txt
  /DEVICE, /CONFIG, /HOST, /DATABASE, /USER, /PASSW, /SCRWID, /SCRHIG
                   read by the application's procedures

Keys on a terminal:
  F10              the menu bar (arrows, Enter or a letter; Esc closes it)
  Ctrl+W           close the active window (its [x]); on the main window, exit
  Tab, Enter, Down next field; Shift+Tab, Up the previous one
  Alt+letter       the button with that highlighted letter
  F3-F9, F11, PgUp, PgDn   the window's commands (F6 find, F9 insert, ...)
  Esc              cancel (a new document in a document window); exit
  F1               help
  message boxes    a letter of the answer, Enter, Esc

Window system (environment):
  KX_UI=headless|terminal   where windows show (default: the terminal when
                            there is one, else headless)
  KX_UI_SCRIPT=file         headless: the input steps to take
                            (platform/ui/SCRIPT.md)
  KX_UI_TRANSCRIPT=file     headless: where what was shown is written
  KX_UI_STALL=fail|cancel   headless: a wait for input nobody scripted
                            fails the run, or closes the windows (run.sh
                            default: cancel)

Exit code: 0 when the program's final status is below 128, else the status.
EOF
}

program=accounting
case "${1:-}" in
  -h|--help|-help|/\?|/HELP|/help) usage; exit 0 ;;
  accounting|administration) program=$1; shift ;;
  ""|/*|-*) ;;
  *)
    echo "run.sh: unknown program \"$1\" (the programs are accounting and administration; ./run.sh --help)" >&2
    exit 2 ;;
esac

if [ -n "${KX_RUN_BIN:-}" ]; then
  bin=$(cd "$KX_RUN_BIN" && pwd)
else
  . tools/deps.sh
  kx_install_deps
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKX_TESTS=OFF >/dev/null
  cmake --build build/release -j "$(nproc)" --target "$program"
  bin=$root/build/release
fi

# Copies the files of folder $1 that folder $2 does not hold yet.
copy_missing() {
  (cd "$1" && find . -type f) | while IFS= read -r f; do
    [ -e "$2/$f" ] || { mkdir -p "$2/$(dirname "$f")" && cp -p "$1/$f" "$2/$f"; }
  done
}

home=${KX_RUN_HOME:-$root}
work="$home/run/$program"
fresh=0
[ -d "$work" ] || fresh=1
mkdir -p "$work"
# The demo's files, and the records and pictures the build writes for it;
# a file already in the folder is left as it is.
copy_missing "$root/apps/$program/demo" "$work"
if [ -d "$bin/demo/$program" ]; then copy_missing "$bin/demo/$program" "$work"; fi
# The demo's "data" folder is the program's data directory: the sibling
# "data" of its working folder.
if [ -d "$root/apps/$program/demo/data" ]; then
  mkdir -p "$home/run/data"
  copy_missing "$root/apps/$program/demo/data" "$home/run/data"
fi
[ $fresh = 1 ] && echo "prepared $work from apps/$program/demo"
cd "$work"
# On a terminal the windows are shown there; without one the window system
# runs headless and a run that waits for input it was not given closes its
# windows.
export KX_UI_STALL="${KX_UI_STALL:-cancel}"
# Without options the program opens its main window on a terminal, and
# without a terminal runs the demo procedure of its application, which
# writes demo.txt; any options given are passed on instead.
demo=0
if [ $# -eq 0 ] && ! { [ -t 0 ] && [ -t 1 ]; }; then
  set -- "/RUN:PrcExec demo.prc"
  demo=1
  rm -f "$work/demo.txt"
fi
set +e
"$bin/$program" "--dpath=$work" "$@"
rc=$?
set -e
if [ $demo = 1 ] && [ -f "$work/demo.txt" ]; then cat "$work/demo.txt"; fi
echo "$program ended with exit code $rc; logs and outputs are in $work"
exit $rc
