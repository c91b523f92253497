#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every benchmark; prints the figures and the machine.
#
#   bash bench/run.sh [build folder]      (default: build-bench)
#
# The editor benchmark runs on a virtual X display with Mesa's software
# OpenGL, twice: with a warm shader cache (every start after the first on a
# machine) and with the cache off (the very first start, when the software
# renderer compiles every shader). Take the figures on a quiet machine:
# the load averages are printed with them.
set -euo pipefail

cd "$(dirname "$0")/.."
build="$(realpath -m "${1:-build-bench}")"
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tarvik_bench_codec tarvik_bench_editor -j"$jobs"

display=(xvfb-run -a -s "-screen 0 1280x1024x24")
editor="$build/bench/tarvik_bench_editor"

echo "== machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "uptime: $(uptime)"

echo
echo "== codec: one image decoded into 310 texts, 310 texts stored into one image"
"$build/bench/tarvik_bench_codec" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# A shader cache of the benchmark's own, filled by one untimed run, so that
# the warm figures do not depend on what ran on this machine before.
export MESA_SHADER_CACHE_DIR="$build/bench/shader-cache"
rm -rf "$MESA_SHADER_CACHE_DIR"
"${display[@]}" "$editor" --edits 200 --opens 1 --startup-runs 1 >/dev/null 2>&1

echo
echo "== editor, warm shader cache"
"${display[@]}" "$editor" 2> >(grep -v XDG_RUNTIME_DIR >&2)

echo
echo "== editor, shader cache off (first start on a machine)"
MESA_SHADER_CACHE_DISABLE=true "${display[@]}" "$editor" 2> >(grep -v XDG_RUNTIME_DIR >&2)
