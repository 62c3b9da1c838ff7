#!/usr/bin/env python3
"""Prints the benchmark table from Google Benchmark JSON results.

Each figure pairs a measured benchmark with the floor measured in the same run. A benchmark's
floor is the benchmark of the same program whose name is the figure's name with "Floor" in
place of its last word, or listed in FIGURES below. A name "BENCHMARK:counter" stands for the
median of one of the benchmark's counters (a floor measured in the same repetition, or a
memory figure in MB) instead of its time.
"""
import json
import pathlib
import sys

WINDOW_LAUNCH = "BM_WindowLaunch/iterations:1/repeats:5/manual_time"
WINDOW_BOOK = "BM_WindowBook/iterations:1/repeats:5/manual_time"
WINDOW_INDEX = "BM_WindowIndex/iterations:1/repeats:5/manual_time"
WINDOW_BOOK_FILE = "BM_WindowBookFileAtStartup/iterations:1/repeats:5/manual_time"
SPEECH_READING = "BM_ReadingAloudThreeSeconds/iterations:1/manual_time"
SPEECH_IDLE = "BM_IdleThreeSeconds/iterations:1/manual_time"

# (label, program, benchmark, floor or None, limit text)
FIGURES = [
    ("DrawPage 1920x1080 15 pt (redraw)", "bench_view", "BM_DrawPage_1080_15pt",
     "BM_Floor_DrawText_1080_15pt", "<= 1.5x bare drawText"),
    ("Worst page 3840x2160 4 pt two columns (fresh)", "bench_view",
     "BM_DrawPage_4K_4pt_TwoColumns_Turn", None, "< 16 ms"),
    ("Worst page 3840x2160 4 pt two columns (redraw)", "bench_view",
     "BM_DrawPage_4K_4pt_TwoColumns_Redraw", None, "< 16 ms"),
    ("Page turn: ShowNextPage 1920x1080 15 pt", "bench_view", "BM_ShowNextPage_1080_15pt",
     "BM_Floor_DrawText_Turn_1080_15pt", "< 2 ms"),
    ("Page back: ShowPreviousPage 1920x1080 15 pt", "bench_view",
     "BM_ShowPreviousPage_1080_15pt", "BM_ShowNextPage_1080_15pt", "<= 1.2x ShowNextPage"),
    ("Open a 1,000,000-line text from disk", "bench_open", "BM_OpenTextFromDisk/min_time:3.000",
     "BM_ReadAndSplitFloor/min_time:3.000", "<= 2x read+split"),
    ("Open a 785 KB UTF-8 novel cold into the library", "bench_library",
     "BM_ColdOpen/min_time:2.000", "BM_OpenStoredTextFloor/min_time:2.000", "< 1 s"),
    ("Reopen that novel from the library", "bench_library", "BM_Reopen/min_time:2.000",
     "BM_OpenStoredTextFloor/min_time:2.000", "<= 2x opening its stored text"),
    ("Open that novel as an EPUB cold into the library", "bench_library",
     "BM_ColdOpenEpub/min_time:2.000", "BM_OpenStoredTextFloor/min_time:2.000", "< 1 s"),
    ("Reopen the EPUB from the library", "bench_library", "BM_ReopenEpub/min_time:2.000",
     "BM_OpenStoredTextFloor/min_time:2.000", "<= 2x opening its stored text"),
    ("Read a 4 KB EPUB whose title is 1,000,000 characters", "bench_import", "BM_LongTitleEpub",
     "BM_CopyLongTitleFloor", "linear, title capped"),
    ("Convert a run of 1,000,000 Cyrillic characters", "bench_import", "BM_PageFormOfLongRun",
     "BM_CopyLongRunFloor", "linear"),
    ("Rebuild the embedded book list", "bench_open", "BM_RebuildEmbeddedBook", None, "< 5 ms"),
    ("Cascade 1 MB of prose", "bench_cascade", "BM_Cascade/1/repeats:5",
     "BM_SplitLinesFloor/1/repeats:5", "linear"),
    ("Cascade 5 MB of prose", "bench_cascade", "BM_Cascade/5/repeats:5",
     "BM_SplitLinesFloor/5/repeats:5", "< 1 s"),
    ("Tokenize, tag and parse a novel (673 KB)", "bench_grammar", "BM_TokenizeTagParse",
     "BM_TokenizeFloor", ">= 1 MB/s"),
    ("Find step missing over 1,000,000 lines", "bench_find", "BM_FindMiss", "BM_FindFloor",
     "<= 3x memmem"),
    ("Load an index of 1,000,000 references", "bench_index", "BM_IndexLoad/real_time",
     "BM_IndexFloor/real_time", "< 1 s, <= 3x read+split"),
    ("Load and show that index in the tree", "bench_index_view",
     "BM_LoadAndShowIndex/repeats:5/real_time", "BM_LoadIndexFloor/repeats:5/real_time",
     "< 1 s, < 250 MB"),
    ("Locate section in a 100,000-line bookmark file", "bench_bookmarks",
     "LocateSection/repeats:9", "ReadAndSplit/repeats:9", "< 50 ms"),
    ("Closing (save settings + closing mark), settings unchanged", "bench_bookmarks",
     "Closing/0/repeats:9/real_time", "SafeWrites/1/repeats:9/real_time", "< 20 ms"),
    ("Closing, settings changed", "bench_bookmarks", "Closing/1/repeats:9/real_time",
     "SafeWrites/2/repeats:9/real_time", "< 20 ms"),
    ("Start to first page, headless", "bench_startup",
     "BM_StartupHeadless/iterations:10/manual_time",
     "BM_StartupHeadlessFloor/iterations:10/manual_time", "floor: minimal Qt window"),
    ("Start to first page, window under Xvfb", "bench_startup",
     "BM_StartupWindow/iterations:10/manual_time",
     "BM_StartupWindowFloor/iterations:10/manual_time", "floor: minimal Qt window"),
    ("Window: launch to first drawn frame (fresh home)", "bench_window", WINDOW_LAUNCH,
     WINDOW_LAUNCH + ":floor_ms", "<= 1.3x minimal Qt window"),
    ("Window: peak memory of an idle start (MB)", "bench_window",
     WINDOW_LAUNCH + ":peak_rss_mb", WINDOW_LAUNCH + ":floor_rss_mb",
     "<= 40 MB; floor: minimal Qt window"),
    ("Window: reading a 5 MB book, above idle (MB)", "bench_window",
     WINDOW_BOOK + ":added_mb", WINDOW_BOOK + ":stored_mb", "<= 2x the stored size"),
    ("Window: PageDown to its frame on screen", "bench_window", WINDOW_BOOK,
     WINDOW_BOOK + ":core_turn_ms", "<= 1.3x the core's page turn"),
    ("Window: PageDown, a window only showing a prepared page image", "bench_window",
     WINDOW_BOOK + ":display_floor_ms", WINDOW_BOOK + ":core_turn_ms",
     "the display's own cost; against the core's page turn"),
    ("Window: PageDown after a reader's pause of 100 ms", "bench_window",
     WINDOW_BOOK + ":paused_ms", WINDOW_BOOK + ":core_turn_ms", "<= 1.3x the core's page turn"),
    ("Window: PageDown after 100 ms, a window only showing a prepared page image",
     "bench_window", WINDOW_BOOK + ":paused_floor_ms", WINDOW_BOOK + ":core_turn_ms",
     "the display's own cost; against the core's page turn"),
    ("Window: Load Index of 1,000,000 references to the painted tree", "bench_window",
     WINDOW_INDEX, WINDOW_INDEX + ":floor_ms", "<= 150 ms; floor: the core's load"),
    ("Window: memory that index load adds (MB)", "bench_window", WINDOW_INDEX + ":added_mb",
     None, "<= 80 MB"),
    ("Window: first frame with a 5 MB book file named at start-up", "bench_window",
     WINDOW_BOOK_FILE, WINDOW_BOOK_FILE + ":floor_ms", "<= 1.3x an idle start"),
    ("Read Aloud: command to the first lit line", "bench_speech",
     "BM_CommandToFirstMark/iterations:20/manual_time",
     "BM_ClientLibraryToFirstMark/iterations:20/manual_time",
     "<= 1.3x the same SSML through the client library"),
    ("Read Aloud: a mark to its lit line painted", "bench_speech", "BM_MarkToPaintedLine",
     "BM_PaintPage", "< 16.7 ms (a frame); floor: painting the page"),
    ("Read Aloud: the reader's processor time while reading (% of a core)", "bench_speech",
     SPEECH_READING + ":cpu_percent", SPEECH_IDLE + ":cpu_percent", "<= 2%; floor: idle"),
    ("Read Aloud: peak memory above the window not reading (MB)", "bench_speech",
     SPEECH_READING + ":peak_MB_above_idle", None, "<= 5 MB"),
]


