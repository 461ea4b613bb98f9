#!/usr/bin/env bash
# Checks the #include lines of every source of the layers under ROOT (the
# tests and the benchmarks excepted: they may include any layer and any
# library). Layers, bottom to top:
#   platform runtime script data screens devices app (start-up) apps tools
# A file may include headers of its own layer and of layers below it; a
# quoted include must name its file by its full path from ROOT, sub-folders
# included ("screens/documents/docengine.h"): a layer's sub-folders are rooms
# of that layer and rank with it. A project header is included with quotes,
# never with angle brackets. One program (apps/accounting) never includes
# the other's (apps/administration) and the other way round: what both need
# lives in a layer below. Operating-system headers (a system header with
# ".h" or a "/" in its name) and the standard headers that reach the system
# clock, files, threads, signals or errno (the list "oslike" below) only in
# platform/, except the documented exceptions below. Prints each offending
# line as FILE:LINE: REASON: TEXT and exits 1 when there is one, 0
# otherwise.
set -euo pipefail
root="${1:-.}"
cd "$root"
layers="platform runtime script data screens devices app apps tools"
# Standard headers that reach the operating system. <atomic> and <mutex> are
# in: a layer above platform/ that needs them is running threads of its own,
# which only platform/ does.
oslike="cerrno csignal csetjmp ctime chrono thread jthread stop_token mutex shared_mutex condition_variable
  future semaphore latch barrier atomic fstream filesystem"
# Documented exceptions: FILE:HEADER, each with its reason.
exceptions=(
  # A build-time generator (run by the build, never shipped in a program):
  # writes the picture source it makes with the standard stream.
  "tools/kxpicture.cpp:fstream"
)
dirs=()
for d in $layers; do [ -d "$d" ] && dirs+=("$d"); done
[ ${#dirs[@]} -gt 0 ] || { echo "no layer folders under $root" >&2; exit 2; }
files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "${dirs[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
awk -v layers="$layers" -v oslike="$oslike" -v exceptions="${exceptions[*]}" '
    BEGIN {
      n = split(layers, names, " ")
      for (i = 1; i <= n; i++) rank[names[i]] = i
      n = split(oslike, names, /[ \t\n]+/)
      for (i = 1; i <= n; i++) if (names[i] != "") stdos[names[i]] = 1
      n = split(exceptions, names, " ")
      for (i = 1; i <= n; i++) allowed[names[i]] = 1
      bad = 0
    }
    function exists(path,    line, rc) {
      rc = (getline line < path)
      close(path)
      return rc >= 0
    }
    function report(reason) {
      printf "%s:%d: %s: %s\n", FILENAME, FNR, reason, $0
      bad = 1
    }
    FNR == 1 {
      np = split(FILENAME, parts, "/")
      own = parts[1]
      program = own == "apps" && np > 2 ? parts[2] : ""
    }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
      path = $0
      sub(/^[^"]*"/, "", path)
      sub(/".*$/, "", path)
      top = path
      sub(/\/.*$/, "", top)
      if (!(top in rank) || top == path) report("include without a layer folder")
      else if (rank[top] > rank[own]) report("include goes up from " own "/ to " top "/")
      else if (!exists(path)) report("include names no file at its full path")
      else if (top == "apps" && program != "" && split(path, pp, "/") > 2 && pp[2] != program)
        report("include goes from apps/" program "/ to apps/" pp[2] "/")
      next
    }
    /^[ \t]*#[ \t]*include[ \t]*</ {
      name = $0
      sub(/^[^<]*</, "", name)
      sub(/>.*$/, "", name)
      top = name
      sub(/\/.*$/, "", top)
      if ((top in rank && top != name) || exists(name)) {
        report("project header included with angle brackets")
        next
      }
      os = name ~ /\.h$/ || name ~ /\// || name in stdos
      if (os && own != "platform" && !((FILENAME ":" name) in allowed))
        report("operating-system header outside platform/")
    }
    END { exit bad }
  ' "${files[@]}"
