#!/usr/bin/env bash
# The demo procedures of run-time windows, headless: accounting's "Account
# balance" (acbal.prc) with an account and two dates typed into its window
# shows the debit, credit and balance that the balance demo's expected
# figures hold for that account; answered Esc and Yes it shows none.
# Administration's "Customer card" (custcard.prc) shows the fields of the
# customer typed. The key each window waits for at the end is left to the
# unattended stall policy (Esc), which ends the wait; the windows are gone
# and the programs end with 0.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
bin=$(dirname "$accounting")
export KX_UI=headless KX_UI_STALL=cancel
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
fail=0
run() {  # program, folder, procedure, script text; sets rc and log (the transcript)
  printf '%b' "$4" >"$2/ui.txt"
  rm -f "$2/transcript.txt"
  (cd "$2" && KX_UI_SCRIPT="$2/ui.txt" KX_UI_TRANSCRIPT="$2/transcript.txt" \
    timeout 20 "$1" "--dpath=$2" "/RUN:PrcExec $3" </dev/null >"$2/out.txt" 2>"$2/err.txt")
  rc=$?
  log=$(cat "$2/transcript.txt" 2>/dev/null)
  [ "$rc" -eq 0 ] || { echo "FAIL $3: exit $rc: $(cat "$2/err.txt")"; fail=1; }
}
expect() {  # what, fixed text
  if ! grep -qF -- "$2" <<<"$log"; then
    echo "FAIL $1: the transcript lacks: $2"; tail -25 <<<"$log" | sed 's/^/  /'; fail=1
  fi
}
gone() {  # what: every run-time window created was destroyed
  local w
  for w in $(grep -o 'create #[0-9]* class="Dialogx"' <<<"$log" | grep -o '#[0-9]*'); do
    grep -q "^destroy $w\$" <<<"$log" || { echo "FAIL $1: window $w was left open"; fail=1; }
  done
}
clear() { printf 'key End\\n'; for _ in $(seq 1 "$1"); do printf 'key Back\\n'; done; }

# Accounting: account 4300000001 over 2025.
app="$work/accounting/app"
mkdir -p "$app" "$work/accounting/data"
cp -R "$source/apps/accounting/demo/." "$app/"
cp -R "$source/apps/accounting/demo/data/." "$work/accounting/data/"
cp -R "$bin/demo/accounting/." "$app/"
read -r _ debit credit balance < <(grep '^4300000001 ' "$source/tests/e2e/accounting_balance/expected/balances.txt" | tr -d '\r')
run "$accounting" "$app" acbal.prc \
  "wait-focus 2000\ntype \"4300000001\"\nkey Enter\n$(clear 8)type \"01-01-25\"\nkey Enter\n$(clear 8)type \"12-31-25\"\nkey Enter\n"
expect "account balance" '#1 "Account balance"'
expect "account balance" "text=\"Account 4300000001\""
expect "account balance" "text=\"Debit   $(printf '%14s' "$debit")\""
expect "account balance" "text=\"Credit  $(printf '%14s' "$credit")\""
expect "account balance" "text=\"Balance $(printf '%14s' "$balance")\""
expect "account balance" 'text="Press a key"'
expect "account balance" ': Esc'
gone "account balance"
# Esc in the form, answered Yes: no balance.
run "$accounting" "$app" acbal.prc 'wait-focus 2000\nkey Esc\nanswer Yes match "Cancel"\n'
expect "cancelled balance" 'caption="Information Request" text="Cancel" -> Yes'
if grep -q 'text="Balance' <<<"$log"; then echo "FAIL cancelled balance: a balance was shown"; fail=1; fi
gone "cancelled balance"

# Administration: customer C1.
app="$work/administration"
mkdir -p "$app"
cp -R "$source/apps/administration/demo/." "$app/"
cp -R "$bin/demo/administration/." "$app/"
run "$administration" "$app" custcard.prc "wait-focus 2000\n$(clear 6)type \"C1\"\nkey Enter\n"
expect "customer card" '#1 "Customer card"'
expect "customer card" 'text="Name      Casa Uno"'
expect "customer card" 'text="Bank      ES7921000813610123456789"'
expect "customer card" 'text="Pay mode  01"'
gone "customer card"
[ "$fail" -eq 0 ] && echo "ok run-time window demos"
exit "$fail"
