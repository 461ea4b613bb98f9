#!/usr/bin/env bash
# The business benchmarks side by side with their peers, as one table: each
# program run KX_BENCH_RUNS times (default 5), the median of each figure,
# the ratio ours/peer and the growth of ours per 10x (or from 10k to 40k
# rows for the grid). The larger sizes (10^6) run only with KX_BENCH_LARGE=1.
#   bench/table.sh [build folder with bench/ and the accounting program]
# The record store's commits (bench_recfile) and the balances with the files
# closed per call (against the same balances with the files open) come with
# the balance rows.
# Peers and their settings are those of each program (see its header): SQLite
# in WAL mode with synchronous=FULL where our files are synced, ledger 3.3 on
# the same journal, a plain C++ formatter writing the report's bytes, Lua 5.4.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
bin=$build/bench
runs=${KX_BENCH_RUNS:-5}
large=${KX_BENCH_LARGE:-0}
raw=$(mktemp)
trap 'rm -f "$raw"' EXIT

# Figures go to $raw as "key value" lines, one per run.
note() { echo "$1 $2" >>"$raw"; }

run_invoicing() {
  local filter='/10000/|/100000/'
  "$bin/bench_invoicing" --benchmark_filter="$filter" 2>/dev/null |
    awk '$6 == "yes" || $6 == "NO" { print "inv_ours_" $1, $3; print "inv_peer_" $1, $4 }' >>"$raw"
}
run_balance() {
  local filter='/100000/'
  [ "$large" = 1 ] && filter='/100000/|/1000000/'
  "$bin/bench_balance" --benchmark_filter="$filter" 2>/dev/null |
    awk '$1 == "year" && $2 ~ /^[0-9]+$/ { print "bal_ours_" $2, $4; print "bal_peer_" $2, $6;
                                           print "balc_ours_" $2, $5; print "balc_peer_" $2, $4 }' >>"$raw"
}
run_commits() {
  local filter='Commit.*/10000/|Commit.*/100000/'
  [ "$large" = 1 ] && filter='Commit'
  "$bin/bench_recfile" --benchmark_filter="$filter" 2>/dev/null |
    awk '$1 == "commit" { print "cm_" $2 "_ours_" $3, $4; print "cm_" $2 "_peer_" $3, $5 }' >>"$raw"
}
run_report() {
  "$bin/bench_report" 2>/dev/null |
    awk '$NF == "same" && $(NF - 1) == "agree" && $1 ~ /^[0-9]+$/ { print "rep_ours_" $1, $4; print "rep_peer_" $1, $5 }' >>"$raw"
}
# The balance rebuilt from the entry lines (the maintenance of the year) and
# the undo of the year close, each against `ledger bal` on the same journal.
run_rebuild() {
  local filter='/10000/|/100000/'
  [ "$large" = 1 ] && filter='/10000/|/100000/|/1000000/'
  "$bin/bench_yearclose" --benchmark_filter="$filter" 2>/dev/null |
    awk 'NF == 10 && $1 ~ /^[0-9]+$/ && $10 ~ /^[0-9]+\/[0-9]+$/ {
      split($10, a, "/"); if (a[1] != a[2]) next
      print "reb_ours_" $1, $4; print "reb_peer_" $1, $6; print "und_ours_" $1, $3; print "und_peer_" $1, $6 }' >>"$raw"
}
run_statistics() {
  local filter='/100000/'
  [ "$large" = 1 ] && filter='/100000/|/1000000/'
  "$bin/bench_statistics" --benchmark_filter="$filter" 2>/dev/null |
    awk 'NF == 5 && $1 ~ /^[0-9]+$/ { print "sta_ours_" $1, $3; print "sta_peer_" $1, $4 }' >>"$raw"
}
run_script() {
  "$here/script_process.sh" "$build/accounting" 2>/dev/null |
    awk '/^medians:/ { print "scr_ours_1000000", $3; print "scr_peer_1000000", $6 }' >>"$raw"
}
run_grid() {
  "$bin/bench_gridbuf" --benchmark_filter=ByRule 2>/dev/null |
    awk '/^BM_FindAllByRule\// { split($1, a, "/"); print "grid_ours_" a[2], $2 }' >>"$raw"
}

for ((k = 1; k <= runs; ++k)); do
  echo "run $k of $runs" >&2
  run_invoicing
  run_balance
  run_commits
  run_report
  run_rebuild
  run_statistics
  run_grid
done
# The whole-process script loop: the script itself takes the median of 3.
run_script

median() { awk -v k="$1" '$1 == k { print $2 }' "$raw" | sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

row() {  # label key peer-name sizes...
  local label=$1 key=$2 peer=$3
  shift 3
  local first="" firstn="" last="" lastn=""
  for n in "$@"; do
    local o p
    o=$(median "${key}_ours_$n")
    [ -z "$o" ] && continue
    p=$(median "${key}_peer_$n")
    if [ -n "$p" ]; then
      printf "| %s | %s | %.1f ms | %s %.1f ms | %.2f |\n" "$label" "$n" "$o" "$peer" "$p" "$(awk -v a="$o" -v b="$p" 'BEGIN { print a / b }')"
    else
      printf "| %s | %s | %.1f ms | - | - |\n" "$label" "$n" "$o"
    fi
    [ -z "$first" ] && first=$o firstn=$n
    last=$o lastn=$n
  done
  if [ -n "$first" ] && [ "$firstn" != "$lastn" ]; then
    awk -v a="$first" -v b="$last" -v m="$firstn" -v n="$lastn" -v l="$label" \
      'BEGIN { printf "| %s | growth %d -> %d | %.1fx | (linear %.0fx) | |\n", l, m, n, b / a, n / m }'
  fi
}

echo
echo "median of $runs runs (script: median of 3 whole processes)"
echo "| work | n | ours | peer | ours/peer |"
echo "|---|---|---|---|---|"
row "invoicing run" inv "SQLite" 10000 100000
row "balance (stored totals)" bal "ledger bal" 100000 1000000
row "balances, files closed per call" balc "files open" 100000 1000000
row "save, key same" cm_save_key_same "SQLite WAL full sync" 10000 100000 1000000
row "save, key moves" cm_save_key_moves "SQLite WAL full sync" 10000 100000 1000000
row "document save, 100 lines" cm_doc_save_100 "SQLite WAL full sync" 10000 100000 1000000
row "reopen unchanged file" cm_reopen "SQLite open + select" 10000 100000 1000000
row "balance rebuild (year's maintenance)" reb "ledger bal" 10000 100000 1000000
row "undo of the year close" und "ledger bal" 10000 100000 1000000
row "text report" rep "plain formatter" 10000 100000
row "statistics ACUM" sta "SQLite GROUP BY" 100000 1000000
row "script loop, whole process" scr "Lua 5.4" 1000000
row "GridRowFindAll by rule" grid "none" 10000 20000 40000
