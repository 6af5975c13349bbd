#!/usr/bin/env bash
# Reading a 1,000-table schema: Ketterly's loader against the sqlite3 shell running the same
# statement and pragmas from a script, on the same file, interleaved run by run.
# Usage: bench/compare_shell.sh [RUNS]   (after scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
runs="${1:-15}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

db="$work/thousand.db"
"$build/bench/schema_read_once" --generate 1000 "$db"

# The shell script: the table list, then per table its columns, keys and indexes, and the
# columns of each index.
{
  printf "    SELECT name FROM sqlite_master \n    WHERE type = 'table' \n    AND name NOT LIKE 'sqlite_%%'\n    ORDER BY name;\n"
  sqlite3 "$db" "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name" |
    while read -r table; do
      printf 'PRAGMA main.table_xinfo("%s");\nPRAGMA main.foreign_key_list("%s");\nPRAGMA main.index_list("%s");\n' \
        "$table" "$table" "$table"
      sqlite3 "$db" "SELECT name FROM pragma_index_list('$table')" | while read -r index; do
        printf 'PRAGMA main.index_info("%s");\n' "$index"
      done
    done
} > "$work/read.sql"

now() { date +%s%N; }
ours=() shell=()
for ((i = 0; i < runs; i++)); do
  start=$(now); "$build/bench/schema_read_once" "$db" > /dev/null; ours+=($(( ($(now) - start) / 1000 )))
  start=$(now); sqlite3 -readonly "$db" < "$work/read.sql" > /dev/null; shell+=($(( ($(now) - start) / 1000 )))
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
m_ours=$(median "${ours[@]}")
m_shell=$(median "${shell[@]}")
echo "runs: $runs (whole processes, microseconds)"
echo "ketterly loader: median ${m_ours} us"
echo "sqlite3 shell:   median ${m_shell} us"
awk -v a="$m_ours" -v b="$m_shell" 'BEGIN {printf "ratio loader/shell: %.2f\n", a / b}'
