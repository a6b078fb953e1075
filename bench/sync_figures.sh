#!/usr/bin/env bash
# Wall time of `cardlark-db sync` against Radicale servers started here on
# 127.0.0.1 (like the tests do), at ENTRIES cards:
#  1. a first sync from an address book of ENTRIES cards (written straight
#     into the server's folder) into an empty table, then an incremental sync
#     with 10 changes on each side (10 entries edited here, 10 cards changed
#     on the server by curl), then a sync with nothing changed;
#  2. a first sync of a table of ENTRIES generated entries into an empty
#     address book, stopped after CAP seconds: the server then tells how many
#     cards it took in that time.
# Usage: [BIN=DIR] bench/sync_figures.sh [ENTRIES] [CAP_SECONDS]   (default 10000 120)
source "$(dirname "$0")/figures_prelude.bash" "${1:-10000}"
cap=${2:-120}
source "$(dirname "$0")/dav_servers.bash"

card() {  # uid name phone
  printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nFN:%s\r\nN:;%s;;;\r\nTEL;TYPE=CELL:%s\r\nEND:VCARD\r\n' "$1" "$2" "$2" "$3"
}

sync() {  # table label: one timed sync, stopped after $cap seconds
  local start end
  start=$(date +%s.%N)
  if timeout "$cap" "$bin/cardlark-db" sync "$1" "$book" --user alice --password-file "$work/password" >"$work/out"; then
    end=$(date +%s.%N)
    printf '  %-44s %8.2f s  %s\n' "$2" "$(echo "$end - $start" | bc)" "$(head -1 "$work/out")"
  else
    printf '  %-44s  over %s s (stopped)\n' "$2" "$cap"
    return 1
  fi
}

echo "cardlark-db sync, $n entries, radicale $(radicale --version)"

start_radicale "$work/full"
for i in $(seq -w 1 "$n"); do card "bench-$i" "Person $i" "555-0100" >"$cards/bench-$i.vcf"; done
mkdir "$work/received"
"$bin/cardlark-db" create "$work/received" >/dev/null
sync "$work/received" "first sync from $n cards into an empty table" || true
width=${#n}
for i in $(seq 1 10); do
  printf -v here "%0${width}d" "$i"
  printf -v there "%0${width}d" "$((i + 10))"
  recno=$("$bin/cardlark-db" seek "$work/received" "Person $here")
  "$bin/cardlark-db" delete "$work/received" "$recno" >/dev/null
  printf 'Person %s\tPhone: 555-0200\t\n' "$here" >>"$work/edits.txt"
  curl -s -o /dev/null -u alice:secret -X PUT -H 'Content-Type: text/vcard' \
    --data-binary "$(card "bench-$there" "Person $there" "555-0300")" "${book}bench-$there.vcf"
done
"$bin/cardlark-db" import "$work/received" "$work/edits.txt" >/dev/null
sync "$work/received" "incremental, 10 changes on each side" || true
sync "$work/received" "nothing changed" || true

start_radicale "$work/empty"
generated_table "$n" "$work/sent"
if ! sync "$work/sent" "first sync of $n entries into an empty book"; then
  echo "  the server took $(find "$cards" -maxdepth 1 -name '*.vcf' | wc -l) cards in $cap s"
fi
