#!/usr/bin/env bash
# Draws files.gif, the faint picture behind the main window's list, with ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
/usr/bin/convert -size 160x120 xc:white \
  -fill '#eef3f9' -stroke '#d5e0ec' -strokewidth 2 -draw 'roundrectangle 30,22 120,92 6,6' \
  -fill '#f3f7fb' -stroke '#dbe5ef' -draw 'roundrectangle 42,12 132,82 6,6' \
  -fill '#e4eef8' -stroke '#cfdcea' -draw 'roundrectangle 54,30 144,100 6,6' \
  -fill '#dcead9' -stroke none -draw 'polygon 58,96 84,64 102,84 114,72 140,96' \
  -fill '#fbeed8' -draw 'circle 124,46 124,54' \
  -fill '#f6e3c8' -stroke '#ead2ad' -draw 'roundrectangle 104,74 150,114 5,5' \
  -fill white -stroke none -draw 'rectangle 114,84 140,104' \
  -colors 32 files.gif