# Fields of a benchmark result that are no counters.
NOT_COUNTERS = {"family_index", "per_family_instance_index", "repetitions", "repetition_index",
                "threads", "iterations", "real_time", "cpu_time"}


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
                if isinstance(value, (int, float)) and key not in NOT_COUNTERS:
                    medians[(path.stem, name + ":" + key)] = value
    return medians


def main():
    medians = load(sys.argv[1] if len(sys.argv) > 1 else "build/bench-results")
    rows = []
    if FIGURES:
        for label, prog, bench, floor, limit in FIGURES:
            m = medians.get((prog, bench))
            f = medians.get((prog, floor)) if floor else None
            peak = medians.get((prog, bench + ":peak_rss_mb"))
            if peak is not None:
                limit = f"{limit}; peak {peak:.0f} MB"
            rows.append((label, m, f, limit))
    else:
        for (prog, name), value in medians.items():
            if ":" in name:
                continue
            rows.append((f"{prog} {name}", value, None, ""))
    print()
    print("Times in ms, memory in MB (figures marked MB).")
    print(f"{'figure':64} {'median':>10} {'floor':>10} {'ratio':>6}  limit")
    for label, m, f, limit in rows:
        ms = f"{m:10.3f}" if m is not None else f"{'-':>10}"
        fs = f"{f:10.3f}" if f is not None else f"{'-':>10}"
        ratio = f"{m / f:6.2f}" if m is not None and f else f"{'-':>6}"
        print(f"{label:64} {ms} {fs} {ratio}  {limit}")


if __name__ == "__main__":
    main()
