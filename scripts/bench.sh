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
    run=("$prog")
    # The window figures need a display: use a virtual one when there is none.
    case "$name" in
    bench_startup | bench_window)
        if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
            run=(xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$prog")
        fi
        ;;
    # Reading aloud speaks through a private speech service, never the user's.
    bench_speech)
        run=(bash "$(dirname "$0")/with-speech-service.sh" "$prog")
        ;;
    esac
    status=0
    "${run[@]}" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/$name.json" --benchmark_out_format=json || status=$?
    # 77: skipped (a service it needs is not installed), as it said.
    [ $status -eq 0 ] || [ $status -eq 77 ] || exit $status
done

echo
echo "Machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(uname -sr)," \
    "load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$(dirname "$0")/bench_table.py" "$out"
echo
echo "Peak memory of opening the 1,000,000-line text (own process each):"
"$build/bin/bench_open" --peak=floor
"$build/bin/bench_open" --peak=open
echo
echo "Peak memory of opening a book cold into the library (own process):"
"$build/bin/bench_library" --peak=cold
