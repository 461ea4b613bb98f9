#!/usr/bin/env bash
# The start-up's road to the main window, whole program, headless, in a
# temporary folder on a copy of the demo application: the main window with
# its menu bar and picture until a scripted close answered Yes; the INPUT
# file before it (in order, stopped by a failing line, a missing file, an
# over-long line, a form answered by the next line or shown and closed);
# RUN without a main window; the Font command from the menu; no menu file.
set -u
accounting=$(realpath "$1") administration=$(realpath "$2") source=$(realpath "$3")
export TZ=UTC LC_ALL=C
fail=0

# Runs a program in a fresh copy of its demo: program name, UI script text,
# then the options. Sets rc, log (the transcript) and err; $dir is the folder.
fresh() {  # program name
  dir=$(mktemp -d)
  cp -R "$source/apps/$1/demo/." "$dir/"
  dirs+=("$dir")
}
run() {  # binary, UI script text, options...
  local prog=$1 script=$2
  shift 2
  printf '%s\n' "$script" >"$dir/ui.txt"
  rm -f "$dir/transcript.txt"
  (cd "${cwd:-$dir}" && KX_UI=headless KX_UI_STALL=${stall:-fail} KX_UI_SCRIPT="$dir/ui.txt" KX_UI_TRANSCRIPT="$dir/transcript.txt" \
    timeout 20 "$prog" "--dpath=$dir" "$@" </dev/null >"$dir/out.txt" 2>"$dir/err.txt")
  rc=$?
  log=$(cat "$dir/transcript.txt" 2>/dev/null)
  err=$(cat "$dir/err.txt")
}
say() {  # case, ok?, what
  if [ "$2" = 1 ]; then echo "ok $1: $3"; else
    echo "FAIL $1: $3 (exit $rc)"; sed 's/^/  | /' <<<"$log" | tail -25; sed 's/^/  err: /' <<<"$err"; fail=1
  fi
}
has() { grep -aqF -- "$1" <<<"$log"; }
dirs=()
trap '[ -z "${KEEP:-}" ] && rm -rf "${dirs[@]}"' EXIT
# The person closes the main window (once it is on top) and answers Yes.
close_yes() { printf 'wait-top class=%s\nclose\nanswer Yes match "Close Program?"' "$1"; }

# No options: the main window of kind 11 (maximised, the application code as
# its class) with the bar and the compiled-in picture (no picture file in the
# folder); closed by the person and answered Yes: exit 0, run status 0.
for pair in "$accounting:accounting:COVCQT24:CO:Procedures|Options|Print|Tools|Files|Transfers|Year end|Help" \
            "$administration:administration:GAVGQT24:GA:Procedures|Options|Print|Files|Documents|Tools|Transfers|Help"; do
  IFS=: read -r prog name class prefix bar <<<"$pair"
  fresh "$name"
  run "$prog" "$(close_yes "$class")"
  ok=0
  has "create #1 class=\"$class\" title=\" Fenwold" && has "menu=\"$bar\"" && has 'show #1 max' &&
    grep -aq '^image #[0-9]* resource=102 name="Fenwold' <<<"$log" && has 'Close Program? (1 Screens, 1 Windows)" -> Yes' &&
    [ "$rc" -eq 0 ] && [ "$(head -c1 "$dir/${prefix}FSTAT.DAT")" = 0 ] && [ ! -e "$dir/logo_partner.bmp" ] && ok=1
  say "$name main window" $ok "kind 11 with its bar and picture 102, closed on Yes, run marked closed"
done

# Unattended (KX_UI_STALL=cancel, nothing scripted): the stand-in closes the
# main window left alone and answers the exit question Yes; the run ends.
fresh accounting
stall=cancel
run "$accounting" ''
stall=
ok=0
[ "$rc" -eq 0 ] && has 'stall #1: Esc' && has 'Close Program? (1 Screens, 1 Windows)" -> Yes' && has 'destroy #1' && ok=1
say "unattended" $ok "the main window closed by the stall policy, answered Yes"

# INPUT: three lines in order before the main window opens (the third shows
# a message, which comes before the window); a blank line is skipped.
fresh accounting
printf "MESSAGE 'third line'\r\n" >"$dir/third.prc"
printf "ExpEval x=WRITE('out.txt';-3;'1;')\r\n\r\nExpEval x=WRITE('out.txt';65535;'2;')\r\nPrcExec third.prc\r\n" >"$dir/cmds.txt"
run "$accounting" $'answer OK match "third line"\n'"$(close_yes COVCQT24)" /INPUT:cmds.txt
box=$(grep -an 'third line' <<<"$log" | cut -d: -f1)
win=$(grep -an 'class="COVCQT24"' <<<"$log" | cut -d: -f1)
ok=0
[ "$rc" -eq 0 ] && [ "$(cat "$dir/out.txt" 2>/dev/null)" = "1;2;" ] && [ -n "$box" ] && [ -n "$win" ] && [ "$box" -lt "$win" ] && ok=1
say "input" $ok "three commands in order, then the main window"

