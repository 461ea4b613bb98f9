#!/usr/bin/env bash
# Waiting costs nothing: at the main window the program blocks on the
# terminal. Its CPU time over 10 s stays under 1% of one core.
set -u
demo=$4
kx_test=idle
. "$3/tests/e2e/terminal/lib.bash"
kx_start 80 24 "$demo"
kx_wait_text "F10 Menu"
pid=$(kx_pid)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep 10
t1=$(ticks)
used=$((t1 - t0))
echo "idle CPU: $used ticks of 1/$hz s in 10 s"
if [ $((used * 100)) -ge $((hz * 10)) ]; then
  echo "FAIL idle: $used ticks in 10 s (1% of a core is $((hz / 10)))"; fail=1
else
  echo "ok idle"
fi
kx_keys Escape
kx_wait_text "Exit the program?"
kx_keys y
kx_expect_end 0
exit $fail
