#!/bin/sh
# Renders the SVG drawings in resources/ into the PNG files that
# resources/resources.qrc embeds, the two monitor icons into the Windows program
# icon app_icon.ico, and the application icon's theme sizes into dist/icons/,
# then checks every picture. The pictures are
# committed, so a build never needs the renderer; run this after editing an SVG.
#
#   tools/render-resources.sh          render, then check
#   tools/render-resources.sh --check  only check the committed PNGs
#
# Needs rsvg-convert (librsvg2-bin) to render and ImageMagick to flatten and
# check. Exits non-zero if a picture has the wrong size, carries an alpha
# channel, or has any pixel of its outer frame off the ground colour: the
# widgets lay themselves out from the picture size and sit on that colour.
set -eu

RSVG=${RSVG:-rsvg-convert}
CONVERT=${CONVERT:-/usr/bin/convert}
IDENTIFY=${IDENTIFY:-/usr/bin/identify}

cd "$(dirname "$0")/../resources"

render=1
case "${1-}" in
--check) render=0 ;;
"") ;;
*)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

failures=0
fail() {
    echo "FAIL $1: $2" >&2
    failures=$((failures + 1))
}

# Opaque pictures: name, width, height, ground colour (RRGGBB).
PICTURES='
mini_normal    32 32 F2F2F2
mini_focus     32 32 F2F2F2
close_normal   32 32 F2F2F2
close_focus    32 32 F2F2F2
setting_badge  48 48 00A7D1
advanced_badge 48 48 0093B8
lamp_night     96 96 F3F9FC
lamp_normal    96 96 F3F9FC
'

# Window icons, kept with their transparency: name, width, height.
ICONS='
app_icon_32    32 32
app_icon_16    16 16
picker_icon_32 32 32
picker_icon_16 16 16
'

check_size() { # file width height
    got=$("$IDENTIFY" -format '%w %h' "$1")
    [ "$got" = "$2 $3" ] || fail "$1" "size $got, expected $2 $3"
}

echo "$PICTURES" | while read -r name w h ground; do
    [ -n "$name" ] || continue
    if [ "$render" = 1 ]; then
        "$RSVG" -w "$w" -h "$h" "$name.svg" -o "$tmp/$name.png"
        # Flatten onto the ground and drop alpha so every pixel is opaque;
        # -strip keeps timestamps out, so re-rendering is byte-stable.
        "$CONVERT" "$tmp/$name.png" -background "#$ground" -flatten \
            -alpha off -define png:color-type=2 -strip "$name.png"
    fi
done

echo "$ICONS" | while read -r name w h; do
    [ -n "$name" ] || continue
    if [ "$render" = 1 ]; then
        "$RSVG" -w "$w" -h "$h" "$name.svg" -o "$tmp/$name.png"
        "$CONVERT" "$tmp/$name.png" -define png:color-type=6 -strip "$name.png"
    fi
done

# The Windows program icon: both monitor sizes in one file, for the resource script.
if [ "$render" = 1 ]; then
    "$CONVERT" app_icon_32.png app_icon_16.png app_icon.ico
fi
ico=$("$IDENTIFY" -format '%w %h,' app_icon.ico 2>/dev/null || true)
[ "$ico" = "32 32,16 16," ] || fail app_icon.ico "holds '$ico', expected 32 32 and 16 16"

# The application icon for the desktop's icon theme, from the same drawings: the 16 px one is
# drawn for that size, every larger size scales the 32 px drawing.
THEME_SIZES='16 32 48 64 128 256'
for size in $THEME_SIZES; do
    src=app_icon_32.svg
    [ "$size" = 16 ] && src=app_icon_16.svg
    out=../dist/icons/$size.png
    if [ "$render" = 1 ]; then
        "$RSVG" -w "$size" -h "$size" "$src" -o "$tmp/theme.png"
        "$CONVERT" "$tmp/theme.png" -define png:color-type=6 -strip "$out"
    fi
    if [ -f "$out" ]; then
        check_size "$out" "$size" "$size"
    else
        fail "$out" "missing"
    fi
done

# The checks run in this shell (not a pipeline) so that failures are counted.
while read -r name w h ground; do
    [ -n "$name" ] || continue
    f=$name.png
    [ -f "$f" ] || {
        fail "$f" "missing"
        continue
    }
    check_size "$f" "$w" "$h"
    alpha=$("$IDENTIFY" -format '%A' "$f")
    case "$alpha" in
    False | Undefined) ;;
    *) fail "$f" "has an alpha channel ($alpha)" ;;
    esac
    x=$((w - 1))
    y=$((h - 1))
    for p in "0,0" "$x,0" "0,$y" "$x,$y"; do
        c=$("$CONVERT" "$f" -format "%[hex:p{$p}]" info:)
        [ "$c" = "$ground" ] || fail "$f" "pixel $p is $c, expected $ground"
    done
    # Paint the interior with the ground: if the outer one-pixel frame was
    # clean, a single colour remains.
    n=$("$CONVERT" "$f" -fill "#$ground" \
        -draw "rectangle 1,1 $((w - 2)),$((h - 2))" -format '%k' info:)
    [ "$n" = 1 ] || fail "$f" "outer frame is not all $ground"
done <<EOF
$PICTURES
EOF

while read -r name w h; do
    [ -n "$name" ] || continue
    f=$name.png
    [ -f "$f" ] || {
        fail "$f" "missing"
        continue
    }
    check_size "$f" "$w" "$h"
done <<EOF
$ICONS
EOF

# Everything rendered must be embedded.
for f in *.png; do
    grep -q ">$f</file>" resources.qrc || fail "$f" "not listed in resources.qrc"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all resource pictures and icons OK"
