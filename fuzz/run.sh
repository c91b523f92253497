#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (the codec, the table files apply reads, edit) with clang
# and runs each for a while.
#
#   bash fuzz/run.sh [build folder] [seconds per target]
#
# Defaults: build-fuzz next to this folder's parent, 30 seconds. Each target
# starts from its seed corpus in fuzz/corpus/<target> (only read) and keeps
# what it finds in <build folder>/corpus/<target>; an input that breaks a
# check is written to <build folder>/artifacts/ and the script fails.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build-fuzz}"
seconds="${2:-30}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j"$(nproc)"

for target in fuzz_store fuzz_roundtrip fuzz_tables fuzz_edit; do
    mkdir -p "$build/corpus/$target" "$build/artifacts"
    echo "== $target: $seconds s"
    # -max_len: a store input holds a dozen texts of up to a few hundred
    # characters; a round-trip input never needs more than the 4096 bytes
    # of an image.
    options=(-max_len=8192 -dict="$here/numbers.dict")
    [[ $target == fuzz_roundtrip ]] && options=(-max_len=4096)
    # A table file: the dumps it starts from are up to 12 KB.
    [[ $target == fuzz_tables ]] && options=(-max_len=16384 -dict="$here/tables.dict")
    # An edit: two seeds, a few choices and a number.
    [[ $target == fuzz_edit ]] && options=(-max_len=256)
    "$build/$target" \
        -max_total_time="$seconds" -timeout=10 "${options[@]}" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "$here/corpus/$target" 2>"$build/$target.log" || {
        tail -n 40 "$build/$target.log"
        echo "$target found a failing input; see $build/artifacts/" >&2
        exit 1
    }
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$build/$target.log"
done
