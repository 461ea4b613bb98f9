# Steps of the accounting demo's entry windows, for the UI scripts of their
# tests. Sourced after lib/admwindow.bash.
#   entry_open MENU DATE ENTRY   the steps that open Files > MENU and look
#                                the entry up (its lines shown)
#   program_close                closes the window and the program
entry_open() {
  printf '%s\n' 'wait-top class=COVCQT24' "menu \"Files>$1\"" 'wait-top class=Mant' 'click 2000' \
    "type \"$2\"" 'key Tab' "type \"$3\"" 'key Tab'
}
program_close() { printf '%s\n' 'close' 'close' 'answer Yes match "Close Program?"'; }
