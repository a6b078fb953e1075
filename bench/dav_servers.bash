# Sourced by the sync figure scripts of bench/ (after figures_prelude.bash):
# CardDAV servers started on free ports on 127.0.0.1, stopped on exit, and
# tables of generated entries.
servers=()
trap 'for s in "${servers[@]}"; do kill "$s" 2>/dev/null; done; rm -rf "$work"' EXIT
echo "secret" >"$work/password"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for() {  # url
  for _ in $(seq 100); do curl -s -o /dev/null "$1" && return; sleep 0.1; done
}

# folder: a Radicale storing in folder/store; sets $book (user alice,
# password secret), $server (its process id) and $cards (the book's folder).
start_radicale() {
  local dir=$1 port
  port=$(free_port)
  mkdir -p "$dir"
  echo "alice:secret" >"$dir/users"
  printf '[server]\nhosts = 127.0.0.1:%s\n[auth]\ntype = htpasswd\nhtpasswd_filename = %s\nhtpasswd_encryption = plain\n[rights]\ntype = owner_only\n[storage]\nfilesystem_folder = %s\n[logging]\nlevel = warning\n' \
    "$port" "$dir/users" "$dir/store" >"$dir/config"
  radicale --config "$dir/config" &
  server=$!
  servers+=("$server")
  book="http://127.0.0.1:$port/alice/book/"
  cards="$dir/store/collection-root/alice/book"
  wait_for "http://127.0.0.1:$port/"
  curl -s -o /dev/null -u alice:secret -X MKCOL "$book" --data '<?xml version="1.0"?><mkcol xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>'
}

# folder: a Xandikos (no authentication) storing in folder/store; sets the
# same variables.
start_xandikos() {
  local dir=$1 port
  port=$(free_port)
  mkdir -p "$dir"
  xandikos --defaults -d "$dir/store" -l 127.0.0.1 -p "$port" >"$dir/log" 2>&1 &
  server=$!
  servers+=("$server")
  book="http://127.0.0.1:$port/user/contacts/addressbook/"
  cards="$dir/store/user/contacts/addressbook"
  wait_for "$book"
}

# count folder: a new table in folder holding count generated entries under
# distinct names (the server knows an entry by its name, and the generator
# repeats names).
generated_table() {
  "$bin/cardlark-gen" "$1" | awk -F '\t' -v OFS='\t' '{ $1 = sprintf("Person %06d", NR); print }' >"$work/entries.txt"
  mkdir "$2"
  "$bin/cardlark-db" create "$2" >/dev/null
  "$bin/cardlark-db" import "$2" "$work/entries.txt" >/dev/null
}
