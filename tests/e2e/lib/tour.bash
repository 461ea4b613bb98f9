# A person's tour of a demo program in a terminal, keys only (no mouse, no
# control ids): the tmux pane of tests/e2e/terminal/lib.bash, the menu bar
# walked with F10 and the arrows, buttons pressed with Alt and the letter
# the screen highlights, every step waiting on the text the screen must
# hold. Sourced after `set -u` with the test's arguments passed on:
#   tour_setup NAME PROGRAM SOURCE   the program and its demo NAME; sets
#                       program, menu (the demo's menu file)
#   tour_start COLS LINES   starts the program on a fresh copy of the demo
#                       in $work, in a pane of that size, and waits for its
#                       main window
#   tour_menu "A>B>C"   opens that menu entry as a person would: F10, Right
#                       to the popup, Down to the entry, Enter (each level)
#   tour_wait TEXT      waits (20 s at most) for the text; the screen is
#                       shown when it does not come
#   tour_gone TEXT      waits until the text has left the screen
#   tour_press CAPTION  presses the button of that caption with its key (F8
#                       Delete) or with Alt and the
#                       letter highlighted in it
#   tour_clear N        empties the focused field: End and N Backspaces
#   tour_main           waits for the main window to take keys again
#   tour_end            Esc and y on the main window: exit code 0
#   tour_entries        walks the entries of a table read from standard
#                       input, a line each: "path|text|keys". The entry is
#                       opened, the text waited for (the menu bar still
#                       seen above what opened), the keys pressed ("=TEXT"
#                       waits for a text first) and the main window waited
#                       for. A text "()" names instead a function that does
#                       the whole entry (its keys field).
#   tour_sizes TABLE    starts the program at 120x35 and at 80x24, walks
#                       the table the function TABLE prints and ends it
#   tour_records PATH CODE NAME VALUE...  the main job of a record window:
#                       a new record typed in (CODE, then NAME and the
#                       VALUEs a Tab apart) and
#                       saved with Enter on its last field, the window
#                       then empty; Esc back to the key search; the record
#                       found by its code with its values, renamed and
#                       saved (its Active mark reads "Y"), found again
#                       with its new name and deleted; looked up once more
#                       it is not found; Ctrl+W closes the window
#   tour_transactions   the table of Transfers > Transactions, alike in both
#                       programs: the file chooser of each, cancelled
#   tour_common         the entries alike in both programs: today's date,
#                       a screen font picked, the test page, About and Help
#   tour_listed         tour_sizes of the table read from standard input
#                       followed by tour_common
kx_test=${kx_test:-tour}
. "$(dirname "${BASH_SOURCE[0]}")/../terminal/lib.bash"

tour_setup() {
  program=$(realpath "$2")
  demo=$1 source=$3
  menu=$(ls "$source/apps/$demo/demo/"*MENU.PMT)
}

# The screen as it is, for the polls (cheaper than kx_screen).
tour_raw() { tmx capture-pane -p -t kx; }

# After a failure the rest of the tour is skipped at once. Polls every 0.1 s.
tour_wait() {
  [ "$fail" = 0 ] || return 1
  local until=$((SECONDS + 20))
  while [ $SECONDS -lt $until ]; do tour_raw | grep -qF -- "$1" && return 0; sleep 0.1; done
  echo "FAIL $kx_test ($size): \"$1\" never showed; the screen:"; kx_screen; fail=1; return 1
}

tour_gone() {
  [ "$fail" = 0 ] || return 1
  local until=$((SECONDS + 20))
  while [ $SECONDS -lt $until ]; do tour_raw | grep -qF -- "$1" || return 0; sleep 0.1; done
  echo "FAIL $kx_test ($size): \"$1\" stayed; the screen:"; kx_screen; fail=1; return 1
}

# The main window takes keys when the key line offers its menu bar.
tour_main() { tour_wait "F10 Menu"; }

tour_start() {
  size="$1x$2"
  find "$work" -mindepth 1 -delete
  cp -R "$source/apps/$demo/demo/." "$work/"
  cp -R "$(dirname "$program")/demo/$demo/." "$work/"
  kx_start "$1" "$2" "$program" "--dpath=$work"
  tour_main
}

# The keys of a menu path, read from the menu file: a tab per level, an
# entry with a command after a comma.
tour_menu_keys() {
  tr -d '\r' <"$menu" | awk -v path="$1" '
    BEGIN { n = split(path, want, ">"); level = 1; keys = "F10" }
    NF == 0 || level > n { next }
    {
      depth = match($0, /[^\t]/) - 1; name = substr($0, depth + 1); sub(/,.*/, "", name)
      if (depth + 1 < level) { level = n + 1; next }   # left the popup: not found
      if (depth + 1 > level) next                      # inside another entry
      if (name == want[level]) {
        keys = keys (level == 1 ? "" : " Enter"); level++
      } else keys = keys (level == 1 ? " Right" : " Down")
    }
    END { if (level == n + 1) print keys }'
}

tour_menu() {
  local keys
  keys=$(tour_menu_keys "$1")
  [ -n "$keys" ] || { echo "FAIL $kx_test: no menu entry $1"; fail=1; return 1; }
  tour_main || return 1
  # shellcheck disable=SC2086
  kx_keys $keys
}