# A failing second line stops the file: the box names the word and the
# line, the third line never runs, no main window opens.
fresh accounting
printf "ExpEval x=WRITE('out.txt';-3;'1;')\r\nFrobnicate now\r\nExpEval x=WRITE('out.txt';65535;'3;')\r\n" >"$dir/cmds.txt"
run "$accounting" 'answer OK match "Process not defined: Frobnicate (cmds.txt line 2)"' /INPUT:cmds.txt
ok=0
[ "$rc" -eq 163 ] && [ "$(cat "$dir/out.txt")" = "1;" ] && ! has 'class="COVCQT24"' && ok=1
say "input failing line" $ok "stops the file with 163, names the verb, the file and the line, no main window"

# A missing INPUT file: 164 with its name, no main window.
fresh accounting
run "$accounting" 'answer OK match "nothere.txt"' /INPUT:nothere.txt
ok=0
[ "$rc" -eq 164 ] && ! has 'class="COVCQT24"' && ok=1
say "input missing" $ok "164 naming the file, no main window"

# A command line longer than the string area's room ends the batch: 146.
fresh accounting
{ printf "ExpEval x=WRITE('out.txt';-3;'1;')\r\nExpEval x='"; head -c 70000 /dev/zero | tr '\0' x; printf "'\r\nExpEval x=WRITE('out.txt';65535;'3;')\r\n"; } >"$dir/cmds.txt"
run "$accounting" 'answer OK match "cmds.txt line 2"' /INPUT:cmds.txt
ok=0
[ "$rc" -eq 146 ] && [ "$(cat "$dir/out.txt")" = "1;" ] && ! has 'class="COVCQT24"' && ok=1
say "input long line" $ok "ends the batch with 146 naming the file and the line"

# A form takes the next INPUT line as its answer; a form shown (its line
# empty) and closed by the person before the main window does not end the
# main loop that follows: the window waits for its own close.
fresh accounting
printf '%s\r\n' "02 ACBOUND\$:\"'Code:':'A6':c\$,'Name:':'A20':n\$\"" '02 WINNAME$:"Customer"' '02 ACCEPT_PRC%:9' >"$dir/FORMS.PPN"
printf "AcceptRun FORMS,2\r\n'A1','Smith'\r\nExpEval x=WRITE('out.txt';-3;c\$+'|'+n\$+';')\r\nAcceptRun FORMS,2\r\n\r\nExpEval x=WRITE('out.txt';65535;c\$+'|'+n\$)\r\n" >"$dir/cmds.txt"
run "$accounting" $'wait-top title="Customer"\ntype "B2"\nkey Tab\ntype "Jones"\nkey Enter\n'"$(close_yes COVCQT24)" /INPUT:cmds.txt
ok=0
[ "$rc" -eq 0 ] && [ "$(cat "$dir/out.txt")" = "A1|Smith;B2|Jones" ] && has 'Close Program? (1 Screens, 1 Windows)" -> Yes' && ok=1
say "input forms" $ok "a batch answer and a form shown during the batch, then the main loop until its close"

# RUN: no main window; the command runs and the program ends.
fresh accounting
run "$accounting" '' "/RUN:ExpEval x=WRITE('out.txt';-3;'ran')"
ok=0
[ "$rc" -eq 0 ] && [ "$(cat "$dir/out.txt")" = "ran" ] && ! has 'class="COVCQT24"' && ok=1
say "run" $ok "the command ran, no main window"

# RUN of a command that opens a maintenance window: the program goes on
# while the window is open (the person steps a record, then closes it).
fresh accounting
cp -R "$(dirname "$accounting")/demo/accounting/." "$dir/"
run "$accounting" $'wait-top class=MantDlg\nkey Down\nclose' "/RUN:MantMain COACC"
steps=$(grep -an '^> close' <<<"$log" | cut -d: -f1)
gone=$(grep -an '^destroy #1$' <<<"$log" | cut -d: -f1)
ok=0
[ "$rc" -eq 0 ] && has 'create #1 class="MantDlg"' && has '> key Down' && [ -n "$steps" ] && [ -n "$gone" ] &&
  [ "$steps" -lt "$gone" ] && ! has 'class="COVCQT24"' && ok=1
say "run window" $ok "the maintenance window stays until the person closes it"

# The Font command from the menu, the third of four lines chosen: it comes
# first, the others follow in their old order. The program runs from another
# folder: the file is the application folder's.
fresh accounting
cwd=$(mktemp -d)
dirs+=("$cwd")
run "$accounting" $'menu "Options>Screen font"\nwait-top title="Font"\nkey Down\nkey Down\nkey Enter\n'"$(close_yes COVCQT24)"
cwd=
ok=0
[ "$rc" -eq 0 ] &&
  [ "$(od -An -c "$dir/KXFONT.PPN" | tr -d ' \n')" = "$(printf '20;10;BOLD;DejaVu Sans Mono\r\n24;12;;Lucida Console\r\n16;8;;Courier New\r\n18;9;;Liberation Mono' | od -An -c | tr -d ' \n')" ] && ok=1
say "font" $ok "KXFONT.PPN rewritten with the third line first"

# No menu file: the main window opens without a bar.
fresh accounting
rm "$dir/C2MENU.PMT"
run "$accounting" "$(close_yes COVCQT24)"
ok=0
[ "$rc" -eq 0 ] && has 'create #1 class="COVCQT24"' && ! has 'menu=' && ok=1
say "no menu" $ok "the main window without a bar"

exit $fail
