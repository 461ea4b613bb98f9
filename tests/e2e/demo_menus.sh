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
# it writes (- for none), a text the run shows (- for none)
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
  elif [ "${6:--}" != - ] && ! grep -aqF -- "$6" "$app/transcript.txt"; then why="\"$6\" was not shown"
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

while IFS='|' read -r item file shown; do
  entry "$accounting" accounting COVCQT24 "$item" "$file" "$shown"
done <<'LIST'
Procedures>Loan schedule|demo.txt|Written to demo.txt.
Procedures>Totals by group|totals.txt|-
Procedures>Balances|balances.txt|Written to REPORTS\\BALANCE.TXT.
Procedures>Account ledger|ledger.txt|Written to ledger.txt.
Procedures>Progress window|-|-
Procedures>Calculations>Date of today|today.txt|(written to today.txt)
Print>Test page|testpage.txt|End of the test page.
Print>Trial balance|-|-
Print>Trial balance to file|trial.txt|The trial balance was written to trial.txt: 3 page(s) of 30 lines
Print>Trial balance to PDF|trial.pdf|The trial balance was written to trial.pdf: 3 page(s)
Tools>Account balance|-|-
Tools>Balance period|-|-
Tools>Balances of the period|-|-
Tools>Renumber entries|-|-
Files>Accounts|-|-
Files>Entry lines|-|-
Files>Entries|-|-
Transfers>Export accounts|accounts.csv|accounts exported to accounts.csv (Delimited) and accounts.txt (List)
Transfers>Import accounts|-|3 accounts imported from new_accounts.csv
LIST

while IFS='|' read -r item file shown; do
  entry "$administration" administration GAVGQT24 "$item" "$file" "$shown"
done <<'LIST'
Procedures>Invoice draft|demo.txt|Written to demo.txt.
Procedures>Sales by customer|salescus.txt|-
Procedures>Progress window|-|-
Procedures>Calculations>Date of today|today.txt|(written to today.txt)
Print>Test page|testpage.txt|End of the test page.
Print>Print invoice|-|-
Print>Invoice 5|invoice.txt|Invoice 5 was written to invoice.txt
Print>Invoice 5 to PDF|invoice.pdf|Invoice 5 was written to invoice.pdf
Files>Customers|-|-
Files>Bank details|-|-
Files>Invoices|-|-
Documents>Invoices|-|-
Documents>Delivery notes|-|-
Documents>Collections|-|-
Tools>Amount in words|-|-
Tools>Customer card|-|-
Tools>Invoicing run|-|-
Tools>Payment schedule|-|-
Transfers>Export customers|customers.csv|customers exported to customers.csv
LIST
exit $fail
