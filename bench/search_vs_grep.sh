#!/usr/bin/env bash
# `cardlark-db search --memo` against `grep -c -i` over the same memo file,
# both as whole processes, best of five runs each.
# Usage: bench/search_vs_grep.sh [ENTRIES]     (default 100000)
source "$(dirname "$0")/figures_prelude.bash"

best() {  # command...: the shortest wall time of five runs, in seconds
  local fastest=""
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null || true
    end=$(date +%s.%N)
    fastest=$(awk -v a="$fastest" -v b="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
      'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$fastest"
}

"$bin/cardlark-gen" "$n" >"$work/entries.txt"
mkdir "$work/table"
"$bin/cardlark-db" create "$work/table"
"$bin/cardlark-db" import "$work/table" "$work/entries.txt"
fpt=$(ls "$work/table"/*.[fF][pP][tT])
found=$("$bin/cardlark-db" search "$work/table" smi --memo | wc -l)
ours=$(best "$bin/cardlark-db" search "$work/table" smi --memo)
grep=$(best grep -c -i smi "$fpt")
printf 'search --memo "smi" over %s entries (%s found, memo file %s): %.3f s; grep -c -i: %.3f s; ratio %.2f\n' \
  "$n" "$found" "$(du -h "$fpt" | cut -f1)" "$ours" "$grep" "$(awk -v a="$ours" -v b="$grep" 'BEGIN { print a / b }')"
