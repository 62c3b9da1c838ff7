#!/usr/bin/env bash
# The layer check on a small tree ranked by the project's own scripts/layers.txt: it passes on
# the tree as made, and fails on each planted fault, naming it.
#
#   planted-faults.sh PROJECT_DIR
set -u
project=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# Appends a line to a file of the tree in $tree, making its folder when needed.
add() {
    mkdir -p "$tree/${1%/*}"
    printf '%s\n' "$2" >>"$tree/$1"
}

make_tree() {
    tree=$1
    mkdir -p "$tree/scripts"
    cp "$project/scripts/check-layers.sh" "$project/scripts/layers.txt" "$tree/scripts/"
    add src/core/base/CMakeLists.txt 'qm_core_library(qmbase SOURCES Text.cpp)'
    add src/core/base/Text.h '#pragma once'
    add src/core/text/CMakeLists.txt 'qm_core_library(qmtext SOURCES Tags.cpp LINKS qmbase)'
    add src/core/text/Tags.h '#include "core/base/Text.h"'
    add src/core/text/Tags.cpp '#include "core/text/Tags.h"'
    add src/core/library/CMakeLists.txt 'qm_core_library(qmlibrary SOURCES Library.cpp'
    add src/core/library/CMakeLists.txt '    LINKS qmbase qmtext) # the books'
    add src/core/library/Library.h '#include "core/text/Tags.h"'
    add src/core/testing/CMakeLists.txt 'qm_core_library(qmtesting SOURCES Fake.cpp LINKS qmbase)'
    add src/core/testing/Fake.h '#include "core/base/Text.h"'
    add src/ui/CMakeLists.txt 'add_library(qmui STATIC MainWindow.cpp)'
    add src/ui/CMakeLists.txt 'target_link_libraries(qmui PUBLIC qmlibrary)'
    add src/ui/MainWindow.h '#include "core/library/Library.h"'
    add src/prtcol/CMakeLists.txt 'add_executable(prtcol main.cpp)'
    add src/prtcol/CMakeLists.txt 'target_link_libraries(prtcol PRIVATE qmui)'
    add src/prtcol/main.cpp '#include "ui/MainWindow.h"'
    add tests/CMakeLists.txt 'target_link_libraries(${target} PRIVATE qmui qmtesting)'
    add tests/import/Support.h '#include "core/testing/Fake.h"'
    add tests/import/ReadTest.cpp '#include "import/Support.h"'
    add bench/CMakeLists.txt 'target_link_libraries(bench_read PRIVATE qmui qmtesting)'
    add bench/support/Novel.h '#include "core/testing/Fake.h"'
    add bench/bench_read.cpp '#include "support/Novel.h"'
}

# check NAME PLANT EXPECTED...: the check on a fresh tree with PLANT run in it fails and
# prints every EXPECTED text (an empty PLANT: passes).
check() {
    local name=$1 plant=$2 expected
    shift 2
    local out
    make_tree "$work/$name"
    eval "$plant"
    if out=$(bash "$tree/scripts/check-layers.sh" "$tree" 2>&1); then
        if [[ -n $plant ]]; then
            echo "FAIL: $name: the check passed" >&2
            status=1
        fi
    elif [[ -z $plant ]]; then
        echo "FAIL: $name: the check failed:" >&2
        echo "$out" >&2
        status=1
    fi
    for expected in "$@"; do
        if [[ $out != *"$expected"* ]]; then
            echo "FAIL: $name: no '$expected' in:" >&2
            echo "$out" >&2
            status=1
        fi
    done
}

check "clean tree" "" "layering: every folder includes and links only itself"
check "helpers include the window" \
    "add src/core/base/Text.h '#include \"ui/MainWindow.h\"'" \
    "src/core/base/Text.h includes src/ui/MainWindow.h: src/core/base (rank 10)"
check "text links and includes library, a cycle" \
    "add src/core/text/CMakeLists.txt 'target_link_libraries(qmtext PUBLIC qmlibrary)'
     add src/core/text/Tags.cpp '#include \"core/library/Library.h\"'" \
    "src/core/text/CMakeLists.txt links qmlibrary: src/core/text (rank 50)" \
    "src/core/text/Tags.cpp includes src/core/library/Library.h: src/core/text (rank 50)"
check "library's link list names the window" \
    "sed -i 's/LINKS qmbase qmtext)/LINKS qmbase qmtext qmui)/' \"\$tree/src/core/library/CMakeLists.txt\"" \
    "src/core/library/CMakeLists.txt links qmui: src/core/library (rank 70)"
check "a benchmark includes a test's header by a relative path" \
    "add bench/support/Novel.h '#include \"../../tests/import/Support.h\"'" \
    "bench/support/Novel.h includes tests/import/Support.h: bench (rank 110)"
check "a benchmark includes a test's header from the tests' include folder" \
    "add bench/bench_read.cpp '#include \"import/Support.h\"'" \
    "bench/bench_read.cpp includes tests/import/Support.h: bench (rank 110)"
check "the print-column program includes the test doubles" \
    "add src/prtcol/main.cpp '#include \"core/testing/Fake.h\"'" \
    "src/prtcol/main.cpp includes src/core/testing/Fake.h: src/prtcol (rank 100)"
check "a core folder includes a lower one it does not link" \
    "add src/core/testing/Fake.h '#include \"core/text/Tags.h\"'" \
    "src/core/testing/Fake.h includes src/core/text/Tags.h, but src/core/testing does not link"
check "a folder with no rank" \
    "add src/core/unranked/Thing.h '#include \"core/base/Text.h\"'" \
    "src/core/unranked/Thing.h lies in no folder of scripts/layers.txt"

[[ $status -eq 0 ]] && echo "planted faults: the check passes the clean tree and fails on each"
exit $status
