#!/usr/bin/env bash
# Files > Accounts, F6: the "Fields Selection" form names the fields as the
# window labels them and starts empty every time; a whole name typed finds
# the next account of that name (a name holding a comma too), a name no
# account has says "End of file" and keeps the record shown; from a new
# record the search starts at the file's first record.
set -u
source "$(dirname "$0")/lib/admwindow.bash"
window_setup accounting "$1" "$3"
find_name() {  # name [box]: F6, the name in the form's second field, Ok (the box it answers)
  printf 'key F6\nwait-top title="Fields Selection"\nexpect-text 2000 ""\nexpect-text 2001 ""\n'
  printf 'key Tab\ntype "%s"\nclick "Ok"\n' "$1"
  [ -z "${2:-}" ] || printf 'answer OK match "%s"\n' "$2"
  printf 'wait-top class=MantDlg\n'
}
{
  printf 'wait-top class=COVCQT24\nmenu "Files>Accounts"\nwait-top class=MantDlg\n'
  printf 'key F6\nwait-top title="Fields Selection"\nexpect-text 4058 "Account:"\nexpect-text 4114 "Name:"\nkey Esc\nwait-top class=MantDlg\n'
  find_name "Capital social"
  printf 'expect-text 2000 "1000000000"\n'
  find_name "Caja, euros"
  printf 'expect-text 2000 "5700000000"\nexpect-text 2001 "Caja, euros"\n'
  find_name "No such name" "End of file"
  printf 'expect-text 2000 "5700000000"\n'
  # From a new, blank record the search reads the file from its start.
  printf 'click "New"\nexpect-text 2000 ""\n'
  find_name "Capital social"
  printf 'expect-text 2000 "1000000000"\n'
  printf 'close\nclose\nanswer Yes match "Close Program?"\n'
} >"$app/ui.txt"
window_run
[ $fail = 0 ] && echo "ok search by name"
exit $fail
