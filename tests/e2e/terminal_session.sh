#!/usr/bin/env bash
# The window system in a terminal: the main window and its menu opened with
# F10, a record form opened from the menu, keys typed and their virtual keys,
# "Peña" shown as UTF-8 and "ñ" stored as byte F1, the next record, a delete
# answered No from the keyboard, Esc back to the main window, a resize, and
# the exit question answered Y (exit code 0, terminal modes as before); in a
# locale without those characters, "?" and plain frames.
set -u
demo=$4 expected=$3/tests/e2e/terminal
kx_test=session
. "$3/tests/e2e/terminal/lib.bash"
# A picture of one white pixel (a BMP the window system takes).
printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0\xff\xff\xff\0' >"$work/logo.bmp"
kx_start 80 24 "$demo"
kx_expect_screen "$expected/main.txt"
kx_keys F10
kx_expect_screen "$expected/menu.txt"
kx_keys Enter
kx_expect_screen "$expected/form.txt"

# Every key a form field can get, as the virtual key the program sees.
for k in F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 Up Down Left Right PPage NPage Home End C-End BSpace DC C-] Escape; do
  kx_keys "$k"
done
for _ in $(seq 1 100); do grep -q '^down 27' "$work/keys.log" 2>/dev/null && break; sleep 0.05; done
want="112 113 114 115 116 117 118 119 120 121 122 38 40 37 39 33 34 36 35 35+ctrl 8 46 221+ctrl 27"
got=$(grep '^down' "$work/keys.log" | grep -v -e '^down 17' -e '^down 16' | cut -d' ' -f2 | tr '\n' ' ' | sed 's/ $//')
if [ "$got" = "$want" ]; then echo "ok session: keys"; else echo "FAIL session: keys $got, expected $want"; fail=1; fi
grep -q '^char 29$' "$work/keys.log" || { echo "FAIL session: Ctrl+] typed no character 29"; fail=1; }

# Esc closed the form; open it again, type at the end of the name and save.
kx_expect_screen "$expected/main.txt"
kx_keys F10 Enter
kx_wait_text "Name:     Peña"
kx_keys End
kx_type "ñ"
kx_wait_text "Name:     Peñañ_"
kx_keys BTab BTab Enter  # Shift+Tab twice from the name: Save
for _ in $(seq 1 100); do [ -s "$work/saved.txt" ] && break; sleep 0.05; done
if [ "$(cat "$work/saved.txt" 2>/dev/null)" = "5065F161F1" ]; then echo "ok session: ñ stored as F1"
else echo "FAIL session: saved $(cat "$work/saved.txt" 2>/dev/null), expected 5065F161F1"; fail=1; fi
kx_keys BTab Enter  # Next
kx_wait_text "Name:     García"
kx_keys Tab Tab Enter  # Delete
kx_expect_screen "$expected/delete.txt"
kx_keys n
kx_wait_text "[ Delete ]"
grep -q '^delete no$' "$work/events.log" || { echo "FAIL session: the delete was not answered No"; fail=1; }
kx_keys Escape
kx_expect_screen "$expected/main.txt"

tmx resize-window -t kx -x 100 -y 30
kx_expect_screen "$expected/main-100x30.txt"
kx_keys Escape
kx_wait_text "Exit the program?"
kx_keys y
kx_expect_end 0

# Where the locale's codeset has no such character the terminal shows "?",
# and frames fall back to plain characters.
KX_LOCALE=C kx_start 80 24 "$demo"
kx_wait_text "- Demo --"
kx_keys F10 Enter
kx_wait_text "| Name:     Pe?a_"
kx_keys Escape Escape
kx_wait_text "Exit the program?"
kx_keys y
kx_expect_end 0
exit $fail
