#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in a configured build folder and checks what a
# user would get from it:
#
#   bash packaging/check.sh BUILD_DIR
#
#   - the desktop entry and the AppStream metainfo as shipped validate
#     without an error, a warning, a hint or an info (AppStream's pedantic
#     notes aside: it would have the id in lower case);
#   - lintian finds no error and no warning in the package;
#   - the package holds exactly the expected files (the user manual's pages
#     and pictures among them), and each icon is the size its theme folder
#     says (the 32 px one the window's own icon, byte for byte);
#   - the unpacked programs carry no RPATH and find every library among the
#     system's, none in the build or source tree;
#   - the unpacked editor, started on a virtual display, shows its main
#     window "Tarvik for Saabs" (after the splash's 2.5 s);
#   - the unpacked tarvik-tables prints its version and dumps the unpacked
#     demo image as the built one does.
#
# Prints what it checks, then one line of summary; exits 1 when any check
# failed, 2 when it could not run at all.
#
# Needs: dpkg-dev, lintian, desktop-file-utils, appstream, xvfb,
# xdotool, file.
set -uo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: bash packaging/check.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" 2>/dev/null && pwd) || { echo "no such build folder: $1" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    echo "$build is not a configured build folder" >&2
    exit 2
fi
for tool in cmake dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli Xvfb xdotool readelf ldd file; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$build/tarvik_${version}_${arch}.deb"
app_id=io.github.tarvik.Tarvik

# Everything the package may hold, folders aside.
expected_files=(
    /usr/bin/tarvik
    /usr/bin/tarvik-tables
    /usr/lib/tarvik/plugins/tarvik-sheet.so
    "/usr/share/applications/$app_id.desktop"
    /usr/share/doc/tarvik/changelog.gz
    /usr/share/doc/tarvik/copyright
    /usr/share/doc/tarvik/README.md
    /usr/share/doc/tarvik/chips.md
    /usr/share/doc/tarvik/editor.md
    /usr/share/doc/tarvik/emulators.md
    /usr/share/doc/tarvik/main-kennfellt.png
    /usr/share/doc/tarvik/main-other-parameters.png
    /usr/share/doc/tarvik/performance.md
    /usr/share/doc/tarvik/sheet.png
    /usr/share/doc/tarvik/sheets.md
    /usr/share/doc/tarvik/table-math.md
    /usr/share/doc/tarvik/tables.md
    "/usr/share/icons/hicolor/32x32/apps/$app_id.png"
    "/usr/share/icons/hicolor/48x48/apps/$app_id.png"
    "/usr/share/icons/hicolor/64x64/apps/$app_id.png"
    "/usr/share/icons/hicolor/128x128/apps/$app_id.png"
    "/usr/share/icons/hicolor/256x256/apps/$app_id.png"
    /usr/share/man/man1/tarvik.1.gz
    /usr/share/man/man1/tarvik-tables.1.gz
    "/usr/share/metainfo/$app_id.metainfo.xml"
    /usr/share/tarvik/demo.bin
)

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-package-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
root="$work/root"

passed=()
failed=()
pass() { passed+=("$1"); echo "ok    $1"; }
fail() { failed+=("$1"); echo "FAIL  $1"; }

