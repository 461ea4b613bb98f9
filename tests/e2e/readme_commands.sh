#!/usr/bin/env bash
# Every command line of the README's block of run.sh examples (the code
# block after "<!-- readme-commands -->") runs as written: headless, on the
# built programs (KX_RUN_BIN) and in a run/ folder of its own (KX_RUN_HOME),
# it ends with exit code 0 and shows no error. Then run.sh's usage (--help,
# -h) and an unknown program name.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export KX_RUN_BIN=$bin KX_RUN_HOME=$home KX_UI=headless TZ=UTC LC_ALL=C
fail=0

mapfile -t lines < <(awk '/<!-- readme-commands -->/ { found = 1; next }
  found && /^```/ { if (open) exit; open = 1; next }
  open { print }' "$source/README.md")
if [ "${#lines[@]}" -lt 5 ]; then
  echo "FAIL: the README's block of commands was not found (${#lines[@]} lines)"; exit 1
fi
for line in "${lines[@]}"; do
  case "$line" in ./run.sh*) ;; *) echo "FAIL: not a run.sh command line: $line"; fail=1; continue ;; esac
  (cd "$source" && timeout 40 bash -c "$line" </dev/null >"$home/out.txt" 2>"$home/err.txt")
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL: exit code $rc: $line"; sed 's/^/  /' "$home/out.txt" "$home/err.txt" | tail -20; fail=1
  elif grep -q '^Error [0-9]' "$home/err.txt"; then
    echo "FAIL: an error was shown: $line"; sed 's/^/  /' "$home/err.txt"; fail=1
  else
    echo "ok: $line"
  fi
done

# What the lines left behind: the trace, the outputs of the INPUT
# file's commands and of the RUN command.
check() {  # description, command
  if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi
}
(cd "$source" && ./run.sh accounting --trace=9 '/RUN:PrcExec demo.prc' </dev/null >"$home/out.txt" 2>&1)
check "--trace=9 writes the procedure trace" "grep -q 'loan schedule' '$home/run/accounting/PrcLog.txt'"
check "the INPUT file's commands and the RUN command ran (accounting)" \
  "[ -s '$home/run/accounting/demo.txt' ] && [ -s '$home/run/accounting/trial.txt' ] && [ -s '$home/run/accounting/testpage.txt' ]"
check "the INPUT file's commands and the RUN command ran (administration)" \
  "[ -s '$home/run/administration/invoice.txt' ] && [ -s '$home/run/administration/salescus.txt' ] && [ -s '$home/run/administration/testpage.txt' ]"

# The calculations' chooser of the demo menu finds its procedures in the
# application folder run.sh gives, not beside the program.
printf 'wait-top title="Target File"\nkey Down\nkey Enter\nwait-top title="Target File"\nkey Esc\n' >"$home/ui.txt"
(cd "$source" && KX_UI_SCRIPT="$home/ui.txt" KX_UI_STALL=fail ./run.sh accounting '/RUN:PrcExec calc_*.prc' </dev/null >"$home/out.txt" 2>&1)
check "Choose a calculation runs the chosen one" "grep -q 'exit code 0' '$home/out.txt' && [ -s '$home/run/accounting/interest.txt' ]"

(cd "$source" && ./run.sh </dev/null >"$home/out.txt" 2>&1)
check "without options the loan schedule is printed" "grep -q 'loan schedule' '$home/out.txt' && grep -q '^Total ' '$home/out.txt'"

for help in --help -h; do
  (cd "$source" && ./run.sh "$help" </dev/null >"$home/out.txt" 2>&1)
  rc=$?
  check "./run.sh $help prints the usage and exits 0" \
    "[ $rc -eq 0 ] && grep -q '^usage: ./run.sh' '$home/out.txt' && grep -q -- '--name=value' '$home/out.txt' && grep -q 'KX_UI_STALL' '$home/out.txt'"
done
(cd "$source" && ./run.sh nosuchprogram </dev/null >"$home/out.txt" 2>&1)
rc=$?
check "an unknown program is refused" "[ $rc -ne 0 ] && grep -q 'unknown program \"nosuchprogram\"' '$home/out.txt'"
check "nothing was run for it" "[ ! -e '$home/run/nosuchprogram' ]"
exit $fail
