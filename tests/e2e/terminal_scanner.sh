#!/usr/bin/env bash
# A barcode scanner on the accounts window (Files > Accounts, CHKSCAN on),
# in a terminal, as a person meets it. The scanner's port is a
# pseudo-terminal that the test plays through the pty_device helper's feed:
#   - a scanner that trickles its code a byte at a time never holds the
#     window: a key typed between two of its bytes shows as soon as one
#     typed with the scanner silent (tmux's own time taken off), and the
#     code then arrives whole;
#   - a scan far longer than any code reaches no field, not even its tail;
#   - a scan with ESC is refused in a box naming the field and the value;
#   - without any port the window opens all the same, tells the scanner's
#     error once, and is kept by keyboard.
set -u
accounting=$(realpath "$1") source=$(realpath "$3") helper=$(dirname "$(realpath "$4")")/pty_device
kx_test=scanner
. "$source/tests/e2e/terminal/lib.bash"
records=$(dirname "$accounting")/demo/accounting

fresh() {
  find "$work" -mindepth 1 -delete
  cp -R "$source/apps/accounting/demo/." "$work/"
  cp -R "$records/." "$work/"
  printf 'ExpEval CHKSCAN=1\r\n' >"$work/scan.txt"
}
account() { tmx capture-pane -p -t kx | sed 's/^│//' | grep -m1 '^ *Account '; }
now_ms() { date +%s%3N; }
# Milliseconds from typing a key until the account line shows a text
# (5 s at most).
latency() {
  local t0 t1
  t0=$(now_ms)
  kx_type "$1"
  t1=$t0
  while [ $((t1 - t0)) -lt 5000 ]; do
    account | grep -qF -- "$2" && break
    t1=$(now_ms)
  done
  echo $(($(now_ms) - t0))
}
# Ends the run: Esc until the program has gone.
finish() {
  for _ in 1 2 3 4 5; do
    [ -f "$work/rc.txt" ] && break
    kx_keys Escape
    sleep 0.3
  done
  kx_expect_end "${1:-0}"
}

# --- A port the test plays -----------------------------------------------
fresh
mkfifo "$work/feed"
exec 7<>"$work/feed"  # held open: the feed never ends between scans
kx_start 100 30 "$helper" --feed feed "$accounting" "--dpath=$work" /INPUT:scan.txt "/RUN:MantMain COACC"
kx_wait_text "Index search"
kx_wait_text "Grupo 100"
# The field opens with its text selected (typing would replace it): End
# puts the cursor after it, so a key typed adds to the account.
kx_keys End

# A key typed with the scanner silent: the best of three, then undone.
best=999999
for _ in 1 2 3; do
  t=$(latency 7 "1007")
  [ "$t" -lt "$best" ] && best=$t
  kx_keys BSpace
  for _ in $(seq 1 200); do account | grep -q 'Account *100[ _]' && break; done
done
# The same key while the scanner sends a byte every 250 ms (best of three): the window
# reads what has come at each poll and goes back to the keys.
code=4300000001
(for ((i = 0; i < ${#code}; i++)); do printf '%s' "${code:i:1}" >&7; sleep 0.25; done; printf '\r' >&7) &
scanner=$!
sleep 0.3
during=999999
for _ in 1 2 3; do
  t=$(latency 7 "1007")
  [ "$t" -lt "$during" ] && during=$t
  kx_keys BSpace
  for _ in $(seq 1 200); do account | grep -q 'Account *100[ _]' && break; done
done
wait $scanner
echo "key shown after ${during} ms while the scanner trickled, ${best} ms with it silent"
if [ $((during - best)) -gt 100 ]; then
  echo "FAIL $kx_test: the trickling scanner held the window ${during} ms (${best} ms without it)"; fail=1
else
  echo "ok $kx_test: the window took keys while the scanner trickled"
fi
kx_wait_text "Cliente Comercial Iberia" && account | grep -q "Account *$code" &&
  echo "ok $kx_test: the trickled code arrived whole"
# Enter moved on to the name: back to the account field.
kx_keys Escape
kx_wait_text "Index search"

# Over-long: 1,030 digits and CR, then silence: nothing reaches the field.
before=$(account)
{ printf '%01030d' 0 | tr 0 9; printf '\r'; } >&7
sleep 1.5
if [ "$(account)" != "$before" ] || kx_screen | grep -q '999'; then
  echo "FAIL $kx_test: an over-long scan reached the window:"; kx_screen; fail=1
else
  echo "ok $kx_test: the over-long scan was dropped whole"
fi

# ESC in the scan: refused, by field and value, in an information box.
printf '\0334300\r' >&7
kx_wait_text "Bad params for screen field CODE" && kx_wait_text "(^[4300)" &&
  kx_wait_text "Information Message" && echo "ok $kx_test: the scan with ESC was refused by name"
kx_screen | grep -q "Fatal" && { echo "FAIL $kx_test: a refused scan was called fatal"; fail=1; }
kx_keys Enter
sleep 0.5
[ "$(account)" = "$before" ] || { echo "FAIL $kx_test: the refused scan changed the field: $(account)"; fail=1; }
finish
exec 7>&-

# --- No port at all -------------------------------------------------------
fresh
kx_start 100 30 env KX_COM1=/no/such/tty "$accounting" "--dpath=$work" /INPUT:scan.txt "/RUN:MantMain COACC"
kx_wait_text "DEVICEIOERROR" && kx_wait_text "COM1:9600,N,8,1"
kx_keys Enter
kx_wait_text "Grupo 100"
kx_wait_text "Index search"
t=$(latency 7 "1007")
echo "key shown after ${t} ms"
sleep 1
if kx_screen | grep -q "DEVICEIOERROR"; then
  echo "FAIL $kx_test: the scanner's error came again"; kx_screen; fail=1
else
  echo "ok $kx_test: no port: the window opened and told the error once"
fi
# The run's final status is the error it showed (DEVICEIOERROR, 172).
finish 172
exit $fail
