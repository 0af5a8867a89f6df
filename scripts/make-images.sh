#!/usr/bin/env bash
# Regenerates the committed images under Res/ from their SVG sources:
#
#   icon.svg, icon-small.svg  -> fuzzyControl.ico   (16, 32, 48, 64, 128 px at
#                                                    32 bits and 32 px at 8 bits)
#   fuzzy_ctrl_scheme.svg     -> fuzzy_ctrl_scheme.png (2069 x 673, RGB)
#   about_logo.svg            -> about_logo.png        (199 x 165, RGB)
#   the icon's 32-bit sizes   -> icons/kestrune-N.png  (hicolor theme)
#
# The build compiles the committed files in and never runs this script; run it
# by hand after editing an SVG and commit the results together.
# Needs rsvg-convert (librsvg2-bin), convert (imagemagick) and icotool (icoutils).
set -euo pipefail

res="$(cd "$(dirname "$0")/../Res" && pwd)"

for tool in rsvg-convert convert icotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "make-images.sh: $tool is missing (see scripts/install-deps.sh)" >&2
        exit 1
    fi
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# render <svg> <size in pixels> <png>: RGBA rendering at exactly that size.
render() {
    rsvg-convert --width="$2" --height="$3" "$res/$1" -o "$4"
}

# opaque_png <svg> <width> <height> <png>: 24-bit RGB on white, without
# metadata chunks, so that the same SVG always gives the same bytes.
opaque_png() {
    render "$1" "$2" "$3" "$tmp/raw.png"
    convert "$tmp/raw.png" -background white -alpha remove -alpha off -strip \
        -define png:exclude-chunks=date,time PNG24:"$res/$4"
}

opaque_png fuzzy_ctrl_scheme.svg 2069 673 fuzzy_ctrl_scheme.png
opaque_png about_logo.svg 199 165 about_logo.png

# The icon: the small sizes come from the simplified drawing.
render icon-small.svg 16 16 "$tmp/icon16.png"
render icon-small.svg 32 32 "$tmp/icon32.png"
for size in 48 64 128; do
    render icon.svg "$size" "$size" "$tmp/icon$size.png"
done
# The 8-bit entry: at most 256 colours in a palette, transparency on or off.
convert "$tmp/icon32.png" -colors 256 PNG8:"$tmp/icon32-8bit.png"

icotool --create --output="$res/fuzzyControl.ico" \
    --bit-depth=32 "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" \
                   "$tmp/icon64.png" "$tmp/icon128.png" \
    --bit-depth=8 "$tmp/icon32-8bit.png"

# The same renderings for the desktop's hicolor icon theme.
mkdir -p "$res/icons"
for size in 16 32 48 64 128; do
    convert "$tmp/icon$size.png" -strip -define png:exclude-chunks=date,time \
        PNG32:"$res/icons/kestrune-$size.png"
done

echo "Regenerated in $res:"
(cd "$res" && identify fuzzyControl.ico fuzzy_ctrl_scheme.png about_logo.png)
