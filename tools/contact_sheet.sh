#!/bin/sh
# Makes a contact sheet of the generated art with ImageMagick, for the docs:
#   tools/contact_sheet.sh <play folder> <output .png>
# Each picture is shown enlarged (faces and font twice, sprites four times) and as the game shows it: the cut-outs over the case's
# beige, the premultiplied bits as added onto black, the white font over dark blue-grey.
set -eu
play=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
im=/usr/bin/convert

# big <scale> <picture> <png> [options]: TGA rows stored bottom-up need -auto-orient.
big() {
  scale=$1
  in=$2
  png=$3
  shift 3
  "$im" "$in" -auto-orient "$@" -filter point -resize "$scale" "$png"
}
big 200% "$play/Case.tga" "$tmp/1-Case.png"
big 200% "$play/CaseSide.tga" "$tmp/2-CaseSide.png"
big 400% "$play/Hole.tga" "$tmp/3-Hole.png" -background '#d4ccb4' -alpha remove
big 400% "$play/Patch.tga" "$tmp/4-Patch.png" -background '#d4ccb4' -alpha remove
big 400% "$play/Bits.tga" "$tmp/5-Bits.png" -alpha off
# The font file is a 276-byte header followed by the sheet's raw R,G,B,A rows, top row first.
tail -c +277 "$play/SieveFont.bff" >"$tmp/sheet.rgba"
"$im" -size 256x256 -depth 8 "rgba:$tmp/sheet.rgba" -background '#181828' -alpha remove \
  -filter point -resize 200% "$tmp/6-SieveFont.png"

# One montage per row (faces and font, then the sprites), stacked.
sheet() {
  /usr/bin/montage -background '#303038' -fill '#e0e0e0' -pointsize 14 -geometry '+8+8' "$@"
}
sheet -label Case.tga "$tmp/1-Case.png" -label CaseSide.tga "$tmp/2-CaseSide.png" \
  -label SieveFont.bff "$tmp/6-SieveFont.png" -tile 3x1 "$tmp/row1.png"
sheet -label Hole.tga "$tmp/3-Hole.png" -label Patch.tga "$tmp/4-Patch.png" \
  -label Bits.tga "$tmp/5-Bits.png" -tile 3x1 "$tmp/row2.png"
"$im" "$tmp/row1.png" "$tmp/row2.png" -background '#303038' -gravity west -append -depth 8 "$out"
