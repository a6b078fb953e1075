#!/usr/bin/env bash
# Backup speed and memory, side by side in one run: `cardlark-db backup` of a
# table of about 200 MB (ADDRESS.DBF + ADDRESS.fpt) against Debian's `zip -6`
# and, when installed, `pigz -6 -p N` (N = the number of cores) on the same
# two files, then our second run with the files unchanged (both entries
# kept). Prints wall and CPU times (user + system; best of ROUNDS, files in
# the page cache), peak memory (maximum resident set size), archive sizes and
# the ratios with their limits. The wall-time limit against zip -6 is 0.55
# with several cores (the backup deflates on all of them) and 1.20 on one.
#
#   bench/zip_vs_zip.sh                 # build/ and a fresh table in a temporary folder
#   BUILD_DIR=build-x DATA_DIR=/tmp/t TARGET_MB=200 ROUNDS=3 bench/zip_vs_zip.sh
#
# DATA_DIR keeps the generated table between runs (it is made once, through
# cardlark-gen and `cardlark-db import`, when it holds no table yet).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
TARGET_MB=${TARGET_MB:-200}
ROUNDS=${ROUNDS:-3}
DATA_DIR=${DATA_DIR:-$(mktemp -d)}
OUT_DIR=$(mktemp -d)
trap 'rm -rf "$OUT_DIR"' EXIT
CORES=$(nproc)

for tool in zip unzip /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 2; }
done
cmake --build "$BUILD_DIR" --target cardlark-db cardlark-gen >/dev/null
DB="$BUILD_DIR/bin/cardlark-db"
GEN="$BUILD_DIR/bin/cardlark-gen"

table_bytes() {
  local total=0 f
  for f in "$DATA_DIR"/ADDRESS.DBF "$DATA_DIR"/ADDRESS.fpt; do
    [ -f "$f" ] && total=$((total + $(stat -c %s "$f")))
  done
  echo "$total"
}

# Synthetic entries in batches until the two files reach the target size.
if [ ! -f "$DATA_DIR/ADDRESS.DBF" ]; then
  echo "generating a table of about $TARGET_MB MB in $DATA_DIR ..."
  "$DB" create "$DATA_DIR"
  batch=0
  while [ "$(table_bytes)" -lt $((TARGET_MB * 1000 * 1000)) ]; do
    "$GEN" 50000 $((20261207 + batch)) 800 > "$OUT_DIR/entries.txt"
    "$DB" import "$DATA_DIR" "$OUT_DIR/entries.txt" >/dev/null
    batch=$((batch + 1))
  done
  rm -f "$OUT_DIR/entries.txt"
fi
DBF="$DATA_DIR/ADDRESS.DBF"
FPT="$DATA_DIR/ADDRESS.fpt"
cat "$DBF" "$FPT" > /dev/null  # both tools start with the files in the page cache

# Runs a command under /usr/bin/time; prints "wall-seconds cpu-seconds kilobytes".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$OUT_DIR/time.txt" "$@" >/dev/null
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$OUT_DIR/time.txt"
}

# Best wall and CPU time and largest peak memory per run kind.
declare -A wall cpu rss
minimum() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
maximum() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a) ? b : a }'; }
record() {
  local kind=$1 t c m
  read -r t c m < <(shift; measure "$@")
  wall[$kind]=$(minimum "${wall[$kind]:-}" "$t"); cpu[$kind]=$(minimum "${cpu[$kind]:-}" "$c")
  rss[$kind]=$(maximum "${rss[$kind]:-0}" "$m")
}
PIGZ=$(command -v pigz || true)
for round in $(seq "$ROUNDS"); do
  rm -f "$OUT_DIR/ours.zip" "$OUT_DIR/theirs.zip"
  record ours "$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip"
  record zip zip -q -6 -j "$OUT_DIR/theirs.zip" "$DBF" "$FPT"
  [ -n "$PIGZ" ] && record pigz sh -c '"$0" -6 -p "$1" -k -c "$2" "$3" > "$4"' "$PIGZ" "$CORES" "$DBF" "$FPT" "$OUT_DIR/pigz.gz"
  record fresh "$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip"
done
unzip -tq "$OUT_DIR/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
"$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip" | grep -c '^kept ' | grep -qx 2 || { echo "second run did not keep both entries" >&2; exit 1; }

size_mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
echo
echo "table: ADDRESS.DBF $(size_mb "$(stat -c %s "$DBF")") MB + ADDRESS.fpt $(size_mb "$(stat -c %s "$FPT")") MB = $(size_mb "$(table_bytes)") MB; $CORES cores; best of $ROUNDS rounds"
printf "%-34s %9s %9s %12s %12s\n" "run" "wall s" "CPU s" "peak MiB" "archive MB"
row() {
  printf "%-34s %9.2f %9.2f %12.1f %12s\n" "$1" "${wall[$2]}" "${cpu[$2]}" "$(awk -v k="${rss[$2]}" 'BEGIN{print k/1024}')" "$3"
}
row "cardlark-db backup (new archive)" ours "$(size_mb "$(stat -c %s "$OUT_DIR/ours.zip")")"
row "zip -6 (new archive)" zip "$(size_mb "$(stat -c %s "$OUT_DIR/theirs.zip")")"
[ -n "$PIGZ" ] && row "pigz -6 -p $CORES (gzip, not zip)" pigz "$(size_mb "$(stat -c %s "$OUT_DIR/pigz.gz")")"
[ -n "$PIGZ" ] || echo "(pigz is not installed: scripts/setup installs it)"
row "cardlark-db backup (unchanged)" fresh "-"
awk -v o="${wall[ours]}" -v z="${wall[zip]}" -v f="${wall[fresh]}" -v r1="${rss[ours]}" -v r2="${rss[fresh]}" \
    -v so="$(stat -c %s "$OUT_DIR/ours.zip")" -v sz="$(stat -c %s "$OUT_DIR/theirs.zip")" -v cores="$CORES" 'BEGIN {
  ratio = o / z; second = f / o; peak = (r1 > r2 ? r1 : r2) / 1024; size = so / sz
  limit = cores > 1 ? 0.55 : 1.20
  printf "ours / zip -6:       %.2f (limit %.2f on %d cores) %s\n", ratio, limit, cores, ratio <= limit ? "ok" : "OVER"
  printf "archive / zip -6:    %.4f (limit 1.01) %s\n", size, size <= 1.01 ? "ok" : "OVER"
  printf "unchanged / first:   %.3f (limit 0.10) %s\n", second, second <= 0.1 ? "ok" : "OVER"
  printf "our peak memory:     %.1f MiB (limit 64) %s\n", peak, peak < 64 ? "ok" : "OVER"
}'
