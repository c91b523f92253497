#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header from a folder its own folder
# must not depend on: the subsystems depend on each other in one direction
# only (image <- platform, graph <- editor <- app; windows on its own).
#
#   bash tools/check_layers.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# folder: the project folders its files may include from (itself included)
declare -A allowed=(
    [image]="image"
    [platform]="platform"
    [graph]="graph image"
    [windows]="windows generated"
    [editor]="editor image platform graph windows"
    [app]="app editor image platform graph windows"
    [tables]="tables image platform generated"
)

status=0
for folder in "${!allowed[@]}"; do
    [[ -d $folder ]] || continue
    while IFS=: read -r file line include; do
        used=${include#*\"}
        used=${used%%/*}
        if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
            echo "$file:$line: $folder/ must not include from $used/: $include"
            status=1
        fi
    done < <(grep -rn --include='*.h' --include='*.cpp' -E '^#include "[^"]+"' "$folder" |
             sed -E 's/^([^:]+):([0-9]+):(.*)$/\1:\2:\3/')
    # A header included without its folder escapes this check.
    if grep -rn --include='*.h' --include='*.cpp' -E '^#include "[^"/]+"' "$folder"; then
        echo "$folder/: include headers with their folder, as \"image/codec.h\""
        status=1
    fi
done
if ((status == 0)); then echo "layers: every include points the allowed way"; fi
exit $status
