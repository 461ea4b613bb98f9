#!/usr/bin/env bash
# A program started on a terminal uses it without being told (the terminal
# shows its screen); SIGTERM or Ctrl+C during a long procedure ends the run
# as a cancel and the program shuts down normally: exit code 0, the run
# status (where there is one) closed, the screen and the terminal modes as
# before.
set -u
accounting=$1 source=$3
kx_test=program
. "$3/tests/e2e/terminal/lib.bash"
for how in TERM C-c; do
  find "$work" -mindepth 1 -delete
  cp -R "$source/apps/accounting/demo/." "$work/"
  printf 'i=0\r\n:top\r\ni=i+1\r\nGOTO top\r\n' >"$work/loop.prc"
  kx_start 80 24 "$accounting" "--dpath=$work" "/RUN:PrcExec loop.prc"
  for _ in $(seq 1 200); do [ "$(tmx display -p -t kx '#{alternate_on}')" = 1 ] && break; sleep 0.05; done
  if [ "$(tmx display -p -t kx '#{alternate_on}')" != 1 ]; then echo "FAIL program $how: the terminal was not used"; fail=1; fi
  case $how in
    C-c) kx_keys C-c ;;
    *) kill -"$how" "$(kx_pid)" ;;
  esac
  kx_expect_end 0
  # The run status file exists once the application marks its runs open.
  if [ -f "$work/COFSTAT.DAT" ] && [ "$(head -c 1 "$work/COFSTAT.DAT")" != 0 ]; then
    echo "FAIL program $how: the run status is not closed"; fail=1
  fi
  [ "$(tmx display -p -t kx '#{alternate_on}')" = 0 ] || { echo "FAIL program $how: the screen was not given back"; fail=1; }
done
exit $fail
