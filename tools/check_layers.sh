#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header from a folder its own folder
# must not depend on: the parts depend on each other in one direction only
# (image <- platform, graph <- editor <- app; windows on its own; the table
# tool's folders in the order cells <- formats <- chips <- sheet <- commands
# <- cli, with math beside formats; devices, the emulators, over image
# alone, for the tool's commands and the editor). A sub-folder is judged as
# a part of its own when it has a line below, and as part of the nearest
# folder above it that has one otherwise.
#
#   bash tools/check_layers.sh [source root]
#   bash tools/check_layers.sh --self-test
set -euo pipefail

# folder: the folders its files may include from (itself included)
declare -A allowed=(
    [image]="image"
    [platform]="platform image"
    [devices]="devices image"
    [graph]="graph image"
    [windows]="windows generated"
    [editor]="editor image platform devices graph windows"
    [app]="app editor image platform devices graph windows generated"
    [tables]="tables image"
    [tables/formats]="tables/formats tables image platform"
    [tables/math]="tables/math tables image"
    [tables/chips]="tables/chips tables/formats tables image platform"
    [tables/sheet]="tables/sheet tables/chips tables/formats tables image platform generated"
    [tables/commands]="tables/commands devices tables/sheet tables/chips tables/math tables/formats tables image platform generated"
    [tables/cli]="tables/cli tables/commands devices tables platform generated"
)

# The part a folder belongs to: itself, or the nearest folder above it with a
# line in the table; the folder itself when none has (generated/, ...).
part_of() {
    local folder=$1
    while [[ -n $folder && $folder != . ]]; do
        [[ -n ${allowed[$folder]+set} ]] && { echo "$folder"; return; }
        [[ $folder == */* ]] || break
        folder=${folder%/*}
    done
    echo "$1"
}

check() {
    local status=0 file line include used part folder
    while IFS=: read -r file line include; do
        part=$(part_of "$(dirname "$file")")
        used=${include#*\"}
        used=${used%\"*}
        if [[ $used != */* ]]; then
            echo "$file:$line: include headers with their folder, as \"image/codec.h\": $include"
            status=1
            continue
        fi
        used=$(part_of "${used%/*}")
        if [[ " ${allowed[$part]} " != *" $used "* ]]; then
            echo "$file:$line: $part/ must not include from $used/: $include"
            status=1
        fi
    done < <(for folder in "${!allowed[@]}"; do
        [[ $folder == */* || ! -d $folder ]] || grep -rn --include='*.h' --include='*.cpp' -E '^#include "[^"]+"' "$folder"
    done)
    return $status
}

if [[ ${1:-} == --self-test ]]; then
    # A tree with one allowed and one forbidden include of each kind must
    # be judged so, or the check itself is broken.
    tree=$(mktemp -d)
    trap 'rm -rf "$tree"' EXIT
    mkdir -p "$tree/tables/formats" "$tree/tables/commands" "$tree/image"
    echo '#include "tables/cells.h"' >"$tree/tables/formats/a.cpp"
    echo '#include "tables/commands/command.h"' >"$tree/tables/formats/b.cpp"
    echo '#include "image/layout.h"' >"$tree/tables/commands/c.cpp"
    echo '#include "codec.h"' >"$tree/image/d.cpp"
    out=$(cd "$tree" && check) && { echo "self-test: forbidden includes passed"; exit 1; }
    grep -q 'formats/b.cpp:1: tables/formats/ must not include from tables/commands/' <<<"$out" &&
        grep -q 'image/d.cpp:1: include headers with their folder' <<<"$out" &&
        ! grep -q -e 'a.cpp' -e 'c.cpp' <<<"$out" || { echo "self-test: wrong verdicts:"; echo "$out"; exit 1; }
    echo "layers self-test: sub-folders judged as parts of their own"
    exit 0
fi

cd "${1:-$(dirname "$0")/..}"
if check; then echo "layers: every include points the allowed way"; else exit 1; fi
