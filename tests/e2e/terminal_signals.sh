#!/usr/bin/env bash
# The terminal is restored on every exit: SIGTERM and Ctrl+C (SIGINT) at the
# main window close it without a question (exit code 0), and a program ended
# by a fatal signal (SIGABRT) still leaves the terminal modes as they were.
set -u
demo=$4
kx_test=signals
. "$3/tests/e2e/terminal/lib.bash"
for how in TERM C-c ABRT; do
  rm -f "$work"/*.txt "$work"/*.log
  kx_start 80 24 "$demo"
  kx_wait_text "F10 Menu" || continue
  case $how in
    C-c) kx_keys C-c ;;
    *) kill -"$how" "$(kx_pid)" ;;
  esac
  if [ "$how" = ABRT ]; then
    kx_expect_end 134
  else
    kx_expect_end 0
    grep -q '^exit yes$' "$work/events.log" 2>/dev/null || { echo "FAIL signals $how: the main window did not close"; fail=1; }
  fi
  tmx kill-server 2>/dev/null
done
exit $fail
