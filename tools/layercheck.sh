#!/usr/bin/env bash
# Checks the #include lines of every source of the layers under ROOT (the
# tests and the benchmarks excepted: they may include any layer and any
# library). Layers, bottom to top:
#   platform runtime script data screens devices app (start-up) apps tools
# A file may include headers of its own layer and of layers below it; a
# quoted include must name its file by its full path from ROOT, sub-folders
# included ("screens/documents/docengine.h"): a layer's sub-folders are rooms
# of that layer and rank with it. Operating-system headers (a system
# header with ".h" or a "/" in its name, <cerrno>, <csignal>) only in
# platform/. Prints each offending line as FILE:LINE: REASON: TEXT and exits
# 1 when there is one, 0 otherwise.
set -euo pipefail
root="${1:-.}"
cd "$root"
layers="platform runtime script data screens devices app apps tools"
dirs=()
for d in $layers; do [ -d "$d" ] && dirs+=("$d"); done
[ ${#dirs[@]} -gt 0 ] || { echo "no layer folders under $root" >&2; exit 2; }
files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "${dirs[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
awk -v layers="$layers" '
    BEGIN {
      n = split(layers, names, " ")
      for (i = 1; i <= n; i++) rank[names[i]] = i
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
    FNR == 1 { split(FILENAME, parts, "/"); own = parts[1] }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
      path = $0
      sub(/^[^"]*"/, "", path)
      sub(/".*$/, "", path)
      top = path
      sub(/\/.*$/, "", top)
      if (!(top in rank) || top == path) report("include without a layer folder")
      else if (rank[top] > rank[own]) report("include goes up from " own "/ to " top "/")
      else if (!exists(path)) report("include names no file at its full path")
      next
    }
    /^[ \t]*#[ \t]*include[ \t]*</ {
      name = $0
      sub(/^[^<]*</, "", name)
      sub(/>.*$/, "", name)
      os = name ~ /\.h$/ || name ~ /\// || name == "cerrno" || name == "csignal"
      if (os && own != "platform") report("operating-system header outside platform/")
    }
    END { exit bad }
  ' "${files[@]}"
