#!/usr/bin/env bash
# Reading a 1,000-table schema: Ketterly's loader (schema_read_once: open, table list, four
# queries per table, exit) against the sqlite3 shell running the same statement and pragmas from
# a script on the same file. Whole processes, interleaved run by run (the order rotates), after
# one untimed warm-up run of each. Prints the median of each, the ratio and whether the
# targets hold: the loader at most 1.5 times the shell's time, and under 150 ms.
#
# Usage: bench/compare_shell.sh [RUNS]   (default 15; after scripts/build.sh, or set BUILD_DIR)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
runs="${1:-15}"
reader="$build/bench/schema_read_once"
command -v sqlite3 > /dev/null || { echo "compare_shell.sh: sqlite3 is not installed" >&2; exit 1; }
[[ -x "$reader" ]] || { echo "compare_shell.sh: build $reader first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

db="$work/thousand.db"
"$reader" --generate 1000 "$db"

# The shell's script, generated once: the loader's table list statement (its exact text), then
# per table, in the same order, its columns, keys and indexes, and the columns of each index.
list_statement=$'    SELECT name FROM sqlite_master \n    WHERE type = \'table\' \n    AND name NOT LIKE \'sqlite_%\'\n    ORDER BY name'
{
  printf '%s;\n' "$list_statement"
  sqlite3 "$db" "SELECT printf('PRAGMA main.table_xinfo(\"%w\");%sPRAGMA main.foreign_key_list(\"%w\");%sPRAGMA main.index_list(\"%w\");',
                                 name, char(10), name, char(10), name)
                        || coalesce((SELECT group_concat(printf('%sPRAGMA main.index_info(\"%w\");', char(10), i.name), '')
                                     FROM pragma_index_list(t.name) i), '')
                 FROM ($list_statement) t"
} > "$work/read.sql"

# Both must have done the whole reading: the loader's counts against SQLite's, and the shell's
# row count against the same counts.
ours_read="$("$reader" "$db")"
expected="$("$reader" --count "$db")"
if [[ "$ours_read" != "$expected" ]]; then
  echo "compare_shell.sh: the loader read '$ours_read'; SQLite lists '$expected'" >&2
  exit 1
fi
read -r tables _ columns _ keys _ _ indexes _ index_columns _ <<< "${expected//,/}"
shell_rows="$(sqlite3 -readonly "file:$db?immutable=1" < "$work/read.sql" | wc -l)"
if ((shell_rows != tables + columns + keys + indexes + index_columns)); then
  echo "compare_shell.sh: the shell printed $shell_rows rows for $expected" >&2
  exit 1
fi

# The shell opens the file as the loader does: read-only and immutable (no locking). For
# reference only, the shell's default open as well, which takes and drops a shared lock around
# every statement.
run_ours() { "$reader" "$db" > /dev/null; }
run_shell() { sqlite3 -readonly "file:$db?immutable=1" < "$work/read.sql" > /dev/null; }
run_shell_locking() { sqlite3 -readonly "$db" < "$work/read.sql" > /dev/null; }
# Microseconds from bash's own clock, read in place: no `date` or subshell inside a timing.
time_us() {
  local start=$EPOCHREALTIME
  "$@"
  local end=$EPOCHREALTIME
  echo $((10#${end/[.,]/} - 10#${start/[.,]/}))
}

run_ours; run_shell; run_shell_locking
ours=() shell=() locking=()
for ((i = 0; i < runs; i++)); do
  # Each of the three goes first, second and third equally often.
  for ((k = 0; k < 3; k++)); do
    case $(((i + k) % 3)) in
      0) ours+=("$(time_us run_ours)") ;;
      1) shell+=("$(time_us run_shell)") ;;
      2) locking+=("$(time_us run_shell_locking)") ;;
    esac
  done
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
m_ours=$(median "${ours[@]}")
m_shell=$(median "${shell[@]}")
m_locking=$(median "${locking[@]}")
ms() { awk -v m="$1" 'BEGIN {printf "%.1f", m / 1000}'; }
echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, $(sqlite3 --version | cut -d' ' -f1-2 | sed 's/^/sqlite3 /')"
echo "database: $expected ($(stat -c %s "$db") bytes, $(df -T "$work" | awk 'NR == 2 {print $2}'))"
echo "runs: $runs each, whole processes, interleaved"
echo "loader (schema_read_once):          median $(ms "$m_ours") ms  [${ours[*]} us]"
echo "sqlite3 shell, immutable:           median $(ms "$m_shell") ms  [${shell[*]} us]"
echo "sqlite3 shell, default open (ref.): median $(ms "$m_locking") ms  [${locking[*]} us]"
awk -v a="$m_ours" -v b="$m_shell" 'BEGIN {
  ratio = a / b
  printf "ratio loader/shell: %.2f\n", ratio
  if (ratio <= 1.5) printf "target ratio <= 1.5: met\n"
  else printf "target ratio <= 1.5: MISSED by %.0f%%\n", (ratio / 1.5 - 1) * 100
  if (a < 150000) printf "target loader < 150 ms: met\n"
  else printf "target loader < 150 ms: MISSED by %.1f ms\n", (a - 150000) / 1000
}'
