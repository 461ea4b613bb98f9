#!/usr/bin/env bash
# The exit code of a /RUN command is its final status, whatever the verb: a
# command that fails and shows its error ("Error NNN: ..." on standard
# error when headless) ends with that code, never 0. The year close run
# from its form (AcceptRun COCLOSE,1) on a demo whose entry lines lost their
# index fails at the open: the program exits with the open's 130, leaves no
# empty index behind and keeps the run marked open, so the next start asks
# to recover; answered Yes, it rebuilds and the close runs.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
no() { echo "FAIL $*"; fail=1; }
fresh() {
  rm -rf "$work/app" "$work/data"; mkdir -p "$work/app" "$work/data"
  cp -R "$source/apps/accounting/demo/." "$work/app/"
  cp -R "$source/apps/accounting/demo/data/." "$work/data/"
  cp -R "$bin/demo/accounting/." "$work/app/"
}
# run COMMAND [UI script]: sets rc and shown (the last error code shown);
# the program runs as ${as[@]} when set
as=()
run() {
  printf '%b' "${2:-}" >"$work/app/ui.txt"
  (cd "$work/app" && KX_UI_SCRIPT="$work/app/ui.txt" timeout 40 "${as[@]}" "$accounting" "--dpath=$work/app" "/RUN:$1" \
    </dev/null >"$work/out.txt" 2>"$work/err.txt")
  rc=$?
  shown=$(grep -ao '^Error [0-9]*' "$work/err.txt" | tail -1 | cut -d' ' -f2)
}
form='wait-focus 2000\nkey Enter\nkey Enter\nkey Enter\n'

for command in "PrcExec nosuch.prc" "MantMain NOSUCH" "LnNavMain NOSUCH" "AcceptRun NOSUCH,1" "Report NOSUCH,1"; do
  fresh
  run "$command"
  if [ "$rc" -eq 0 ] || [ "$rc" -ne "${shown:-0}" ]; then
    no "$command: exit code $rc, error shown ${shown:-none}"; sed 's/^/  stderr: /' "$work/err.txt"
  fi
done

fresh
rm "$work/app/ENTRIES.DIR"
run "AcceptRun COCLOSE,1" "$form"
[ "$rc" -eq 130 ] || { no "the close without an index: exit code $rc (error shown ${shown:-none})"; sed 's/^/  stderr: /' "$work/err.txt"; }
[ -e "$work/app/ENTRIES.DIR" ] && [ ! -s "$work/app/ENTRIES.DIR" ] && no "an empty index was left behind"
[ "$(head -c1 "$work/app/COFSTAT.DAT")" = 1 ] || no "the run was marked closed after a file that does not fit its index"
run "AcceptRun COCLOSE,1" 'answer Yes match "uncorrectly closed"\nwait-focus 2000\nkey Enter\nkey Enter\nkey Enter\n'
[ "$rc" -eq 0 ] || { no "the start after it: exit code $rc"; sed 's/^/  stderr: /' "$work/err.txt"; }
[ "$(head -c1 "$work/app/COFSTAT.DAT")" = 0 ] || no "the run after the rebuild did not end closed"
# A data file that may not be written: the open's reason, Permission Denied
# (175), is shown with the file's name and is the exit code. Root ignores
# permission bits, so a root run drops to an unprivileged user for it, with
# a copy of the program that user may run wherever the build lies.
fresh
program=$accounting
if [ "$(id -u)" -eq 0 ]; then
  cp "$accounting" "$work/accounting"
  accounting=$work/accounting
  chmod -R a+rwX "$work"
  as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 444 "$work/app/ACCOUNTS.FD"
run "MantMain COACC"
as=() accounting=$program
if [ "$rc" -ne 175 ] || [ "${shown:-0}" -ne 175 ] || ! grep -aq 'Permission Denied.*ACCOUNTS' "$work/err.txt"; then
  no "a read-only ACCOUNTS.FD: exit code $rc, error shown ${shown:-none}"; sed 's/^/  stderr: /' "$work/err.txt"
fi
[ $fail = 0 ] && echo "ok run exit codes"
exit $fail
