#!/usr/bin/env bash
# Wall time and peak memory of whole cardlark-db runs on a generated table:
# create + import, exact seek, a full filter pass, the contact items of
# every entry against a dump, pack after deleting 10 %.
# Usage: bench/tool_figures.sh [ENTRIES]     (default 100000)
source "$(dirname "$0")/figures_prelude.bash"

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out"
  read -r seconds kib <"$work/time"
  printf '%-34s %8.3f s  %7.1f MiB  %s\n' "$label" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$(head -c 60 "$work/out" | tr '\n' ' ')"
}

"$bin/cardlark-gen" "$n" >"$work/entries.txt"
mkdir "$work/table"
echo "cardlark-db on $n entries ($(du -h "$work/entries.txt" | cut -f1) of import text)"
measure "create + import" bash -c "'$bin/cardlark-db' create '$work/table' && '$bin/cardlark-db' import '$work/table' '$work/entries.txt'"
name=$(sed -n "$((n / 2))p" "$work/entries.txt" | cut -f1)
measure "open + exact seek (one process)" "$bin/cardlark-db" seek "$work/table" "$name"
measure "filter pass \"SMI\"\$upper(Name)" "$bin/cardlark-db" count "$work/table" --filter '"SMI"$upper(Name)'
measure "dump" "$bin/cardlark-db" dump "$work/table"
dumpSeconds=$seconds
measure "contacts" "$bin/cardlark-db" contacts "$work/table"
awk -v c="$seconds" -v d="$dumpSeconds" 'BEGIN { if (d > 0) printf "%-34s %8.2f x\n", "contacts / dump", c / d }'
seq 10 10 "$n" | xargs "$bin/cardlark-db" delete "$work/table" >/dev/null
measure "pack after deleting 10 %" "$bin/cardlark-db" pack "$work/table"
measure "check" "$bin/cardlark-db" check "$work/table"
