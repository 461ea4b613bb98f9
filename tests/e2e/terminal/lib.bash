# Shared by the terminal tests (tests/e2e/terminal_*.sh): a program run in a
# detached tmux pane of fixed size with a UTF-8 locale, keys typed with
# send-keys, the screen read with capture-pane and polled until the expected
# one shows (no fixed sleeps). Each test has a tmux server of its own.
# Sourced with the test's name in $kx_test; sets $work, a fresh folder.
# Every start gets a server of its own, so one still ending never meets the
# next.
kx_n=0
kx_sock="kx-$kx_test-$$-0"
work=$(mktemp -d)
fail=0
tmx() { tmux -u -L "$kx_sock" -f /dev/null "$@"; }
kx_cleanup() { tmx kill-server 2>/dev/null; rm -rf "$work"; }
trap kx_cleanup EXIT

# Starts a command in the pane ($1 columns, $2 lines, the rest the command,
# run in $work; the locale is $KX_LOCALE, C.UTF-8 when unset). Its process id lands in $work/pid.txt, its exit code in
# $work/rc.txt, the terminal modes before and after in $work/stty.before and
# $work/stty.after.
kx_start() {
  local cols=$1 lines=$2; shift 2
  tmx kill-server 2>/dev/null
  kx_n=$((kx_n + 1))
  kx_sock="kx-$kx_test-$$-$kx_n"
  { echo 'echo $$ >pid.txt'; printf 'exec'; printf ' %q' "$@"; echo; } >"$work/cmd.sh"
  tmx new-session -d -s kx -x "$cols" -y "$lines" \
    "cd '$work' && export LANG=${KX_LOCALE:-C.UTF-8} LC_ALL=${KX_LOCALE:-C.UTF-8}; stty -g >stty.before; bash cmd.sh 2>stderr.txt; echo \$? >rc.txt; stty -g >stty.after; exec sleep 600"
}
# The screen, blanks at line ends and blank lines at the end dropped.
kx_screen() {
  tmx capture-pane -p -t kx | sed -e 's/[[:space:]]*$//' |
    awk '{a[NR]=$0} END {n=NR; while (n > 0 && a[n] == "") n--; for (i = 1; i <= n; i++) print a[i]}'
}
kx_keys() { tmx send-keys -t kx "$@"; }
kx_type() { tmx send-keys -t kx -l "$1"; }
kx_pid() { cat "$work/pid.txt"; }

# Polls until the screen holds a text (fixed string); 10 s at most.
kx_wait_text() {
  for _ in $(seq 1 200); do kx_screen | grep -qF -- "$1" && return 0; sleep 0.05; done
  echo "FAIL $kx_test: \"$1\" never showed; the screen:"; kx_screen; fail=1; return 1
}
# Polls until the screen equals an expected screen kept as a text file
# (KX_UPDATE_SCREENS=1 writes the file from the screen after a short wait).
kx_expect_screen() {
  local want=$1 got
  if [ "${KX_UPDATE_SCREENS:-}" = 1 ]; then sleep 1; kx_screen >"$want"; fi
  for _ in $(seq 1 200); do
    got=$(kx_screen)
    [ "$got" = "$(cat "$want")" ] && { echo "ok $kx_test: screen $(basename "$want")"; return 0; }
    sleep 0.05
  done
  echo "FAIL $kx_test: screen $(basename "$want") differs:"; diff <(echo "$got") "$want"; fail=1; return 1
}
# Waits for the program's end; checks its exit code (codes may be given as
# "a|b") and the terminal modes.
kx_expect_end() {
  local want=$1
  for _ in $(seq 1 200); do [ -f "$work/rc.txt" ] && break; sleep 0.05; done
  if [ ! -f "$work/rc.txt" ]; then echo "FAIL $kx_test: still running"; kx_screen; fail=1; return 1; fi
  sleep 0.1
  local rc; rc=$(cat "$work/rc.txt")
  if ! [[ "$rc" =~ ^($want)$ ]]; then echo "FAIL $kx_test: exit code $rc, expected $want"; cat "$work/stderr.txt"; fail=1; fi
  for _ in $(seq 1 40); do [ -f "$work/stty.after" ] && break; sleep 0.05; done
  if ! cmp -s "$work/stty.before" "$work/stty.after"; then
    echo "FAIL $kx_test: terminal modes not restored"; cat "$work/stty.before" "$work/stty.after"; fail=1
  else
    echo "ok $kx_test: exit code $rc, terminal modes as before"
  fi
}
