#!/bin/sh
# Draws the pictures of the main window and the picker in docs/ with the project's own offscreen
# rendering of the layout tables (form_shots of a Linux build), or holds them against it.
#
#   tools/doc-pictures.sh BUILD_DIR           write docs/main-window.png and docs/picker.png
#   tools/doc-pictures.sh --check BUILD_DIR   exit 1 when a picture differs from a fresh drawing
set -eu

check=false
if [ "${1:-}" = --check ]; then
    check=true
    shift
fi
[ $# = 1 ] || { echo "usage: doc-pictures.sh [--check] BUILD_DIR" >&2; exit 2; }
build=$1
docs=$(cd "$(dirname "$0")/../docs" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

"$build/tests/form_shots" "$tmp" >/dev/null

status=0
for pair in main:main-window picker:picker; do
    drawn=$tmp/linux-${pair%%:*}.png
    kept=$docs/${pair#*:}.png
    if ! $check; then
        cp "$drawn" "$kept"
        echo "wrote $kept"
        continue
    fi
    # ImageMagick's count of differing pixels; the files' bytes may differ with the PNG encoder.
    differing=$(/usr/bin/compare -metric AE "$drawn" "$kept" null: 2>&1) || true
    if [ "$differing" != 0 ]; then
        echo "FAIL: $kept differs from a fresh drawing ($differing pixels); run tools/doc-pictures.sh $build" >&2
        status=1
    fi
done
exit $status
