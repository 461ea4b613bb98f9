#!/usr/bin/env bash
# SIGINT or SIGTERM during a long procedure run ends the run as a cancel and
# the program shuts down normally (exit code 0: a cancel is below 128).
set -u
accounting=$1 source=$3
fail=0
for sig in INT TERM; do
  work=$(mktemp -d)
  cp -R "$source/apps/accounting/demo/." "$work/"
  printf 'i=0\r\n:top\r\ni=i+1\r\nGOTO top\r\n' >"$work/loop.prc"
  (cd "$work" && KX_UI=headless KX_UI_STALL=cancel exec "$accounting" "--dpath=$work" "/RUN:PrcExec loop.prc" \
    </dev/null >"$work/out.txt" 2>"$work/err.txt") &
  pid=$!
  # The signal goes once the program has taken both signals over (a loaded
  # machine may start it slowly: before that the signal would end it as any
  # program), then a moment later, inside the run.
  for _ in $(seq 1 600); do
    caught=$(sed -n 's/^SigCgt:\s*//p' "/proc/$pid/status" 2>/dev/null)
    [ -n "$caught" ] && (( (16#$caught & 0x4002) == 0x4002 )) && break
    sleep 0.05
  done
  sleep 0.5
  kill -"$sig" "$pid"
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL SIG$sig: still running 10 s after the signal"; kill -KILL "$pid"; fail=1
  else
    wait "$pid"; rc=$?
    if [ "$rc" -ne 0 ]; then echo "FAIL SIG$sig: exit code $rc"; cat "$work/err.txt"; fail=1; else echo "ok SIG$sig"; fi
  fi
  rm -rf "$work"
done
exit $fail
