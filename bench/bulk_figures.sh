#!/usr/bin/env bash
# Bulk work of cardlark-db at 100,000 and 1,000,000 entries: import into a
# new table, reindex, delete every tenth record by number, pack. Each gives
# wall and CPU time (the machine may be busy: CPU time is the steadier
# figure), the index file's size afterwards and, with strace at hand, the
# read and write calls it made. Run by bench/run. BIN=DIR times another
# build's programs.
# Usage: bench/bulk_figures.sh [ENTRIES...]     (default: 100000 1000000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin=${BIN:-"$root/build/bin"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

calls() {  # command... -> "reads/writes" counted by strace, or "-"
  command -v strace >/dev/null || { echo "-"; return; }
  strace -f -c -o "$work/calls" "$@" >/dev/null 2>&1
  awk '$NF ~ /^(pread64|read)$/ { r += $4 } $NF ~ /^(pwrite64|write)$/ { w += $4 }
       END { printf "%d/%d", r, w }' "$work/calls"
}

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null
  read -r wall user system <"$work/time"
  printf '  %-22s wall %7.3f s  CPU %7.3f s  index %10d bytes\n' "$label" "$wall" \
    "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$(stat -c %s "$work/table/ADDRESS.CDX")"
}

for n in "${sizes[@]}"; do
  "${GEN:-$bin/cardlark-gen}" "$n" >"$work/entries.txt"
  rm -rf "$work/table" && mkdir "$work/table"
  "$bin/cardlark-db" create "$work/table" >/dev/null
  echo "cardlark-db bulk work, $n entries"
  measure "import" "$bin/cardlark-db" import "$work/table" "$work/entries.txt"
  measure "reindex" "$bin/cardlark-db" reindex "$work/table"
  measure "reindex again" "$bin/cardlark-db" reindex "$work/table"
  seq 10 10 "$n" >"$work/tenths"
  measure "delete every tenth" xargs -a "$work/tenths" "$bin/cardlark-db" delete "$work/table"
  cp -r "$work/table" "$work/again"  # for the count of calls of a pack
  measure "pack (a tenth deleted)" "$bin/cardlark-db" pack "$work/table"
  rm -rf "$work/table" && mkdir "$work/table"
  "$bin/cardlark-db" create "$work/table" >/dev/null
  echo "  read/write calls: import $(calls "$bin/cardlark-db" import "$work/table" "$work/entries.txt")," \
    "reindex $(calls "$bin/cardlark-db" reindex "$work/table"), pack $(calls "$bin/cardlark-db" pack "$work/again")"
  rm -rf "$work/again"
done
