#!/usr/bin/env bash
# Backup speed and memory, side by side in one run: `cardlark-db backup` of a
# table of about 200 MB (ADDRESS.DBF + ADDRESS.fpt) against Debian's `zip -6`
# on the same two files, then our second run with the files unchanged (both
# entries kept). Prints wall times (best of ROUNDS, files in the page cache),
# peak memory (maximum resident set size) and the ratios with their limits.
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

# Runs a command under /usr/bin/time; prints "seconds kilobytes".
measure() {
  /usr/bin/time -f "%e %M" -o "$OUT_DIR/time.txt" "$@" >/dev/null
  cat "$OUT_DIR/time.txt"
}

best_ours=""; best_zip=""; best_fresh=""; rss_ours=0; rss_zip=0; rss_fresh=0
minimum() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
maximum() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a) ? b : a }'; }
for round in $(seq "$ROUNDS"); do
  rm -f "$OUT_DIR/ours.zip" "$OUT_DIR/theirs.zip"
  read -r t m < <(measure "$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip")
  best_ours=$(minimum "$best_ours" "$t"); rss_ours=$(maximum "$rss_ours" "$m")
  read -r t m < <(measure zip -q -6 -j "$OUT_DIR/theirs.zip" "$DBF" "$FPT")
  best_zip=$(minimum "$best_zip" "$t"); rss_zip=$(maximum "$rss_zip" "$m")
  read -r t m < <(measure "$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip")
  best_fresh=$(minimum "$best_fresh" "$t"); rss_fresh=$(maximum "$rss_fresh" "$m")
done
unzip -tq "$OUT_DIR/ours.zip" >/dev/null || { echo "our archive fails unzip -t" >&2; exit 1; }
"$DB" backup "$DATA_DIR" "$OUT_DIR/ours.zip" | grep -c '^kept ' | grep -qx 2 || { echo "second run did not keep both entries" >&2; exit 1; }

size_mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
echo
echo "table: ADDRESS.DBF $(size_mb "$(stat -c %s "$DBF")") MB + ADDRESS.fpt $(size_mb "$(stat -c %s "$FPT")") MB = $(size_mb "$(table_bytes)") MB; best of $ROUNDS rounds"
printf "%-34s %9s %12s %12s\n" "run" "wall s" "peak MiB" "archive MB"
printf "%-34s %9.2f %12.1f %12s\n" "cardlark-db backup (new archive)" "$best_ours" "$(awk -v k="$rss_ours" 'BEGIN{print k/1024}')" "$(size_mb "$(stat -c %s "$OUT_DIR/ours.zip")")"
printf "%-34s %9.2f %12.1f %12s\n" "zip -6 (new archive)" "$best_zip" "$(awk -v k="$rss_zip" 'BEGIN{print k/1024}')" "$(size_mb "$(stat -c %s "$OUT_DIR/theirs.zip")")"
printf "%-34s %9.2f %12.1f %12s\n" "cardlark-db backup (unchanged)" "$best_fresh" "$(awk -v k="$rss_fresh" 'BEGIN{print k/1024}')" "-"
awk -v o="$best_ours" -v z="$best_zip" -v f="$best_fresh" -v r1="$rss_ours" -v r2="$rss_fresh" 'BEGIN {
  ratio = o / z; second = f / o; peak = (r1 > r2 ? r1 : r2) / 1024
  printf "ours / zip -6:       %.2f (limit 1.20) %s\n", ratio, ratio <= 1.2 ? "ok" : "OVER"
  printf "unchanged / first:   %.3f (limit 0.10) %s\n", second, second <= 0.1 ? "ok" : "OVER"
  printf "our peak memory:     %.1f MiB (limit 64) %s\n", peak, peak < 64 ? "ok" : "OVER"
}'
