#!/usr/bin/env bash
# The figures users wait on, in one run on the same files: the backup of a
# table of about 200 MB against zip -6 and pigz (bench/zip_vs_zip.sh), then
# the bulk work of bench/bulk_figures.sh at 100,000 and 1,000,000 entries,
# side by side with another build's figures when BASE_BIN names its bin
# folder (for example a build of the previous release), with the CPU-time
# limits of pack and reindex at 1,000,000 entries.
#
#   bench/speed_figures.sh
#   BASE_BIN=/tmp/old/build/bin bench/speed_figures.sh 100000 1000000
#   SKIP_BACKUP=1 bench/speed_figures.sh 100000    # the bulk work only
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if [ -z "${SKIP_BACKUP:-}" ]; then
  echo "== backup ($(nproc) cores)"
  "$here/zip_vs_zip.sh"
fi

# "SIZE LABEL CPU" lines of one build's bulk figures.
bulk() {
  BIN=$1 GEN="$ours/cardlark-gen" "$here/bulk_figures.sh" "${sizes[@]}" | awk '
    /^cardlark-db bulk work,/ { size = $4 }
    /wall .* CPU / { label = $0; sub(/^ +/, "", label); sub(/ +wall.*/, "", label); gsub(/ /, "_", label)
                     for (i = 1; i <= NF; i++) if ($i == "CPU") print size, label, $(i + 1) }'
}
ours=${BIN:-$here/../build/bin}
bulk "$ours" >"$out/ours"
[ -n "${BASE_BIN:-}" ] && bulk "$BASE_BIN" >"$out/base"

echo
echo "== bulk work, CPU seconds (user + system); $(nproc) cores"
printf "%-9s %-24s %8s %8s %7s  %s\n" entries work ours base ratio limit
touch "$out/base"
awk -v baseFile="$out/base" '
  BEGIN { while ((getline line < baseFile) > 0) { split(line, f, " "); base[f[1] " " f[2]] = f[3] } }
  {
    key = $1 " " $2; label = $2; gsub(/_/, " ", label)
    b = (key in base) ? base[key] : ""
    ratio = (b != "" && b > 0) ? sprintf("%.2f", $3 / b) : "-"
    limit = ""
    if ($1 == 1000000 && label ~ /^pack/) limit = $3 <= 0.5 ? "<= 0.5 ok" : "<= 0.5 OVER"
    if ($1 == 1000000 && label == "reindex") limit = $3 <= 0.2 ? "<= 0.2 ok" : "<= 0.2 OVER"
    printf "%-9s %-24s %8.3f %8s %7s  %s\n", $1, label, $3, b == "" ? "-" : b, ratio, limit
  }' "$out/ours"