# The letter a button's caption shows highlighted (bold and underlined),
# the caption in brackets or bare (a row of buttons short of room drops
# them): the caption with its marked letter, standing alone.
tour_letter() {
  tmx capture-pane -p -e -t kx |
    sed -E -e 's/\x1b\[([0-9;]*;)?1;4m(.)/{\2}/g' -e 's/\x1b\[[0-9;]*m//g' |
    awk -v want="$1" '{
      for (i = 1; i <= length(want); i++) {
        pat = substr(want, 1, i - 1) "{" substr(want, i, 1) "}" substr(want, i + 1)
        at = index($0, pat)
        if (!at) continue
        before = at == 1 ? " " : substr($0, at - 1, 1)
        after = substr($0, at + length(pat), 1)
        if (before ~ /[ [│]/ && (after == "" || after ~ /[] │]/)) { print tolower(substr(want, i, 1)); exit }
      }
    }'
}

tour_press() {
  local letter key
  # A button whose command has a key shows it before its caption ("F8 Delete").
  key=$(tmx capture-pane -p -t kx | grep -o "F[0-9]\+ $1" | head -n 1 | cut -d' ' -f1)
  [ -z "$key" ] || { kx_keys "$key"; return 0; }
  letter=$(tour_letter "$1")
  [ -n "$letter" ] || { echo "FAIL $kx_test ($size): no button \"$1\" with a letter or a key; the screen:"; kx_screen; fail=1; return 1; }
  kx_keys "M-$letter"
}

tour_clear() {
  # shellcheck disable=SC2046
  kx_keys End $(yes BSpace | head -n "$1")
}

tour_end() {
  tour_main
  kx_keys Escape
  tour_wait "Close Program?"
  kx_keys y
  kx_expect_end 0
}

# Whatever an entry opens leaves the main window's menu bar row seen.
tour_menu_bar_seen() {
  tour_raw | head -n 1 | grep -q "^  Procedures  Options" && return 0
  echo "FAIL $kx_test ($size): a window lies over the menu bar; the screen:"; kx_screen; fail=1; return 1
}

tour_entries() {
  local path shown leave k
  while IFS='|' read -r path shown leave; do
    case "$path" in "" | "#"*) continue ;; esac
    if [ "$shown" = "()" ]; then
      "$leave"
    else
      tour_menu "$path" && tour_wait "$shown" && tour_menu_bar_seen || break
      for k in $leave; do
        case "$k" in =*) tour_wait "${k#=}" || break ;; *) kx_keys "$k" ;; esac
      done
    fi
    tour_main || break
  done
  [ "$fail" = 0 ] || { echo "  (at $path)"; return 1; }
}

tour_sizes() {
  local cols lines
  for size in 120x35 80x24; do
    cols=${size%x*} lines=${size#*x}
    tour_start "$cols" "$lines" || continue
    tour_entries < <("$1")
    tour_end
  done
}

# Tours, at both sizes, the entries read from standard input and then those
# every demo has (tour_common).
tour_listed() {
  tour_list=$(cat)
  tour_sizes tour_listed_entries
}
tour_listed_entries() { printf '%s\n' "$tour_list"; tour_common; }

tour_transactions() {
  local t
  for t in "Export Relative" "Export Secuential" "Export Delimited" "Export List" "Import Relative" \
    "Import Secuential" "Import Delimited" Counter "Self Update" "Relational Update" Deletion; do
    echo "Transfers>Transactions>$t|Table Sel|Escape =User Canceled Enter"
  done
  echo "Transfers>Saved transactions|There are no saved configurations|Enter"
}

tour_records() {
  local code=$2 name=$3 v
  tour_menu "$1"
  tour_wait "Index search [PgDn/PgUp]" || return 1
  tour_press New
  tour_wait "Modify"
  kx_type "$code"
  shift 2
  for v; do kx_keys Tab; kx_type "$v"; done
  kx_keys Enter
  # The new record is saved and the window empty for the next one: no value
  # typed stays (those of three characters or more are looked for).
  tour_gone "$name"
  for v; do [ ${#v} -lt 3 ] || tour_gone "$v"; done
  kx_keys Escape
  tour_wait "Index search [PgDn/PgUp]"
  kx_type "$code"; kx_keys Tab
  tour_wait "$name" && tour_wait "Editing [PgDn/PgUp]" || return 1
  for v; do [ ${#v} -lt 3 ] || tour_wait "$v"; done
  tour_clear 40; kx_type "Renamed by the tour"
  tour_press Save
  tour_wait "Index search [PgDn/PgUp]"
  # Shown again after the save, the yes/no field reads as typed.
  tour_wait "Active        Y"
  tour_clear 10; kx_type "$code"; kx_keys Tab
  tour_wait "Renamed by the tour" && tour_wait "Editing [PgDn/PgUp]" || return 1
  tour_press Delete
  tour_wait "Delete Record(s)?"
  kx_keys y
  tour_gone "Renamed by the tour"
  tour_clear 10; kx_type "$code"; kx_keys Tab
  tour_wait "Key not Found"
  kx_keys Enter
  tour_gone "Key not Found"
  kx_keys C-w
}

tour_common() {
  cat <<'TOUR'
Procedures>Calculations>Date of today|written to today.txt|Enter
Options>Screen font|Courier New|Down Enter
Print>Test page|Peña Niño y Compañía|Escape
Help>About|framework build|Enter
Help>Help|Help Pages|Enter
TOUR
}
