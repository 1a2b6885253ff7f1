#!/usr/bin/env bash
# Fails when a file under src/ includes a file from a higher layer. From the bottom:
# platform, media, core, then console and script (neither includes the other), then app.
#   scripts/check-layers.sh [source-folder]     (default: the project's src/)
set -euo pipefail
src=$(realpath "${1:-$(dirname "$0")/../src}")
[ -d "$src" ] || { echo "check-layers: no folder $src" >&2; exit 2; }

rank() {
    case "$1" in
        platform) echo 0 ;;
        media) echo 1 ;;
        core) echo 2 ;;
        console | script) echo 3 ;;
        app) echo 4 ;;
        *) echo -1 ;;
    esac
}

bad=0
while IFS= read -r -d '' file; do
    rel="${file#"$src"/}"
    from="${rel%%/*}"
    from_rank=$(rank "$from")
    if [ "$from_rank" -lt 0 ]; then
        echo "$rel: folder '$from' has no place in the layers" >&2
        bad=1
        continue
    fi
    lineno=0
    while IFS= read -r line; do
        lineno=$((lineno + 1))
        [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\"\>]+)[\"\>] ]] || continue
        target="${BASH_REMATCH[1]}"
        if [[ "$target" == ../* ]]; then
            # A path out of the file's own folder names the layer it reaches.
            target=$(realpath -m --relative-to="$src" "$(dirname "$file")/$target")
        fi
        [[ "$target" == */* ]] || continue  # a file of the same folder or a library's
        to="${target%%/*}"
        [ -e "$src/$target" ] || continue  # a library's header such as <QtCore/QString>
        to_rank=$(rank "$to")
        if [ "$to_rank" -gt "$from_rank" ] || { [ "$to_rank" -eq "$from_rank" ] && [ "$to" != "$from" ]; }; then
            echo "$rel:$lineno: $from must not include $target" >&2
            bad=1
        fi
    done <"$file"
done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

[ "$bad" -eq 0 ] && echo "check-layers: every include points down the layers"
exit "$bad"
