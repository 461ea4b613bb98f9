#!/usr/bin/env bash
# Whole-program golden tests. Each folder of tests/e2e/golden is one case:
#   args      the command line after the program name (shell words)
#   program   "accounting" (default) or "administration"
#   exit      the expected exit code (default 0)
#   expected/ files the run must leave behind, compared byte for byte; an
#             expected NAME.pdf.txt stands for the PDF NAME.pdf, compared
#             by its summary (pages, page size, fonts, pictures) and its
#             text (pdftotext -layout), never by its bytes
#   stderr    lines that must each appear in what the run wrote to stderr
#   anything else is copied into the run's folder (procedures, INPUT files,
#   configuration files) over a copy of the program's demo application and
#   the pictures the build draws for it.
# The programs run headless in a fresh temporary folder, with a fixed time
# zone and locale; a difference is printed as a diff.
set -u
accounting=$1 administration=$2 source=$3
cases=${GOLDEN_CASES:-"$source/tests/e2e/golden"}
export TZ=UTC LC_ALL=C KX_UI=headless KX_UI_STALL=cancel
failed=0 passed=0

. "$source/tests/e2e/lib/pdf.bash"
for case in "$cases"/*/; do
  name=$(basename "$case")
  program=accounting
  [ -f "$case/program" ] && program=$(tr -d '[:space:]' <"$case/program")
  binary=$accounting
  [ "$program" = administration ] && binary=$administration
  want_exit=0
  [ -f "$case/exit" ] && want_exit=$(tr -d '[:space:]' <"$case/exit")
  work=$(mktemp -d)
  cp -R "$source/apps/$program/demo/." "$work/"
  for picture in "$(dirname "$binary")/demo/$program"/*.png; do
    [ -f "$picture" ] && cp "$picture" "$work/"
  done
  (cd "$case" && find . -mindepth 1 -maxdepth 1 ! -name args ! -name program ! -name exit ! -name expected ! -name stderr \
    -exec cp -R {} "$work/" \;)
  args=()
  [ -f "$case/args" ] && eval "args=($(cat "$case/args"))"
  (cd "$work" && timeout 30 "$binary" "--dpath=$work" "${args[@]}" </dev/null >"$work/.stdout" 2>"$work/.stderr")
  got_exit=$?
  ok=1
  if [ "$got_exit" != "$want_exit" ]; then
    echo "FAIL $name: exit code $got_exit, expected $want_exit"; sed 's/^/  stderr: /' "$work/.stderr"; ok=0
  fi
  if [ -d "$case/expected" ]; then
    for want in "$case/expected"/*; do
      file=$(basename "$want")
      got="$work/$file"
      case "$file" in
        *.pdf.txt)
          file=${file%.txt}
          if [ -f "$work/$file" ]; then pdf_summary "$work/$file" >"$work/.$file.txt"; got="$work/.$file.txt"; fi ;;
      esac
      if [ ! -f "$work/$file" ]; then
        echo "FAIL $name: $file was not written"; ok=0
      elif ! diff -u --label "expected/$(basename "$want")" --label "got/$(basename "$want")" "$want" "$got"; then
        echo "FAIL $name: $file differs"; ok=0
      fi
    done
  fi
  if [ -f "$case/stderr" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
      [ -z "$line" ] && continue
      if ! grep -qF -- "$line" "$work/.stderr"; then
        echo "FAIL $name: stderr lacks: $line"; sed 's/^/  stderr: /' "$work/.stderr"; ok=0
      fi
    done <"$case/stderr"
  fi
  if [ $ok = 1 ]; then passed=$((passed + 1)); echo "ok $name"; else failed=$((failed + 1)); fi
  rm -rf "$work"
done
echo "golden: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
