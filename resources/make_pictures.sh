#!/usr/bin/env bash
# Draws the pictures of the splash and about windows for the four screen
# scales (100, 125, 150 and 175 %) into the folder given as the only argument.
# Run by the build; the pictures are never committed.
# All are 8-bit with a colour table (the keycap needs fewer than 256 colours).
#   splash_<scale>.bmp  start picture, 420 x 260 at 100 %
#   about_<scale>.bmp   keycap of the about window, 96 x 96 at 100 %; the teal
#                       around it (0x008080 as RGB) is drawn transparent
#   klavento.ico        the program's icon, the same keycap at 16 to 48 pixels
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
bold=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
regular=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
[ -f "$bold" ] || bold=Liberation-Sans-Bold
[ -f "$regular" ] || regular=Liberation-Sans

for scale in 100 125 150 175; do
  s() { echo $(( ($1 * scale + 50) / 100 )); }

  # Splash: title over the home row, keys in the on-screen keyboard's finger
  # colours (little, ring, middle, index; the space bar in the thumb colour).
  w=$(s 420); h=$(s 260); key=$(s 40); gap=$(s 6); radius=$(s 6)
  args=(-size "${w}x${h}" gradient:'#0b4f6c-#1d8c93')
  args+=(-font "$bold" -fill white -pointsize "$(s 44)" -draw "text $(s 26),$(s 72) 'Klavento 7'")
  args+=(-font "$regular" -fill '#d8f1f0' -pointsize "$(s 18)"
         -draw "text $(s 29),$(s 104) 'Zehnfinger-Tastschreiben'")
  letters=(A S D F J K L Ö)
  colours=('#00ff00' '#ff0000' '#ffff00' '#00ffff' '#00ffff' '#ffff00' '#ff0000' '#00ff00')
  x=$(s 23); y=$(s 140)
  for i in "${!letters[@]}"; do
    [ "$i" -eq 4 ] && x=$(( x + $(s 18) ))
    args+=(-stroke '#06303f' -strokewidth "$(s 2)" -fill "${colours[$i]}"
           -draw "roundrectangle $x,$y $(( x + key )),$(( y + key )) $radius,$radius"
           -stroke none -fill '#06303f' -font "$bold" -pointsize "$(s 22)"
           -draw "text $(( x + $(s 12) )),$(( y + $(s 28) )) '${letters[$i]}'")
    x=$(( x + key + gap ))
  done
  args+=(-stroke '#06303f' -strokewidth "$(s 2)" -fill '#808000'
         -draw "roundrectangle $(s 110),$(s 192) $(s 310),$(s 222) $radius,$radius")
  # 256 colours, uncompressed, so the system loads them as they are: a third
  # of the size of true colour, and no eye tells them apart (PSNR over 50 dB).
  convert "${args[@]}" +dither -colors 256 -compress None -type Palette "BMP3:$out/splash_$scale.bmp"

  # About: one keycap on teal, edges drawn without blending so no teal-tinted
  # fringe remains once the teal is replaced by the window's face colour.
  w=$(s 96)
  convert -size "${w}x${w}" xc:'#008080' +antialias \
    -fill '#5a6b73' -draw "roundrectangle $(s 6),$(s 8) $(s 90),$(s 92) $(s 12),$(s 12)" \
    -fill '#f4f4f4' -draw "roundrectangle $(s 6),$(s 4) $(s 90),$(s 84) $(s 12),$(s 12)" \
    -fill '#00c000' -draw "rectangle $(s 38),$(s 70) $(s 58),$(s 73)" \
    -antialias -fill '#0b4f6c' -font "$bold" -pointsize "$(s 50)" \
    -gravity center -annotate "+0-$(s 4)" 'K' \
    +dither -colors 256 -compress None -type Palette "BMP3:$out/about_$scale.bmp"
done

# The icon: the 100 % keycap with its teal made see-through.
convert "$out/about_100.bmp" -transparent '#008080' -define icon:auto-resize=48,32,16 \
  "$out/klavento.ico"
