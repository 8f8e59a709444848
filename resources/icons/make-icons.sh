#!/bin/sh
# Draws the program's icons. The shapes are written once below and produce both
# the SVG sources and the PNG files the program loads (ImageMagick's draw
# command reads the same path syntax as SVG).
set -eu
cd "$(dirname "$0")"

BG='M12 2 H52 A10 10 0 0 1 62 12 V52 A10 10 0 0 1 52 62 H12 A10 10 0 0 1 2 52 V12 A10 10 0 0 1 12 2 Z'
PAGE='M16 9 H38 L48 19 V55 H16 Z'
FOLD='M38 9 V19 H48 Z'
LINES='M21 27 H43 V30 H21 Z M21 34 H43 V37 H21 Z M21 41 H34 V44 H21 Z'
BADGE='M46 35 A11 11 0 1 1 45.99 35 Z'
TICK='M40 46 L45 51 L53 41'

cat > quilbex.svg <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <path d="$BG" fill="#008080"/>
  <path d="$PAGE" fill="#ffffff" stroke="#004040" stroke-width="1.5"/>
  <path d="$FOLD" fill="#cfe8e8" stroke="#004040" stroke-width="1.5"/>
  <path d="$LINES" fill="#008080"/>
  <path d="$BADGE" fill="#ffff00" stroke="#806000" stroke-width="1.5"/>
  <path d="$TICK" fill="none" stroke="#004040" stroke-width="3" stroke-linecap="round" stroke-linejoin="round"/>
</svg>
SVG

convert -size 64x64 xc:none \
  -fill '#008080' -stroke none -draw "path '$BG'" \
  -fill '#ffffff' -stroke '#004040' -strokewidth 1.5 -draw "path '$PAGE'" \
  -fill '#cfe8e8' -draw "path '$FOLD'" \
  -fill '#008080' -stroke none -draw "path '$LINES'" \
  -fill '#ffff00' -stroke '#806000' -strokewidth 1.5 -draw "path '$BADGE'" \
  -fill none -stroke '#004040' -strokewidth 3 -draw "stroke-linecap round stroke-linejoin round path '$TICK'" \
  -strip PNG32:quilbex.png

OK='M3 8.5 L6.5 12 L13 4.5'
CANCEL='M4 4 L12 12 M12 4 L4 12'
cat > ok.svg <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <path d="$OK" fill="none" stroke="#008000" stroke-width="2.5" stroke-linecap="round" stroke-linejoin="round"/>
</svg>
SVG
cat > cancel.svg <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <path d="$CANCEL" fill="none" stroke="#c00000" stroke-width="2.5" stroke-linecap="round"/>
</svg>
SVG
convert -size 16x16 xc:none -fill none -stroke '#008000' -strokewidth 2.5 \
  -draw "stroke-linecap round stroke-linejoin round path '$OK'" -strip PNG32:ok.png
convert -size 16x16 xc:none -fill none -stroke '#c00000' -strokewidth 2.5 \
  -draw "stroke-linecap round path '$CANCEL'" -strip PNG32:cancel.png
