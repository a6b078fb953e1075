# Sourced by the figure scripts of bench/: strict mode, the built programs
# in $bin (BIN=DIR names another build's), the entry count $n from the first argument (default 100000) and a
# scratch folder $work removed on exit.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
n=${1:-100000}
bin=${BIN:-"$root/build/bin"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
