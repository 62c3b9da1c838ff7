#!/usr/bin/env bash
# Starts the reader from a build folder (make run). Without a display it prints the first
# page and renders it to a PNG instead.
set -euo pipefail
build="${1:-build}"
program="$build/bin/quillmar"
if [[ ! -x "$program" ]]; then
    echo "No program at $program: build it first (make build)" >&2
    exit 1
fi
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$program"
fi
echo "No display: printing and rendering the first page headless"
out="$(cd "$build" && pwd)/first-page.png"
"$program" --page-text --render "$out"
echo "The first page is in $out"
