#!/bin/sh
# Runs a Windows program under Wine with a prefix of its own and an X server of its own, and
# leaves neither a wineserver nor the X server behind. Exits with the program's status, or 77
# when the X server asked for cannot be started here.
#
#   run-under-wine.sh [--xorg-dummy] PREFIX PROGRAM [ARGUMENT...]
#
# The server is Xvfb, or with --xorg-dummy an Xorg with the dummy video driver: Wine reaches the
# display's gamma only through XF86VidMode, which Xvfb lacks. WINE and WINESERVER name other
# binaries.
set -u
server=xvfb
if [ "${1-}" = --xorg-dummy ]; then
    server=xorg
    shift
fi
[ $# -ge 2 ] || {
    echo "usage: $0 [--xorg-dummy] PREFIX PROGRAM [ARGUMENT...]" >&2
    exit 2
}
mkdir -p "$1" || exit 1
prefix=$(cd "$1" && pwd) # Wine wants it absolute
shift

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No .NET or Gecko installer when the prefix is made, and no menu entries in the home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

work=$(mktemp -d)
# Caches (Mesa's shaders when the prefix is made) go with the run, not into the home folder.
export XDG_CACHE_HOME="$work/cache"
xserver=
cleanup() {
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    if [ -n "$xserver" ]; then
        kill "$xserver" 2>/dev/null
        wait "$xserver" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The server names a free display on the pipe once it listens.
mkfifo "$work/display"
if [ "$server" = xorg ]; then
    if ! command -v Xorg >/dev/null || ! [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
        echo "no Xorg with the dummy driver (xserver-xorg-core, xserver-xorg-video-dummy)" >&2
        exit 77
    fi
    printf 'Section "Device"\n Identifier "d"\n Driver "dummy"\n VideoRam 256000\nEndSection\n' \
        >"$work/xorg.conf"
    Xorg -displayfd 3 -config "$work/xorg.conf" -noreset -nolisten tcp -novtswitch -sharevts \
        -logfile "$work/server.log" 3>"$work/display" >/dev/null 2>&1 &
else
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$work/display" \
        >"$work/server.log" 2>&1 &
fi
xserver=$!
read -r number <"$work/display" || number=
if [ -z "$number" ]; then
    echo "the X server did not start:" >&2
    tail -n 20 "$work/server.log" >&2
    [ "$server" = xorg ] && exit 77
    exit 1
fi
export DISPLAY=":$number"

timeout --kill-after=10 240 "$WINE" "$@"
