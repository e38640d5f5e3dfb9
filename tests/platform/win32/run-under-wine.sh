#!/bin/sh
# Runs a Windows program under Wine with a prefix of its own and an Xvfb of its own, and leaves
# neither a wineserver nor the Xvfb behind. Exits with the program's status.
#
#   run-under-wine.sh PREFIX PROGRAM [ARGUMENT...]
#
# WINE and WINESERVER name other binaries; DIMWARDEN_WINE_DISPLAY names an X display to use
# instead of a new Xvfb.
set -u
[ $# -ge 2 ] || {
    echo "usage: $0 PREFIX PROGRAM [ARGUMENT...]" >&2
    exit 2
}
prefix=$1
shift

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No .NET or Gecko installer when the prefix is made, and no menu entries in the home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

work=$(mktemp -d)
xvfb=
cleanup() {
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -n "${DIMWARDEN_WINE_DISPLAY:-}" ]; then
    DISPLAY=$DIMWARDEN_WINE_DISPLAY
else
    # Xvfb names a free display on the pipe once it listens.
    mkfifo "$work/display"
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    read -r number <"$work/display" || number=
    if [ -z "$number" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    DISPLAY=:$number
fi
export DISPLAY

mkdir -p "$prefix"
timeout --kill-after=10 240 "$WINE" "$@"
