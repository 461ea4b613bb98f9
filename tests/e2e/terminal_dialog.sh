#!/usr/bin/env bash
# The file dialog in a terminal: a prompt showing its title and filters with
# the initial name proposed; a typed path is the answer (typed "ñ" arrives as
# byte F1), an empty line cancels.
set -u
demo=$4 expected=$3/tests/e2e/terminal
kx_test=dialog
. "$3/tests/e2e/terminal/lib.bash"
kx_start 80 24 "$demo"
kx_wait_text "F10 Menu"
kx_keys F10 o
kx_expect_screen "$expected/dialog.txt"
for _ in $(seq 1 12); do kx_keys BSpace; done
kx_type "data/Peña.PAN"
kx_wait_text "File: data/Peña.PAN"
kx_keys Enter
kx_wait_text "file data/Peña.PAN"
kx_keys F10 o
kx_wait_text "File: CUSTOMER.PAN"
for _ in $(seq 1 12); do kx_keys BSpace; done
kx_keys Enter
kx_wait_text "file cancel"
want=$(printf 'file data/Pe\xf1a.PAN\nfile cancel')
if [ "$(grep -a '^file' "$work/events.log")" = "$want" ]; then echo "ok dialog: answers"
else echo "FAIL dialog: answers"; cat -v "$work/events.log"; fail=1; fi
kx_keys Escape
kx_wait_text "Exit the program?"
kx_keys y
kx_expect_end 0
exit $fail
