#!/usr/bin/env bash
# The terminal is restored on every exit: SIGTERM and Ctrl+C (SIGINT) at the
# main window close it without a question (exit code 0), as does SIGTERM
# while a message box is open (the box is answered as by Esc); a second
# signal that comes before the first was taken up ends the program the
# default way, and so does a fatal signal (SIGABRT): both still leave the
# terminal modes as they were.
set -u
demo=$4
kx_test=signals
. "$3/tests/e2e/terminal/lib.bash"
for how in TERM C-c box ABRT twice; do
  rm -f "$work"/*.txt "$work"/*.log
  kx_start 80 24 "$demo"
  kx_wait_text "F10 Menu" || continue
  pid=$(kx_pid)
  case $how in
    C-c) kx_keys C-c ;;
    box) kx_keys F10 Right Enter; kx_wait_text "A demo of the terminal." && kill -TERM "$pid" ;;
    twice) kill -STOP "$pid"; kill -INT "$pid"; kill -TERM "$pid"; kill -CONT "$pid" ;;
    *) kill -"$how" "$pid" ;;
  esac
  case $how in
    ABRT) kx_expect_end 134 ;;
    twice) kx_expect_end "130|143" ;;
    *)
      kx_expect_end 0
      grep -q '^exit yes$' "$work/events.log" 2>/dev/null || { echo "FAIL signals $how: the main window did not close"; fail=1; }
      ;;
  esac
done
exit $fail
