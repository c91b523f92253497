#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a virtual X display of its own:
#
#   bash tools/with_display.sh COMMAND [ARGUMENT...]
#
# The server picks a free display number itself and reports it only once it
# accepts connections, so nothing is guessed and nothing reaches it early; a
# server another run is still taking down cannot be mistaken for this one.
# When the command ends the server is ended and waited for. Exit status: the
# command's, or 2 when no display came up (the server's output is printed).
set -uo pipefail

if [[ $# -eq 0 ]]; then
    echo "usage: bash tools/with_display.sh COMMAND [ARGUMENT...]" >&2
    exit 2
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-display.XXXXXX") || exit 2
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for ((i = 0; i < 300; i++)); do
    [[ $(wc -l <"$work/display") -ge 1 ]] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1  # polling interval, not a wait for the server
done
number=$(head -n 1 "$work/display")
if [[ ! "$number" =~ ^[0-9]+$ ]]; then
    echo "no virtual display came up; the X server said:" >&2
    cat "$work/server.log" >&2
    exit 2
fi
env -u XAUTHORITY DISPLAY=":$number" "$@"
status=$?
exit "$status"
