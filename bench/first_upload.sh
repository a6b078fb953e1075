#!/usr/bin/env bash
# Where the time of a first upload goes: `cardlark-db sync` of a table of N
# generated entries into an empty address book, on Radicale and on Xandikos
# (each started here on 127.0.0.1, a new one for each N). Per server and N:
# the wall time, the client's CPU time (user + system) and its share of the
# wall time, and the server's CPU time over the same span; the rest of the
# wall time is waiting (the server's disk, or requests waiting their turn).
# Usage: [BIN=DIR] [SERVERS="radicale xandikos"] bench/first_upload.sh [N...]   (default 1000 10000)
source "$(dirname "$0")/figures_prelude.bash" "${1:-1000}"
source "$(dirname "$0")/dav_servers.bash"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 10000)
tick=$(getconf CLK_TCK)

server_cpu() {  # seconds of CPU the server has used, with the programs it ran (git)
  awk -v tick="$tick" '{ print ($14 + $15 + $16 + $17) / tick }' "/proc/$server/stat"
}

echo "first upload, $(radicale --version 2>/dev/null | sed 's/^/radicale /'), xandikos $(xandikos --version 2>&1 | awk "{ print \$NF }")"
printf '  %-9s %7s %10s %12s %8s %12s %7s\n' server cards wall "client CPU" share "server CPU" cards
for kind in ${SERVERS:-radicale xandikos}; do
  for count in "${counts[@]}"; do
    dir="$work/$kind-$count"
    "start_$kind" "$dir"
    generated_table "$count" "$dir/table"
    before=$(server_cpu)
    /usr/bin/time -f '%e %U %S' -o "$dir/time" \
      "$bin/cardlark-db" sync "$dir/table" "$book" --user alice --password-file "$work/password" >"$dir/out"
    after=$(server_cpu)
    read -r wall user system <"$dir/time"
    stored=$(find "$cards" -maxdepth 1 -name '*.vcf' | wc -l)
    awk -v k="$kind" -v n="$count" -v w="$wall" -v c="$(echo "$user + $system" | bc)" -v s="$(echo "$after - $before" | bc)" \
      -v stored="$stored" 'BEGIN { printf "  %-9s %7d %8.2f s %10.2f s %7.1f%% %10.2f s %7d\n", k, n, w, c, 100 * c / w, s, stored }'
    kill "$server"
    wait "$server" 2>/dev/null || true
  done
done
