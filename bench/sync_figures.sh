#!/usr/bin/env bash
# Wall time of `cardlark-db sync` against a Radicale server started here on
# 127.0.0.1 (like the tests do): the first sync of a generated table into an
# empty address book, then an incremental sync with 10 changes on each side
# (5 entries added and 5 deleted here, 10 cards added on the server by curl).
# Usage: bench/sync_figures.sh [ENTRIES] [CAP_SECONDS]   (default 10000 900)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n=${1:-10000}
cap=${2:-900}
bin="$root/build/bin"
work=$(mktemp -d)
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
trap '[ -n "${server:-}" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

echo "alice:secret" >"$work/users"
echo "secret" >"$work/password"
cat >"$work/config" <<CONFIG
[server]
hosts = 127.0.0.1:$port
[auth]
type = htpasswd
htpasswd_filename = $work/users
htpasswd_encryption = plain
[rights]
type = owner_only
[storage]
filesystem_folder = $work/store
[logging]
level = warning
CONFIG
radicale --config "$work/config" &
server=$!
book="http://127.0.0.1:$port/alice/book/"
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
curl -s -o /dev/null -u alice:secret -X MKCOL "$book" --data '<?xml version="1.0"?><mkcol xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>'

sync() {  # label
  local start end
  start=$(date +%s.%N)
  if timeout "$cap" "$bin/cardlark-db" sync "$work/table" "$book" --user alice --password-file "$work/password" >"$work/out"; then
    end=$(date +%s.%N)
    printf '%-40s %8.2f s  %s\n' "$1" "$(echo "$end - $start" | bc)" "$(cat "$work/out")"
  else
    printf '%-40s  over %s s (stopped)\n' "$1" "$cap"
    return 1
  fi
}

"$bin/cardlark-gen" "$n" >"$work/entries.txt"
mkdir "$work/table"
"$bin/cardlark-db" create "$work/table" >/dev/null
"$bin/cardlark-db" import "$work/table" "$work/entries.txt" >/dev/null
echo "cardlark-db sync, $n entries, radicale $(radicale --version)"
sync "first sync into an empty address book" || exit 0
"$bin/cardlark-gen" 5 | sed 's/^/Bench /' >"$work/more.txt"
"$bin/cardlark-db" import "$work/table" "$work/more.txt" >/dev/null
"$bin/cardlark-db" delete "$work/table" 1 2 3 4 5 >/dev/null
for i in $(seq 10); do
  curl -s -o /dev/null -u alice:secret -X PUT -H 'Content-Type: text/vcard' \
    --data-binary "$(printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%s\r\nFN:Bench Card %s\r\nN:;Bench Card %s;;;\r\nEND:VCARD\r\n' "$i" "$i" "$i")" \
    "${book}bench-$i.vcf"
done
sync "incremental, 10 changes on each side"
sync "nothing changed"
