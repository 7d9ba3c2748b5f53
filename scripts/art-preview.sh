#!/usr/bin/env bash
# Writes the artwork with the native tree's artgen into build/art, and PNG previews of it
# into build/art-preview: small pictures also enlarged eight times, icons one PNG per size.
# Needs scripts/build.sh first, and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
art=build/art
preview=build/art-preview
rm -rf "$art" "$preview"
mkdir -p "$preview"
build/native/tools/artgen "$art"
for file in "$art"/*.bmp "$art"/*.jpg; do
    name=$(basename "${file%.*}")
    convert "$file" "$preview/$name.png"
    if [[ $(identify -format '%w' "$file") -le 64 ]]; then
        convert "$file" -scale 800% "$preview/$name-x8.png"
    fi
done
for file in "$art"/*.ico; do
    name=$(basename "${file%.*}")
    convert "$file" "$preview/$name-%d.png"
    for png in "$preview/$name"-[0-9].png; do
        convert "$png" -background white -flatten -scale 800% "${png%.png}-x8.png"
    done
done
echo "art-preview: $(ls "$preview" | wc -l) previews in $preview"
