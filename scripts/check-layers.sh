#!/usr/bin/env bash
# Checks the core's layering from its sources: every #include "core/<folder>/..." in a core
# folder must name the folder itself or a folder whose library that folder's CMakeLists.txt
# links, and no folder below the session (base, port and the rules folders) may include
# shell/. The link lists in the CMakeLists.txt files are the layering; this keeps the sources
# to them.
#
#   check-layers.sh [SOURCE_DIR]    (default: the repository holding this script)
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
core=$root/src/core
status=0

for dir in "$core"/*/; do
    folder=$(basename "$dir")
    cmake=$dir/CMakeLists.txt
    # A header-only folder with no library yet may include only base/.
    allowed="$folder base"
    if [[ -f $cmake ]]; then
        links=$(tr '\n' ' ' <"$cmake" | sed -n 's/.*LINKS\([^)]*\)).*/\1/p')
        for lib in $links; do
            allowed+=" ${lib#qm}"
        done
    fi
    while IFS= read -r hit; do
        [[ -z $hit ]] && continue
        file=${hit%%:*}
        used=$(sed -n 's/.*#include "core\/\([a-z]*\)\/.*/\1/p' <<<"${hit#*:}")
        if [[ $folder != shell && $folder != testing && $used == shell ]]; then
            echo "layering: ${file#"$root"/} includes shell/: only the session may" >&2
            status=1
        elif [[ " $allowed " != *" $used "* ]]; then
            echo "layering: ${file#"$root"/} includes core/$used/, which $folder does not link" >&2
            status=1
        fi
    done < <(grep -rHo '#include "core/[a-z]*/' "$dir" --include='*.h' --include='*.cpp')
done

# The product never includes the test doubles.
if grep -rln '#include "core/testing/' "$core" "$root/src/ui" "$root/src/prtcol" \
    --include='*.h' --include='*.cpp' | grep -v "^$core/testing/"; then
    echo "layering: the files above include core/testing/, which only tests may" >&2
    status=1
fi

[[ $status -eq 0 ]] && echo "layering: every core folder includes only what it links"
exit $status
