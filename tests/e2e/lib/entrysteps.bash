# Steps of the accounting demo's entry windows, for the UI scripts of their
# tests. Sourced after lib/admwindow.bash.
#   entry_open MENU DATE ENTRY   the steps that open Files > MENU and look
#                                the entry up (its lines shown)
#   program_close                closes the window and the program
#   entry_run SCRIPT             runs the program on the UI script SCRIPT
#   entry_lines KEY              the lines of the entry KEY (date and number
#                                as stored) in key order, "number:concept|..."
entry_open() {
  printf '%s\n' 'wait-top class=COVCQT24' "menu \"Files>$1\"" 'wait-top class=Mant' 'click 2000' \
    "type \"$2\"" 'key Tab' "type \"$3\"" 'key Tab'
}
program_close() { printf '%s\n' 'close' 'close' 'answer Yes match "Close Program?"'; }
entry_run() {
  printf '%s\n' "$1" >"$app/ui.txt"
  window_run
}
entry_lines() {
  fold -b -w 107 "$app/ENTRIES.FD" | grep -a "^$1" | sort |
    awk '{ n = substr($0, 15, 3) + 0; c = substr($0, 54, 40); sub(/ +$/, "", c); printf "%s%d:%s", (NR > 1 ? "|" : ""), n, c }'
}
