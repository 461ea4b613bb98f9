# The administration demo run headless on a fresh copy of its application
# directory and demo records, for the tests of its document windows.
# Sourced after `set -u`; the test's arguments are passed on.
#   adm_setup ARGS...   sets administration, kxdump, work (removed on exit),
#                       app (the copy) and fail=0; exports the headless run
#   adm_run             runs the program on $app/ui.txt; a failure is
#                       reported with the transcript's last steps (fail=1)
adm_setup() {
  administration=$(realpath "$2") source=$(realpath "$3")
  local bin
  bin=$(dirname "$administration")
  kxdump="$bin/kxdump"
  export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=fail
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  app="$work/app"
  mkdir -p "$app"
  cp -R "$source/apps/administration/demo/." "$app/"
  cp -R "$bin/demo/administration/." "$app/"
  fail=0
}

adm_run() {
  (cd "$app" && KX_UI_SCRIPT=ui.txt KX_UI_TRANSCRIPT=ui.log timeout 40 "$administration" "--dpath=$app" \
    </dev/null >"$work/out.txt" 2>&1)
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAIL: exit code $rc"; sed 's/^/  /' "$work/out.txt"
    grep -a '^failed\|^stall\|^box' "$app/ui.log" | sed 's/^/  ui: /'
    grep -av '^text\|^create\|^destroy\|^enable' "$app/ui.log" | tail -12 | sed 's/^/  ui: /'; fail=1
  fi
}
