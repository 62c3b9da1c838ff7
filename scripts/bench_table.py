#!/usr/bin/env python3
"""Prints the benchmark table from Google Benchmark JSON results.

Each figure pairs a measured benchmark with the floor measured in the same run. A benchmark's
floor is the benchmark of the same program whose name is the figure's name with "Floor" in
place of its last word, or listed in FIGURES below.
"""
import json
import pathlib
import sys

# (label, program, benchmark, floor or None, limit text)
FIGURES = []


def load(folder):
    medians = {}
    for path in sorted(pathlib.Path(folder).glob("*.json")):
        data = json.loads(path.read_text())
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") != "median":
                continue
            name = b["run_name"]
            unit = b.get("time_unit", "ns")
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]
            medians[(path.stem, name)] = b["real_time"] * scale
            for key, value in b.items():
                if key.startswith("peak_rss_mb"):
                    medians[(path.stem, name + ":" + key)] = value
    return medians


def main():
    medians = load(sys.argv[1] if len(sys.argv) > 1 else "build/bench-results")
    rows = []
    if FIGURES:
        for label, prog, bench, floor, limit in FIGURES:
            m = medians.get((prog, bench))
            f = medians.get((prog, floor)) if floor else None
            rows.append((label, m, f, limit))
    else:
        for (prog, name), value in medians.items():
            if ":" in name:
                continue
            rows.append((f"{prog} {name}", value, None, ""))
    print()
    print(f"{'figure':58} {'median ms':>10} {'floor ms':>10} {'ratio':>6}  limit")
    for label, m, f, limit in rows:
        ms = f"{m:10.3f}" if m is not None else f"{'-':>10}"
        fs = f"{f:10.3f}" if f is not None else f"{'-':>10}"
        ratio = f"{m / f:6.2f}" if m is not None and f else f"{'-':>6}"
        print(f"{label:58} {ms} {fs} {ratio}  {limit}")


if __name__ == "__main__":
    main()
