#!/usr/bin/env bash
# Draws the application icon (a parcel cut into triangles, the middle one numbered by a
# circle) at 16, 32 and 48 pixels into tarsel.ico. Needs ImageMagick; run it by hand.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in 48 32 16; do
    s=$(awk -v n="$size" 'BEGIN { print n / 48 }')
    p() { awk -v s="$s" -v x="$1" -v y="$2" 'BEGIN { printf "%.1f,%.1f", x * s, y * s }'; }
    w=$(awk -v s="$s" 'BEGIN { w = 2.5 * s; if (w < 1) w = 1; print w }')
    convert -size "${size}x${size}" xc:none \
        -fill '#1f6f8b' -stroke '#e8f1f2' -strokewidth "$w" \
        -draw "roundrectangle $(p 1 1) $(p 46 46) $(p 8 8)" \
        -fill '#f2c14e' -stroke '#202020' -strokewidth "$w" \
        -draw "polygon $(p 6 40) $(p 20 7) $(p 42 12) $(p 40 40)" \
        -fill none -draw "line $(p 20 7) $(p 40 40)" -draw "line $(p 20 7) $(p 6 40)" \
        "$tmp/icon$size.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" tarsel.ico
