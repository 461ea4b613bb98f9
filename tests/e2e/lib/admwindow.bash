# A demo program run headless on a fresh copy of its application directory
# and demo records, for the tests of its windows. Sourced after `set -u`;
# the test's arguments are passed on.
#   window_setup NAME PROGRAM SOURCE   sets program, kxdump, work (removed on
#                       exit), app (the copy of demo NAME) and fail=0;
#                       exports the headless run
#   window_run          runs the program on $app/ui.txt; a failure is
#                       reported with the transcript's last steps (fail=1)
#   adm_setup ARGS...   the administration program (sets administration)
#   adm_run             the same as window_run, the invoice window's
#                       fields named in the script by their names
#                       (@NUMBER, @ARTICLE): window_field_ids GADOC
#   window_field_ids SCREEN   in $app/ui.txt, each @NAME of a field of the
#                       screen's FD$ becomes its control's id, so a test
#                       does not depend on where the field stands
window_setup() {
  program=$(realpath "$2")
  local source bin
  source=$(realpath "$3")
  bin=$(dirname "$program")
  kxdump="$bin/kxdump"
  export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  app="$work/app"
  mkdir -p "$app"
  cp -R "$source/apps/$1/demo/." "$app/"
  cp -R "$bin/demo/$1/." "$app/"
  fail=0
}

window_run() {
  (cd "$app" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui.log timeout 40 "$program" "--dpath=$app" \
    </dev/null >"$work/out.txt" 2>&1)
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL: exit code $rc"; sed 's/^/  /' "$work/out.txt"
    grep -a '^failed\|^stall\|^box' "$app/ui.log" | sed 's/^/  ui: /'
    grep -av '^text\|^create\|^destroy\|^enable' "$app/ui.log" | tail -12 | sed 's/^/  ui: /'; fail=1
  fi
}

adm_setup() {
  window_setup administration "$2" "$3"
  administration=$program
}

window_field_ids() {
  local fd i=0 name
  fd=$(tr -d '\r' <"$app/$1.PPN" | sed -n 's/^01 FD\$:"\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' | head -n 1)
  [ -n "$fd" ] || { echo "FAIL: no FD\$ in $1.PPN"; fail=1; return 1; }
  local sedargs=()
  IFS=, read -r -a names <<<"$fd"
  for name in "${names[@]}"; do
    sedargs+=(-e "s/@${name//$/\\$}\\( \\|\$\\)/$((2000 + i))\\1/g")
    i=$((i + 1))
  done
  sed -i "${sedargs[@]}" "$app/ui.txt"
  if grep -q '@[A-Z_]' "$app/ui.txt"; then echo "FAIL: fields not in $1: $(grep -o '@[A-Z_$]*' "$app/ui.txt" | sort -u)"; fail=1; return 1; fi
}

adm_run() { window_field_ids GADOC && window_run; }
