#!/usr/bin/env bash
# Wall time and peak memory of exchanging a generated table with another
# address book through cardlark-db: export it as vCards and as CSV, then
# import each file into an empty table; the imported tables must hold as
# many entries as the source. Targets for 100,000 entries: vCard import at
# most 3 s, vCard export at most 2 s.
# Usage: bench/exchange_figures.sh [ENTRIES]     (default 100000)
source "$(dirname "$0")/figures_prelude.bash"

measure() {  # label, target seconds (or -), command...
  local label=$1 target=$2
  shift 2
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err"
  read -r seconds kib <"$work/time"
  local verdict=""
  [ "$target" = - ] || verdict=$(awk -v s="$seconds" -v t="$target" 'BEGIN { print (s <= t ? "within" : "OVER") " " t " s" }')
  printf '%-24s %8.3f s  %7.1f MiB  %-14s %s\n' "$label" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" \
    "$verdict" "$(tail -n 1 "$work/out")"
}

entriesIn() { "$bin/cardlark-db" count "$1"; }

"$bin/cardlark-gen" "$n" >"$work/entries.txt"
mkdir "$work/source" "$work/from-vcf" "$work/from-csv"
"$bin/cardlark-db" create "$work/source" >/dev/null
"$bin/cardlark-db" import "$work/source" "$work/entries.txt" >/dev/null
echo "cardlark-db exchange of $n entries"
measure "export-vcard" 2 "$bin/cardlark-db" export-vcard "$work/source" "$work/all.vcf"
measure "export-csv" - "$bin/cardlark-db" export-csv "$work/source" "$work/all.csv"
"$bin/cardlark-db" create "$work/from-vcf" >/dev/null
measure "import-vcard (empty)" 3 "$bin/cardlark-db" import-vcard "$work/from-vcf" "$work/all.vcf"
"$bin/cardlark-db" create "$work/from-csv" >/dev/null
measure "import-csv (empty)" - "$bin/cardlark-db" import-csv "$work/from-csv" "$work/all.csv"
echo "files: $(du -h "$work/all.vcf" | cut -f1) vCard, $(du -h "$work/all.csv" | cut -f1) CSV;" \
  "entries: source $(entriesIn "$work/source"), from vCard $(entriesIn "$work/from-vcf"), from CSV $(entriesIn "$work/from-csv")"
