#!/usr/bin/env bash
# Lays out the generated schemas (100 to 3,000 tables) with our prepareTables and with Graphviz
# `dot -Tplain`, and prints the times and crossing counts side by side.
#
# Environment: BUILD_DIR (default build/), DOT_RUNS (runs of dot per size, default 3),
# DOT_TIMEOUT (seconds per dot run, default 120), OUR_RUNS (our runs per size, default 5),
# KEEP_DIR (keep the DOT and plain files there instead of a temporary directory).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
dot_runs="${DOT_RUNS:-3}"
dot_timeout="${DOT_TIMEOUT:-120}"
our_runs="${OUR_RUNS:-5}"

if ! command -v dot >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing graphviz" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends graphviz >&2
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target layout_compare >/dev/null
compare="$build/bench/layout_compare"

if [ -n "${KEEP_DIR:-}" ]; then
  work="$KEEP_DIR"
  mkdir -p "$work"
else
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(dot -V 2>&1)" >&2
echo "Timing prepareTables (median of up to $our_runs runs per size)..." >&2
"$compare" --out "$work" --runs "$our_runs" >"$work/ours.tsv"

rows=()
while IFS=$'\t' read -r tables keys ours runs layering straight dotfile; do
  plain="${dotfile%.dot}.plain"
  times=()
  status=""
  for ((r = 0; r < dot_runs; ++r)); do
    start=$(date +%s%N)
    if timeout "$dot_timeout" dot -Tplain "$dotfile" -o "$plain"; then
      end=$(date +%s%N)
      times+=("$(((end - start) / 1000))")
    else
      rc=$?
      [ "$rc" -eq 124 ] && status="timed out (${dot_timeout} s)" || status="failed ($rc)"
      break
    fi
  done
  if [ -n "$status" ]; then
    dot_ms="$status"
    ratio="-"
    dot_cross="-"
  else
    dot_ms=$(printf '%s\n' "${times[@]}" | median | awk '{ printf "%.1f", $1 / 1000 }')
    ratio=$(awk -v a="$ours" -v b="$dot_ms" 'BEGIN { printf "%.2f", a / b }')
    dot_cross=$("$compare" --plain-crossings "$plain")
  fi
  rows+=("$(printf '%s / %s\t%.1f (%s)\t%s (%s)\t%s\t%s\t%s\t%s' "$tables" "$keys" "$ours" "$runs" "$dot_ms" \
    "${#times[@]}" "$ratio" "$layering" "$straight" "$dot_cross")")
  echo "  $tables tables done" >&2
done <"$work/ours.tsv"

{
  printf 'tables / keys\tours ms (runs)\tdot ms (runs)\tours/dot\tours crossings (layering)\tours crossings (straight, approx)\tdot crossings (straight, approx)\n'
  printf '%s\n' "${rows[@]}"
} | column -t -s $'\t'
