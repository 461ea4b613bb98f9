#!/usr/bin/env bash
# Every command entry of both demo menus, chosen from the main window's menu
# bar, headless and unattended (KX_UI_STALL=cancel closes what the entry
# leaves open, answers its questions No and the exit question Yes), each on
# a fresh copy of the demo application: the entry writes what it promises,
# no error box is shown, and when the main window is closed nothing the
# entry opened is left behind (the exit question counts one screen and one
# window). The font and calculation choosers and Help have tests of their
# own.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
records=$(dirname "$accounting")/demo  # the demo records the build writes
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
fail=0
app=
trap 'rm -rf "$app"' EXIT

# program binary, program name, main window class, "Popup>Entry", the file
# it writes (- for none)
entry() {
  app=$(mktemp -d)
  cp -R "$source/apps/$2/demo/." "$app/"
  [ -d "$records/$2" ] && cp -R "$records/$2/." "$app/"
  printf 'wait-top class=%s\nmenu "%s"\n' "$3" "$4" >"$app/ui.txt"
  (cd "$app" && KX_UI_SCRIPT="$app/ui.txt" KX_UI_TRANSCRIPT="$app/transcript.txt" timeout 20 "$1" "--dpath=$app" \
    </dev/null >"$app/out.txt" 2>"$app/err.txt")
  local rc=$? why=""
  if [ $rc -ne 0 ]; then why="exit code $rc"
  elif [ "$5" != - ] && [ ! -s "$app/$5" ]; then why="$5 not written"
  elif grep -aq '^box .*text="Error ' "$app/transcript.txt"; then why="an error was shown"
  elif ! grep -aqF 'Close Program? (1 Screens, 1 Windows)" -> Yes' "$app/transcript.txt"; then
    why="something was left open when the main window closed"
  fi
  if [ -z "$why" ]; then echo "ok $2: $4"; else
    echo "FAIL $2: $4: $why"; grep -a '^box\|^stall\|^failed' "$app/transcript.txt" | cut -c1-200 | sed 's/^/  | /'
    sed 's/^/  err: /' "$app/err.txt"; fail=1
  fi
  rm -rf "$app"
}

while IFS='|' read -r item file; do
  entry "$accounting" accounting COVCQT24 "$item" "$file"
done <<'EOF'
Procedures>Loan schedule|demo.txt
Procedures>Totals by group|totals.txt
Procedures>Balances|balances.txt
Procedures>Account ledger|ledger.txt
Procedures>Progress window|-
Procedures>Calculations>Date of today|today.txt
Print>Test page|testpage.txt
Print>Trial balance|-
Print>Trial balance to file|trial.txt
Print>Trial balance to PDF|trial.pdf
Tools>Account balance|-
Tools>Balance period|-
Tools>Balances of the period|-
Tools>Renumber entries|-
Tools>Rebuild a file|-
Files>Accounts|-
Files>Entry lines|-
Files>Entries|-
EOF

while IFS='|' read -r item file; do
  entry "$administration" administration GAVGQT24 "$item" "$file"
done <<'EOF'
Procedures>Invoice draft|demo.txt
Procedures>Sales by customer|salescus.txt
Procedures>Progress window|-
Procedures>Calculations>Date of today|today.txt
Print>Test page|testpage.txt
Print>Print invoice|-
Print>Invoice 5|invoice.txt
Print>Invoice 5 to PDF|invoice.pdf
Files>Customers|-
Files>Bank details|-
Files>Invoices|-
Documents>Invoices|-
Documents>Delivery notes|-
Documents>Collections|-
Tools>Amount in words|-
Tools>Customer card|-
Tools>Invoicing run|-
Tools>Payment schedule|-
Tools>Rebuild a file|-
EOF
exit $fail