summary() {
    local total=$((${#passed[@]} + ${#failed[@]}))
    if ((${#failed[@]})); then
        echo "packaging check: FAILED ${#failed[@]} of $total checks (${failed[*]}) for $(basename "$deb")"
        exit 1
    fi
    echo "packaging check: all $total checks passed for $(basename "$deb")"
    exit 0
}

# ---- build ----------------------------------------------------------------
echo "== building $(basename "$deb")"
rm -f "$deb"
if ! cmake --build "$build" --target package >"$work/build.log" 2>&1 || [[ ! -f "$deb" ]]; then
    tail -n 30 "$work/build.log"
    fail build
    summary
fi
pass build
dpkg -x "$deb" "$root" || { fail unpack; summary; }

# ---- desktop entry and metainfo, as shipped -------------------------------
echo "== desktop-file-validate, appstreamcli validate"
desktop="$root/usr/share/applications/$app_id.desktop"
if out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z "$out" ]]; then
    pass desktop-entry
else
    echo "$out"
    fail desktop-entry
fi
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1)
status=$?
echo "$out"
if ((status == 0)) && ! grep -qE '^[EWI]: ' <<<"$out"; then
    pass metainfo
else
    fail metainfo
fi

# ---- lintian --------------------------------------------------------------
echo "== lintian"
# It warns when run as root; that is about the run, not the package.
if lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2); then
    pass lintian
else
    fail lintian
fi

# ---- contents --------------------------------------------------------------
echo "== contents"
# Entries as "./usr/bin/tarvik"; folders end in "/".
dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' \
    | grep -v '/$' | sed 's|^\.||' | sort >"$work/actual"
printf '%s\n' "${expected_files[@]}" | sort >"$work/expected"
if diff -u "$work/expected" "$work/actual"; then
    pass contents
else
    echo "(- expected but missing, + in the package but not expected)"
    fail contents
fi

icons_ok=1
for size in 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    if ! file -b "$icon" 2>/dev/null | grep -q "PNG image data, $size x $size,"; then
        echo "not a $size x $size PNG: $icon"
        icons_ok=0
    fi
done
if ! cmp -s "$root/usr/share/icons/hicolor/32x32/apps/$app_id.png" "$source_dir/windows/pictures/icon.png"; then
    echo "the 32 px theme icon differs from the window's windows/pictures/icon.png"
    icons_ok=0
fi
((icons_ok)) && pass icons || fail icons

# ---- nothing from the build tree ------------------------------------------
echo "== libraries of the unpacked programs"
libraries_ok=1
for program in "$root"/usr/bin/* "$root"/usr/lib/tarvik/plugins/*.so; do
    if readelf -d "$program" | grep -qE '\((RPATH|RUNPATH)\)'; then
        echo "$(basename "$program") carries a search path:"
        readelf -d "$program" | grep -E '\((RPATH|RUNPATH)\)'
        libraries_ok=0
    fi
    # Every library resolved, and none from the build or the source tree.
    if ! linked=$(env -u LD_LIBRARY_PATH ldd "$program"); then
        echo "ldd failed on $(basename "$program")"
        libraries_ok=0
    elif grep -F -e 'not found' -e "$build/" -e "$source_dir/" <<<"$linked"; then
        echo "^ $(basename "$program") resolves these wrongly"
        libraries_ok=0
    fi
done
if grep -rlF -e "$build" -e "$source_dir/" "$root"; then
    echo "^ these unpacked files name the build or source tree"
    libraries_ok=0
fi
# Every Qt library a program links is a dependency of the package (Qt
# SerialPort for the emulator commands, ...): found by dpkg-shlibdeps.
depends=$(dpkg-deb -f "$deb" Depends)
shipped=("$root"/usr/bin/* "$root"/usr/lib/tarvik/plugins/*.so)
for library in $(env -u LD_LIBRARY_PATH ldd "${shipped[@]}" | grep -oE 'libQt6[A-Za-z]+' | sort -u); do
    package=$(dpkg -S "$(env -u LD_LIBRARY_PATH ldd "${shipped[@]}" | grep -m1 "$library" | awk '{print $3}')" 2>/dev/null |
        cut -d: -f1 | head -n1)
    if [[ -n $package && $depends != *"$package"* ]]; then
        echo "$library comes from $package, which the package does not depend on"
        libraries_ok=0
    fi
done
((libraries_ok)) && pass libraries || fail libraries

# ---- the editor starts -----------------------------------------------------
echo "== the unpacked editor on a virtual display"
# The editor, from the unpacked tree and with nothing pointing back at the
# build: poll until its main window is mapped, then end it. Exit status 0
# when the window came, 1 when the editor ended or the deadline passed first.
# A window of the editor's shown before the main one is the splash; it is
# reported, not required, as a loaded machine may hide it before a poll.
cat >"$work/start_editor.sh" <<'EOF'
program=$1
deadline=$((SECONDS + $2))
"$program" >"$3" 2>&1 &
pid=$!
splash="the splash was not seen"
while ! xdotool search --onlyvisible --name '^Tarvik for Saabs$' >/dev/null 2>&1; do
    if xdotool search --onlyvisible --classname '^tarvik$' >/dev/null 2>&1; then
        splash="the splash before it"
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "the editor ended (status $?) before its main window appeared"
        exit 1
    fi
    if ((SECONDS >= deadline)); then
        echo "no main window within $2 s"
        kill "$pid"
        exit 1
    fi
    sleep 0.1  # polling interval, not a wait for the window
done
echo "main window \"Tarvik for Saabs\" shown after $((SECONDS - (deadline - $2))) s, $splash"
# Its identity as the desktop sees it: the window class "tarvik" in both
# halves of WM_CLASS, which the desktop entry's StartupWMClass names.
# (This xdotool takes one pattern and flags for the fields it must match.)
main_windows=$(xdotool search --onlyvisible --name '^Tarvik for Saabs$' 2>/dev/null | sort)
classed=$(xdotool search --onlyvisible --all --class --classname '^tarvik$' 2>/dev/null | sort)
if [[ -z $(comm -12 <(echo "$main_windows") <(echo "$classed")) ]]; then
    echo "the main window's WM_CLASS is not \"tarvik\", \"tarvik\""
    kill "$pid"
    exit 1
fi
echo "WM_CLASS \"tarvik\", \"tarvik\", as the desktop entry's StartupWMClass"
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
EOF
mkdir -p "$work/home" "$work/cache"
if (cd "$work" && env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
        HOME="$work/home" XDG_CACHE_HOME="$work/cache" \
        bash "$source_dir/tools/with_display.sh" \
        bash "$work/start_editor.sh" "$root/usr/bin/tarvik" 60 "$work/editor.log"); then
    pass editor
else
    echo "-- the editor's output:"
    cat "$work/editor.log" 2>/dev/null
    fail editor
fi

# ---- the table tool ---------------------------------------------------------
echo "== the unpacked tarvik-tables"
tables="$root/usr/bin/tarvik-tables"
if out=$(env -u LD_LIBRARY_PATH "$tables" --version 2>&1) && [[ "$out" == "Version $version" ]]; then
    echo "$out"
    pass tables-version
else
    echo "tarvik-tables --version: \"$out\""
    fail tables-version
fi
demo="$root/usr/share/tarvik/demo.bin"
if env -u LD_LIBRARY_PATH "$tables" dump "$demo" >"$work/dump.txt" 2>"$work/dump.err" && [[ -s "$work/dump.txt" ]] &&
        "$build/tables/tarvik-tables" dump "$source_dir/demo/demo.bin" >"$work/dump-built.txt" 2>/dev/null &&
        cmp -s "$work/dump.txt" "$work/dump-built.txt"; then
    echo "dump: $(wc -l <"$work/dump.txt") lines, the same as the built tool's of demo/demo.bin"
    pass tables-dump
else
    cat "$work/dump.err"
    diff "$work/dump-built.txt" "$work/dump.txt" | head -n 20
    fail tables-dump
fi
# The sheet loads its drawing module from the package's library folder, and
# draws without a display.
if env -u LD_LIBRARY_PATH -u DISPLAY -u TARVIK_SHEET_MODULE "$tables" sheet "$demo" --output "$work/sheet.png" \
        >"$work/sheet.out" 2>&1 && [[ $(file -b --mime-type "$work/sheet.png") == image/png ]]; then
    echo "sheet: $(file -b "$work/sheet.png")"
    pass tables-sheet
else
    cat "$work/sheet.out"
    fail tables-sheet
fi

summary
