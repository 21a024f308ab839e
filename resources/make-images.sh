#!/bin/sh
# Draws the programs' icons, cursors and pictures into images/. Run by hand after a design
# change and commit the output: the build only compiles the files, it never needs ImageMagick.
set -eu
cd "$(dirname "$0")/images"

SERIF=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
SANS=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf

# icon NAME DRAW...: a 64x64 drawing on a clear ground, kept at 48, 32 and 16 pixels.
icon() {
  name=$1
  shift
  convert -size 64x64 xc:none -strokewidth 2 "$@" \
    -define icon:auto-resize=48,32,16 "$name"
}

# paged NAME DRAW...: the same on a sheet of paper with a folded corner.
paged() {
  name=$1
  shift
  icon "$name" -fill '#fdfdf8' -stroke '#5a6b7a' -draw "path 'M14,6 L42,6 L54,18 L54,58 L14,58 Z'" \
    -fill '#dfe6ec' -draw "path 'M42,6 L42,18 L54,18 Z'" "$@"
}

# Program icon: a page with a globe in front of it.
icon tw.ico \
  -fill '#fdfdf8' -stroke '#5a6b7a' -draw "path 'M8,4 L34,4 L44,14 L44,52 L8,52 Z'" \
  -fill '#dfe6ec' -draw "path 'M34,4 L34,14 L44,14 Z'" \
  -stroke '#9aa8b4' -draw "line 14,16 30,16" -draw "line 14,22 34,22" -draw "line 14,28 26,28" \
  -fill '#3f86b8' -stroke '#1f4f73' -draw "circle 40,40 40,60" \
  -fill none -stroke '#cfe6f5' -strokewidth 1.5 \
  -draw "ellipse 40,40 8,20 0,360" -draw "line 20,40 60,40" \
  -draw "ellipse 40,40 20,7 180,360" -draw "line 40,20 40,60" \
  -fill '#7fbf7f' -stroke none -draw "path 'M30,30 Q36,26 38,32 Q34,36 30,34 Z'" \
  -draw "path 'M44,44 Q52,42 52,50 Q46,54 44,48 Z'"

# Insert: a page with a green plus.
paged insert3.ico \
  -fill '#3c9a4c' -stroke '#24662f' -draw "path 'M30,26 L38,26 L38,34 L46,34 L46,42 L38,42 L38,50 L30,50 L30,42 L22,42 L22,34 L30,34 Z'"

# Change: a page with a pencil across it.
paged chg4.ico \
  -stroke '#9aa8b4' -draw 'line 20,18 36,18' -draw 'line 20,26 44,26' -draw 'line 20,34 40,34' \
  -fill '#e8b64a' -stroke '#8a6414' -draw "path 'M26,52 L50,28 L56,34 L32,58 Z'" \
  -fill '#f3d9a8' -draw "path 'M26,52 L32,58 L22,61 Z'" \
  -fill '#d46a6a' -draw "path 'M50,28 L54,24 L60,30 L56,34 Z'"

# Delete: a page crossed out in red.
paged delete4.ico \
  -stroke '#c0392b' -strokewidth 7 -draw 'line 22,22 46,48' -draw 'line 46,22 22,48'

# Find a file: a page under a magnifying glass.
paged filefind.ico \
  -fill '#d8ecf8' -stroke '#2d5f86' -strokewidth 4 -draw 'circle 30,32 30,44' \
  -stroke '#2d5f86' -strokewidth 7 -draw 'line 39,41 52,54'

# Close: an open door with an arrow leaving through it.
icon Progm039.ico \
  -fill '#8a5a3c' -stroke '#4d3020' -draw "rectangle 10,6 38,58" \
  -fill '#f5efe6' -draw "rectangle 14,10 34,58" \
  -fill '#b07850' -draw "path 'M14,10 L28,16 L28,62 L14,58 Z'" \
  -fill '#4d3020' -stroke none -draw "circle 25,38 25,40" \
  -fill '#3f86b8' -stroke '#1f4f73' \
  -draw "path 'M32,28 L46,28 L46,20 L60,33 L46,46 L46,38 L32,38 Z'"

# Find by: a target.
icon target.ico \
  -fill '#c0392b' -stroke '#7a231a' -draw "circle 32,32 32,58" \
  -fill '#fdfdf8' -stroke none -draw "circle 32,32 32,50" \
  -fill '#c0392b' -draw "circle 32,32 32,42" \
  -fill '#fdfdf8' -draw "circle 32,32 32,35" \
  -fill '#c0392b' -draw "circle 32,32 32,29"

# Note reminder: a yellow note with a turned-up corner.
icon note5A.ico \
  -fill '#f7e27a' -stroke '#9c8520' -draw "path 'M8,8 L56,8 L56,44 L44,56 L8,56 Z'" \
  -fill '#e2c94a' -draw "path 'M56,44 L44,44 L44,56 Z'" \
  -stroke '#9c8520' -strokewidth 1.5 \
  -draw "line 14,20 50,20" -draw "line 14,28 50,28" -draw "line 14,36 40,36"

