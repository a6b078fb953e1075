#!/usr/bin/env bash
# The duplicate finder on a generated table with known duplicates planted:
# wall time and peak memory of cardlark-db duplicates (beside a dump, which
# reads the same table), how many planted pairs it found in one group, and
# how many groups hold no planted entry (matches nobody planted).
# Usage: bench/duplicate_figures.sh [ENTRIES] [PAIRS]   (default 100000 500)
source "$(dirname "$0")/figures_prelude.bash"
pairs=${2:-500}

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" || true
  read -r seconds kib <"$work/time"
  printf '%-28s %8.3f s  %7.1f MiB\n' "$label" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')"
}

"$bin/cardlark-gen" "$n" --plant "$pairs" "$work/pairs.txt" >"$work/entries.txt"
mkdir "$work/table"
"$bin/cardlark-db" create "$work/table" && "$bin/cardlark-db" import "$work/table" "$work/entries.txt"
echo "duplicates among $n entries, $pairs pairs planted"
measure "dump (reading the table)" "$bin/cardlark-db" dump "$work/table"
measure "duplicates" "$bin/cardlark-db" duplicates "$work/table"
awk '
  FNR == NR { planted[$1] = 1; planted[$2] = 1; pair[FNR] = $1 " " $2; next }
  /^group / {
    groups++
    sub(/^group [0-9]+: records /, "")
    n = split($0, recnos, /, /)
    plantedHere = 0
    for (i = 1; i <= n; i++) { group[recnos[i]] = groups; if (recnos[i] in planted) plantedHere = 1 }
    if (!plantedHere) unplanted++
  }
  END {
    for (k in pair) { split(pair[k], ab, " "); if (ab[1] in group && group[ab[1]] == group[ab[2]]) found++ }
    printf "planted pairs found: %d of %d; groups: %d, with no planted entry: %d\n", found, length(pair), groups, unplanted
  }' "$work/pairs.txt" "$work/out"
