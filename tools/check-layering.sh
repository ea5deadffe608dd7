#!/usr/bin/env bash
# Checks that no folder includes a header of a folder above it. Every folder has a
# layer (below); a file may include headers of its own folder and of lower layers.
# Prints, per folder, the folders it includes, then each include that runs upwards
# or sideways; exits 1 when there is one or when a folder has no layer.
#   tools/check-layering.sh [SOURCE_DIR]
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root"

# The layer of a folder (a top-level folder, or its ui/ subfolder). Folders of one
# layer stand side by side and include none of each other.
layer_of() {
    case "$1" in
    common) echo 0 ;;
    settings | protocol | model | analysis) echo 1 ;;
    sim) echo 2 ;;
    instrument | frames) echo 3 ;;
    records) echo 4 ;;
    examination) echo 5 ;;
    */ui) echo 6 ;;
    app) echo 7 ;;
    tools | bench | tests | fuzz) echo 8 ;; # top: may use anything
    *) echo "" ;;
    esac
}
top_layer=8

# The folder a file belongs to: its top-level folder, or <folder>/ui for windows.
folder_of() {
    local path="$1" first rest
    first="${path%%/*}"
    rest="${path#*/}"
    case "$rest" in
    ui/*) echo "$first/ui" ;;
    *) echo "$first" ;;
    esac
}

sources=$(find . -path ./.git -prune -o -path './build*' -prune -o -type f \
    \( -name '*.h' -o -name '*.cpp' -o -name '*.ui' -o -name '*.h.in' \) -print | sed 's|^\./||' | sort)

# Where each header lives: its own file, ui_<X>.h beside <X>.ui, <X>.h beside <X>.h.in.
declare -A home
for path in $sources; do
    name="${path##*/}"
    case "$name" in
    *.ui) name="ui_${name%.ui}.h" ;;
    *.h.in) name="${name%.in}" ;;
    *.cpp) continue ;;
    esac
    folder=$(folder_of "$path")
    home[$name]="${home[$name]:+${home[$name]} }$folder"
done

declare -A uses
status=0
problems=""
for path in $sources; do
    case "$path" in *.h | *.cpp) ;; *) continue ;; esac
    own=$(folder_of "$path")
    own_layer=$(layer_of "$own")
    if [[ -z "$own_layer" ]]; then
        problems+="$path: folder $own has no layer (add it to tools/check-layering.sh and the README)"$'\n'
        status=1
        continue
    fi
    while IFS=: read -r line header; do
        [[ -n "$header" ]] || continue
        homes="${home[$header]:-}"
        [[ -n "$homes" ]] || continue # generated (moc) or not ours
        target=""
        for h in $homes; do
            if [[ "$h" == "$own" ]]; then target="$own"; fi
        done
        if [[ -z "$target" ]]; then
            if [[ "$homes" == *" "* ]]; then
                problems+="$path:$line: \"$header\" lives in several folders ($homes)"$'\n'
                status=1
                continue
            fi
            target="$homes"
        fi
        [[ "$target" == "$own" ]] && continue
        uses[$own]="${uses[$own]:-} $target"
        target_layer=$(layer_of "$target")
        if [[ "$own_layer" -lt "$top_layer" && ! "$target_layer" -lt "$own_layer" ]]; then
            problems+="$path:$line: includes \"$header\" of $target (layer $target_layer) from $own (layer $own_layer)"$'\n'
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$path" |
        sed -E 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1:\2/' |
        sed -E 's|:.*/|:|')
done

for folder in $(printf '%s\n' "${!uses[@]}" | sort); do
    included=$(tr ' ' '\n' <<<"${uses[$folder]}" | sed '/^$/d' | sort -u |
        while read -r f; do printf '%s(%s) ' "$f" "$(layer_of "$f")"; done)
    printf '%-16s layer %s includes %s\n' "$folder" "$(layer_of "$folder")" "$included"
done
if [[ $status -eq 0 ]]; then
    echo "no folder includes a folder above it or beside it"
else
    printf '%s' "$problems"
fi
exit $status