# Query by example: a funnel over a list.
icon QkQBE.ico \
  -stroke '#9aa8b4' -draw "line 10,52 54,52" -draw "line 10,58 46,58" \
  -fill '#6aa5d0' -stroke '#1f4f73' \
  -draw "path 'M6,6 L58,6 L38,28 L38,46 L26,40 L26,28 Z'"

# Load a saved query: a folder with an arrow out of it.
icon QkLoad.ico \
  -fill '#e8c46a' -stroke '#8a6414' -draw "path 'M4,18 L22,18 L26,24 L60,24 L60,58 L4,58 Z'" \
  -fill '#f3d98e' -draw "path 'M4,30 L60,30 L60,58 L4,58 Z'" \
  -fill '#3c9a4c' -stroke '#24662f' -draw "path 'M26,54 L26,40 L18,40 L32,26 L46,40 L38,40 L38,54 Z'"

# Pictures the system shows without naming them: the host and registrar buttons of the
# domain browse and the notes form's notepad.
icon hosts.ico \
  -fill '#cfd6dc' -stroke '#4d5b66' -draw "roundrectangle 8,6 34,58 3,3" \
  -stroke '#8a97a2' -draw "line 13,16 29,16" -draw "line 13,24 29,24" -draw "line 13,32 29,32" \
  -fill '#3c9a4c' -stroke none -draw "circle 14,48 14,50" -fill '#e8b64a' -draw "circle 21,48 21,50" \
  -fill '#3f86b8' -stroke '#1f4f73' -draw "circle 44,40 44,58" \
  -fill none -stroke '#cfe6f5' -strokewidth 1.5 \
  -draw "ellipse 44,40 7,18 0,360" -draw "line 26,40 62,40" -draw "line 44,22 44,58"

icon registrars.ico \
  -fill '#f3ead8' -stroke '#6b4e2e' -draw "rectangle 12,30 52,58" \
  -fill '#b5523b' -stroke '#6b3326' -draw "path 'M4,32 L32,8 L60,32 Z'" \
  -fill '#8a5a3c' -stroke '#4d3020' -draw "rectangle 27,40 37,58" \
  -fill '#9fc7e3' -stroke '#4d5b66' -draw "rectangle 16,36 23,43" -draw "rectangle 41,36 48,43"

icon notepad.ico \
  -fill '#fdfdf8' -stroke '#5a6b7a' -draw "rectangle 12,10 52,60" \
  -stroke '#9ab8d4' -draw "line 18,24 46,24" -draw "line 18,32 46,32" -draw "line 18,40 46,40" \
  -draw "line 18,48 38,48" \
  -fill none -stroke '#4d5b66' -strokewidth 2.5 \
  -draw "ellipse 20,10 3,5 180,360" -draw "ellipse 32,10 3,5 180,360" \
  -draw "ellipse 44,10 3,5 180,360"

# cursor NAME: a pointing hand, the fingertip as hot spot.
cursor() {
  convert -size 32x32 xc:none -strokewidth 1.5 -fill white -stroke black \
    -draw "roundrectangle 9,2 14,18 2.5,2.5" \
    -draw "path 'M9,14 L6,13 Q3,14 4,17 L9,25 L11,30 L25,30 L27,23 L27,15 Q26,12 23,13 L14,13 Z'" \
    -draw "line 14,13 14,20" -draw "line 19,13 19,20" -draw "line 23,13 23,20" \
    "cur:$1"
  # Written as an icon: mark it a cursor (type 2) and put the hot spot, the tip of the finger,
  # into the directory entry (bytes 10-13).
  printf '\002\000' | dd of="$1" bs=1 seek=2 conv=notrunc status=none
  printf '\013\000\002\000' | dd of="$1" bs=1 seek=10 conv=notrunc status=none
}
cursor Glove.cur
cursor hand.cur

# The frame's background: a soft gradient with the program's name, a baseline JPEG.
convert -size 1024x768 gradient:'#eaf2f8-#b8cfe0' \
  -fill '#ffffff40' -stroke none -draw "circle 820,600 820,900" -draw "circle 180,140 180,330" \
  -font "$SERIF" -pointsize 120 -fill '#2d5f8633' -gravity center -annotate +6+6 'Tarnwick' \
  -fill '#2d5f86' -annotate +0+0 'Tarnwick' \
  -font "$SANS" -pointsize 28 -fill '#4a6f8c' -annotate +0+100 'Your domains, hosts and web pages' \
  -strip -interlace none -sampling-factor 2x2 -quality 85 "jpeg:newtarn 2.jpg"

# The page reader's background.
convert -size 800x600 gradient:'#eef5ea-#c4dbb8' \
  -font "$SERIF" -pointsize 90 -fill '#3f6b3a' -gravity center -annotate +0-20 'Sondrel' \
  -font "$SANS" -pointsize 24 -fill '#56804f' -annotate +0+60 'Reads the pages of a web site' \
  -colors 64 "gif:sondrel.gif"
