#!/usr/bin/env bash
# Index figures: bulk build (each size in its own process, so that the peak
# resident size belongs to that build alone), then seek, insert, step and
# full scan. Run by bench/run after the engine benchmarks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="${CDX_BENCH:-$root/build/bin/cdx_bench}"
for args in 100000/30 1000000/30 1000000/240; do
  "$bench" --benchmark_filter="BM_BulkBuild/$args/" 2>/dev/null | grep BM_
done
"$bench" --benchmark_filter='BM_(SeekExact|InsertInPlace|NextStep|ScanAll)' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark|^-'
