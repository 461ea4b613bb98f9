#!/usr/bin/env bash
# Accept windows in a terminal: accounting's "Balance period" chosen from
# the menu bar with the keyboard, two dates typed over the ones offered (one
# emptied with Backspace, one selected with Shift+Home) and
# Enter: the dates are saved and the form shows them when it opens again;
# then the accounts window shows its buttons' captions whole, and F1 on the
# account field offers the help, the calculator and the lookup by name; the
# calculator adds the value typed and Enter puts its total into the field. SIGTERM ends the run: exit code 0,
# the terminal modes as before.
set -u
accounting=$(realpath "$1") source=$(realpath "$3")
bin=$(dirname "$accounting")
kx_test=accept
. "$source/tests/e2e/terminal/lib.bash"
cp -R "$source/apps/accounting/demo/." "$work/"
cp -R "$bin/demo/accounting/." "$work/"
# Passes when the screen holds the line (blanks at its end dropped).
kx_expect_line() {
  for _ in $(seq 1 200); do kx_screen | grep -qxF -- "$1" && { echo "ok accept: $2"; return 0; }; sleep 0.05; done
  echo "FAIL accept: $2: the screen lacks \"$1\""; kx_screen; fail=1
}
kx_start 80 24 "$accounting" "--dpath=$work"
kx_wait_text "F10 Menu"
kx_keys F10 Right Right Right
kx_wait_text "│ Balance period         │"
kx_keys Down Enter
kx_wait_text "[ Ok ]"
# The first date emptied with Backspace, the second selected with
# Shift+Home and typed over.
kx_keys End
for _ in $(seq 1 8); do kx_keys BSpace; done
kx_type 03-01-25
kx_keys Tab End S-Home
kx_type 03-31-25
kx_expect_line "│   To            03-31-25                         │                          │" "dates typed"
kx_keys Enter
kx_wait_text "F10 Menu"
if [ "$(tr -d '\r' <"$work/COBALP.DAT" 2>/dev/null | tr '\n' ' ')" = "BALFROM\$='20250301' BALTO\$='20250331' " ]; then
  echo "ok accept: the period saved"
else echo "FAIL accept: COBALP.DAT holds $(cat "$work/COBALP.DAT" 2>/dev/null)"; fail=1; fi
kx_keys F10 Right Right Right
kx_wait_text "│ Balance period         │"
kx_keys Down Enter
kx_expect_line "│   From          03-01-25                         │                          │" "the period offered again"
kx_keys Escape
kx_wait_text "F10 Menu"
kx_keys F10 Right Right Right Right
kx_wait_text "│ Accounts    │"
kx_keys Enter
kx_wait_text "Index search"
# Buttons sized in pixels show their whole captions: the navigation bar,
# with the keys of its commands, is laid out as one row a blank apart; the
# key button is not bracketed twice.
kx_wait_text "New  Top  PgUp Prev.  PgDn Next  Bottom  F6 Search Save F8 Delete" && echo "ok accept: the navigation bar"
kx_wait_text "[ 1 ]Index search" && echo "ok accept: the key button"
kx_keys F1
kx_expect_line "│  Name          Grupo 100│ Help             │                    │           │" "F1 opens the popup"
kx_expect_line "│  Liabilities            │ Accounts by name │                    │           │" "the lookup offered"
kx_keys Down Enter
kx_wait_text "Kgs:"
kx_type "7"
kx_keys Enter
kx_expect_line "│  Account         7.00____                                       │           │" "the total in the field"
kill -TERM "$(kx_pid)"
kx_expect_end 0
exit $fail
