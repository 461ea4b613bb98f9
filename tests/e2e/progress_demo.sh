#!/usr/bin/env bash
# Both programs run their demo progress procedure (/RUN:PrcExec progress.prc)
# headless under a UI script: the bar counts in a Progress window and the
# question is answered No; a second run is stopped by Esc in the window,
# which leaves the "User Canceled" box and no window behind.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
fail=0
run() {  # program, directory, script text; sets rc and log (the transcript)
  printf '%s\n' "$3" >"$2/ui.txt"
  rm -f "$2/transcript.txt"
  (cd "$2" && KX_UI=headless KX_UI_STALL=cancel KX_UI_SCRIPT="$2/ui.txt" KX_UI_TRANSCRIPT="$2/transcript.txt" \
    timeout 20 "$1" "--dpath=$2" "/RUN:PrcExec progress.prc" </dev/null >"$2/out.txt" 2>"$2/err.txt")
  rc=$?
  log=$(cat "$2/transcript.txt" 2>/dev/null)
}
expect() {  # name, what, pattern
  if ! grep -qF -- "$3" <<<"$log"; then
    echo "FAIL $1: $2: the transcript lacks: $3"; sed 's/^/  /' <<<"$log" | tail -20; fail=1
  fi
}
for pair in "$accounting:accounting:Count again?:progress #[0-9]* 365" \
            "$administration:administration:Number another batch?:progress #[0-9]* 200"; do
  IFS=: read -r prog name question last <<<"$pair"
  dir=$(mktemp -d)
  cp -R "$source/apps/$name/demo/." "$dir/"
  run "$prog" "$dir" "answer No match \"$question\""
  [ "$rc" -eq 0 ] || { echo "FAIL $name: exit $rc: $(cat "$dir/err.txt")"; fail=1; }
  expect "$name" "the window" 'class="Progress" title="Process in progress....."'
  expect "$name" "the question" "$question\" -> No"
  if ! grep -q -- "$last\$" <<<"$log"; then echo "FAIL $name: the bar never showed its last step"; fail=1; fi
  run "$prog" "$dir" "$(printf 'wait-top class=Progress\nkey Esc\nanswer OK match "User Canceled"')"
  [ "$rc" -eq 0 ] || { echo "FAIL $name: cancelled run exit $rc: $(cat "$dir/err.txt")"; fail=1; }
  expect "$name" "the cancel" 'text="User Canceled" -> OK'
  if grep -q -- "$question" <<<"$log"; then echo "FAIL $name: the cancelled run went on to its question"; fail=1; fi
  progress=$(grep -o 'create #[0-9]* class="Progress"' <<<"$log" | grep -o '#[0-9]*')
  if [ -z "$progress" ] || ! grep -q "^destroy $progress\$" <<<"$log"; then
    echo "FAIL $name: the cancelled run left its progress window"; fail=1
  fi
  [ "$fail" -eq 0 ] && echo "ok $name"
  rm -rf "$dir"
done
exit $fail
