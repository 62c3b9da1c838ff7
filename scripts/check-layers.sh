#!/usr/bin/env bash
# Checks the layering of the sources against the folders' ranks in scripts/layers.txt:
#   - every quoted #include names a file of the same folder or of a folder ranked below;
#   - every library a CMakeLists.txt links (qm_core_library LINKS, target_link_libraries)
#     that is defined in the project belongs to the same folder or to one ranked below;
#   - a core folder includes only the folders whose libraries its CMakeLists.txt links;
#   - nothing under src/ but the test doubles themselves includes or links src/core/testing;
#   - every source file lies in a ranked folder.
# An include is looked for as the compiler would: beside the including file, then under src/,
# tests/ and tools/ and the project root (the include folders the build gives).
#
#   check-layers.sh [SOURCE_DIR]    (default: the repository holding this script)
set -uf
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
table=$root/scripts/layers.txt
status=0

fail() {
    echo "layering: $*" >&2
    status=1
}

declare -A rank=()
while read -r r folder _; do
    [[ -z ${r:-} || $r == \#* ]] && continue
    if [[ ! $r =~ ^[0-9]+$ || -z ${folder:-} ]]; then
        fail "scripts/layers.txt: '$r $folder' is not a rank and a folder"
        continue
    fi
    rank[$folder]=$r
done <"$table"

# The deepest ranked folder holding a path (relative to the root), or nothing.
declare -A folderCache=()
folder_of() {
    local dir=${1%/*}
    [[ $dir == "$1" ]] && dir=.
    if [[ -z ${folderCache[$dir]+set} ]]; then
        local d=$dir found=
        while [[ $d != . && -n $d ]]; do
            if [[ -n ${rank[$d]+set} ]]; then
                found=$d
                break
            fi
            [[ $d == */* ]] && d=${d%/*} || d=.
        done
        folderCache[$dir]=$found
    fi
    REPLY=${folderCache[$dir]}
}

# A relative path with "." and ".." steps taken out.
normalised() {
    local part out=()
    local IFS=/
    for part in $1; do
        case $part in
        '' | .) ;;
        ..) ((${#out[@]})) && unset 'out[${#out[@]}-1]' ;;
        *) out+=("$part") ;;
        esac
    done
    REPLY="${out[*]}"
}

# Whether folder `user` may use folder `used` by rank; prints the fault when not.
ranked_below() {
    local what=$1 user=$2 used=$3
    [[ $user == "$used" ]] && return 0
    ((rank[$used] < rank[$user])) && return 0
    fail "$what: $user (rank ${rank[$user]}) may use only folders ranked below it, and" \
        "$used is rank ${rank[$used]}"
    return 1
}

mapfile -t sources < <(cd "$root" && find src tools tests bench fuzz \
    \( -name '*.h' -o -name '*.cpp' -o -name CMakeLists.txt \) -type f 2>/dev/null | sort)

# The targets each folder defines, and the folders each folder's CMakeLists.txt files link.
declare -A targetFolder=() links=()
for file in "${sources[@]}"; do
    [[ $file == */CMakeLists.txt ]] || continue
    folder_of "$file"
    [[ -z $REPLY ]] && continue
    while read -r name; do
        [[ -n $name ]] && targetFolder[$name]=$REPLY
    done < <(sed 's/#.*//' "$root/$file" | tr '\n' ' ' |
        grep -oE '(add_library|add_executable|qm_core_library)\([[:space:]]*[A-Za-z0-9_]+' |
        sed 's/.*(//; s/[[:space:]]//g')
done
for file in "${sources[@]}"; do
    [[ $file == */CMakeLists.txt ]] || continue
    folder_of "$file"
    user=$REPLY
    [[ -z $user ]] && continue
    for lib in $(sed 's/#.*//' "$root/$file" | tr '\n' ' ' |
        grep -oE '(target_link_libraries|qm_core_library)\([^)]*\)' |
        sed 's/^[a-z_]*(//; s/)$//'); do
        used=${targetFolder[$lib]:-}
        [[ -z $used || $used == "$user" ]] && continue
        links[$user]+=" $used"
        ranked_below "$file links $lib" "$user" "$used"
        if [[ $used == src/core/testing && $user == src/* ]]; then
            fail "$file links $lib: no program links the test doubles"
        fi
    done
done

# Every source file in a ranked folder.
for file in "${sources[@]}"; do
    [[ $file == */CMakeLists.txt ]] && continue
    folder_of "$file"
    [[ -z $REPLY ]] && fail "$file lies in no folder of scripts/layers.txt: add its folder's line there"
done

# Every include a source file makes.
while IFS=: read -r file included; do
    folder_of "$file"
    user=$REPLY
    [[ -z $user ]] && continue
    target=
    for base in "${file%/*}" src tests tools .; do
        normalised "$base/$included"
        if [[ -f $root/$REPLY ]]; then
            target=$REPLY
            break
        fi
    done
    [[ -z $target ]] && continue
    folder_of "$target"
    used=$REPLY
    [[ -z $used || $used == "$user" ]] && continue
    ranked_below "$file includes $target" "$user" "$used" || continue
    if [[ $used == src/core/testing && $user == src/* ]]; then
        fail "$file includes $target: no program uses the test doubles"
    elif [[ $user == src/core/* ]]; then
        # A core folder with no CMakeLists.txt yet (header-only) may use base/ alone.
        linked=${links[$user]:-}
        [[ -f $root/$user/CMakeLists.txt ]] || linked=" src/core/base"
        if [[ " $linked " != *" $used "* ]]; then
            fail "$file includes $target, but $user does not link $used"
        fi
    fi
done < <(cd "$root" && grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
    "${sources[@]}" /dev/null | grep -v '/CMakeLists.txt:' |
    sed 's/^\([^:]*\):[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1:\2/')

[[ $status -eq 0 ]] &&
    echo "layering: every folder includes and links only itself and the folders ranked below it"
exit $status
