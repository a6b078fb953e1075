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
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >"$work/out" 2>"$work/err"
  read -r seconds kib user system <"$work/time"
  local verdict=""
  [ "$target" = - ] || verdict=$(awk -v s="$seconds" -v t="$target" 'BEGIN { print (s <= t ? "within" : "OVER") " " t " s" }')
  printf '%-22s %7.3f s (cpu %5.2f s) %7.1f MiB  %-13s %s\n' "$label" "$seconds" \
    "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" \
    "$verdict" "$(tail -n 1 "$work/out")"
}

entriesIn() { "$bin/cardlark-db" count "$1"; }

# The generator repeats names, which an import would skip as duplicates:
# a repeated name gets its line number, so every entry goes out and back.
"$bin/cardlark-gen" "$n" | LC_ALL=C awk -F '\t' -v OFS='\t' '{
  key = toupper($1)
  if (key in seen) { suffix = " " NR; $1 = substr($1, 1, 30 - length(suffix)) suffix }
  seen[toupper($1)] = 1
  print }' >"$work/entries.txt"
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
