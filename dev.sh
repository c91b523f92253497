#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Set up a Debian 12 machine for Tarvik, build it, and then either start the
# editor or run every test. Safe to run again: it installs only what is
# missing and rebuilds only what changed.
#
#   bash dev.sh run    install, build, start the editor
#   bash dev.sh test   install, build, run the whole test suite: once as
#                      built, once under AddressSanitizer and
#                      UndefinedBehaviorSanitizer, then 30 s of fuzzing per
#                      fuzz target (the codec, the table files apply reads)
set -euo pipefail

cd "$(dirname "$0")"
mode="${1:-}"
if [[ "$mode" != run && "$mode" != test ]]; then
    echo "usage: bash dev.sh run|test" >&2
    exit 2
fi

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    qt6-datavisualization-dev qt6-declarative-dev qt6-serialport-dev
    qt6-svg-dev
    libgl-dev libgl1-mesa-dri libglx-mesa0
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    xvfb xauth fontconfig fonts-liberation2
    clang-14 libclang-rt-14-dev clang-format-14
    libx11-dev libxtst-dev xclip
    dpkg-dev file lintian desktop-file-utils appstream xdotool
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [[ "$mode" == test ]]; then
    # The code's layout is .clang-format's; a file that differs fails here,
    # before anything is built. Fix with: clang-format-14 -i <files>.
    git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format-14 --dry-run --Werror
    echo "format: every C++ file is laid out as .clang-format says"
fi

jobs=$(nproc)
# Warnings fail the build: the code is kept free of them with the compiler
# installed above.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_WERROR=ON >/dev/null
cmake --build build -j"$jobs"

# The editor as built; `run` starts it, `test` makes sure it is where `run`
# looks for it.
editor=./build/app/tarvik
[[ -x "$editor" ]] || { echo "dev.sh: the build made no editor at $editor" >&2; exit 1; }
if [[ "$mode" == run ]]; then
    exec "$editor"
fi

# The tests open real windows and an OpenGL view: give them a virtual
# display of their own, with Mesa's software renderer.
on_display=(bash "$PWD/tools/with_display.sh")
(cd build && "${on_display[@]}" ctest --output-on-failure -j1)

# The Debian package: built from this build, validated (desktop entry,
# metainfo, lintian, contents), unpacked and started.
bash packaging/check.sh build

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer
# (any undefined behaviour aborts the test).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVIK_SANITIZE=ON -DTARVIK_WERROR=ON -DTARVIK_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
# Mesa unloads its driver before the leak check at exit, which then cannot
# tell whose a leak is; this keeps every loaded library until the end. The
# suppressions name third-party libraries only.
cc -shared -fPIC -O2 -o build-asan/keep_libraries.so tests/sanitizers/keep_libraries.c
(cd build-asan && "${on_display[@]}" env LD_PRELOAD="$PWD/keep_libraries.so" \
    ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 \
    LSAN_OPTIONS=suppressions="$PWD/../tests/sanitizers/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j1)

# Fuzz the image codec and the table-file readers, 30 seconds per target.
bash fuzz/run.sh build-fuzz 30
