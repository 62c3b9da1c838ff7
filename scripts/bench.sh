#!/usr/bin/env bash
# Runs every benchmark program and prints one table: each figure, its median, the floor
# measured in the same run, and their ratio.
set -euo pipefail
build=${1:-build}
out=$build/bench-results
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

for prog in "$build"/bin/bench_*; do
    [ -x "$prog" ] || continue
    name=$(basename "$prog")
    echo "== $name"
    "$prog" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/$name.json" --benchmark_out_format=json
done

python3 "$(dirname "$0")/bench_table.py" "$out"
