#!/usr/bin/env bash
# A COM output device in a whole program: a procedure prints to
# "COM1:9600,N,8,1", whose port is a pseudo-terminal (KX_COM1, set by the
# pty_device helper beside the terminal demo); the device receives exactly
# the text, DEVICE reports success, and a missing port is status 171.
set -u
accounting=$1 source=$3 helper=$(dirname "$4")/pty_device
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$source/apps/accounting/demo/." "$work/"
cat >"$work/com.prc" <<'PRC'
DEVICE 'COM1:9600,N,8,1'
s1=_STAT
DPRINT 'ABC'
DPRINT FN$CHRS(13)+FN$CHRS(10)+'Line 2'
ENDDEVICE
x=WRITE('stat.txt';-3;FN$TRIM(s1))
PRC
cat >"$work/nocom.prc" <<'PRC'
DEVICE 'COM1:9600,N,8,1'
s1=_STAT
ENDDEVICE
x=WRITE('stat.txt';-3;FN$TRIM(s1))
PRC
fail=0
(cd "$work" && TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel timeout 30 \
  "$helper" "$accounting" "--dpath=$work" "/RUN:PrcExec com.prc" </dev/null >device.out 2>err.txt)
rc=$?
[ $rc = 0 ] || { echo "FAIL: exit code $rc"; cat "$work/err.txt"; fail=1; }
printf 'ABC\r\nLine 2' | cmp -s - "$work/device.out" || {
  echo "FAIL: the device received:"; od -c "$work/device.out"; fail=1; }
[ "$(cat "$work/stat.txt" 2>/dev/null)" = 0.00 ] || { echo "FAIL: DEVICE status $(cat "$work/stat.txt")"; fail=1; }

# No such port: DEVICE leaves 171 in _STAT and the run goes on.
rm -f "$work/stat.txt"
(cd "$work" && TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel KX_COM1=/no/such/tty timeout 30 \
  "$accounting" "--dpath=$work" "/RUN:PrcExec nocom.prc" </dev/null >out.txt 2>err.txt)
[ "$(cat "$work/stat.txt" 2>/dev/null)" = 171.00 ] || { echo "FAIL: missing port status $(cat "$work/stat.txt")"; fail=1; }
[ $fail = 0 ] && echo ok
exit $fail
