#!/usr/bin/env bash
# Checks that includes under src/ point one way only, lowest layer first:
#   platform -> log -> catalogue -> config -> state -> deploy/userdata
#   -> cli/gui -> app
# A file may include its own folder and every lower layer, never a higher one
# nor a neighbour on its own level (deploy and userdata, cli and gui): a
# cycle between two folders makes neither of them readable on its own.
#
#   check-layers.sh [build folder]   (the build folder is not needed)
set -uo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
src="$top/src"

rank() {
    case "$1" in
    platform) echo 0 ;;
    log) echo 1 ;;
    catalogue) echo 2 ;;
    config) echo 3 ;;
    state) echo 4 ;;
    deploy | userdata) echo 5 ;;
    cli | gui) echo 6 ;;
    app) echo 7 ;;
    *) echo -1 ;;
    esac
}

status=0
while IFS= read -r line; do
    file="${line%%:*}"
    rest="${line#*:}"
    lineno="${rest%%:*}"
    header="$(sed -E 's/^[^"]*"([^"]+)".*/\1/' <<<"${rest#*:}")"
    [[ "$header" == */* ]] || continue
    from="${file#"$src"/}"
    from="${from%%/*}"
    to="${header%%/*}"
    [ "$from" = "$to" ] && continue
    from_rank="$(rank "$from")"
    to_rank="$(rank "$to")"
    if [ "$from_rank" -lt 0 ]; then
        echo "check-layers: ${file#"$top"/} lies in a folder with no layer: $from"
        status=1
    elif [ "$to_rank" -lt 0 ]; then
        continue # a third-party or generated header
    elif [ "$to_rank" -ge "$from_rank" ]; then
        echo "check-layers: ${file#"$top"/}:$lineno ($from) includes $header ($to)"
        status=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src" --include='*.h' --include='*.cpp')

if [ $status -eq 0 ]; then
    echo "check-layers: every include under src/ points to its own or a lower layer"
fi
exit $status
