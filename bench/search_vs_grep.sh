#!/usr/bin/env bash
# `cardlark-db search --memo` against `grep -c -i` over the same memo file,
# both as whole processes, best of five runs each, in wall time and in CPU
# time (user + system; the fairer figure on a busy machine).
# Usage: [BIN=DIR] bench/search_vs_grep.sh [ENTRIES | TABLE-FOLDER]   (default 100000)
source "$(dirname "$0")/figures_prelude.bash"
TIMEFORMAT='%3R %3U %3S'
arg=$n

# Output goes to a file, never to /dev/null: grep stops at the first match
# when it sees its output is /dev/null, which is not the work measured here.
best() {  # command...: "wall cpu", the shortest of five runs each, in seconds
  local wall="" cpu=""
  for _ in 1 2 3 4 5; do
    { time "$@" >"$work/out" 2>/dev/null || true; } 2>"$work/time"
    read -r e u s <"$work/time"
    wall=$(awk -v a="$wall" -v b="$e" 'BEGIN { print (a == "" || b < a) ? b : a }')
    cpu=$(awk -v a="$cpu" -v b="$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')" \
      'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$wall $cpu"
}

if [ -d "$arg" ]; then
  table=$arg
else
  "$bin/cardlark-gen" "$arg" >"$work/entries.txt"
  table="$work/table"
  mkdir "$table"
  "$bin/cardlark-db" create "$table"
  "$bin/cardlark-db" import "$table" "$work/entries.txt" >/dev/null
fi
fpt=$(ls "$table"/*.[fF][pP][tT])
found=$("$bin/cardlark-db" search "$table" smi --memo | wc -l)
read -r ours_wall ours_cpu < <(best "$bin/cardlark-db" search "$table" smi --memo)
read -r grep_wall grep_cpu < <(best grep -c -i smi "$fpt")
printf 'search --memo "smi" in %s (%s found, memo file %s)\n' "$table" "$found" "$(du -h "$fpt" | cut -f1)"
printf '  cardlark-db search: %.3f s wall, %.3f s CPU\n' "$ours_wall" "$ours_cpu"
printf '  grep -c -i:         %.3f s wall, %.3f s CPU (%s lines matched)\n' "$grep_wall" "$grep_cpu" "$(cat "$work/out")"
printf '  ratio: %.2f wall, %.2f CPU\n' "$(awk -v a="$ours_wall" -v b="$grep_wall" 'BEGIN { print (b > 0 ? a / b : 0) }')" \
  "$(awk -v a="$ours_cpu" -v b="$grep_cpu" 'BEGIN { print (b > 0 ? a / b : 0) }')"
