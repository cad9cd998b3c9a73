#!/usr/bin/env bash
# Makes the images the example scenes use, in examples/images/, with oiiotool (openimageio-tools,
# see scripts/install-deps.sh). The images are committed; run this after changing how one is made
# and look at the example renders again (scripts/render-examples.sh).
#   elevation.png  16 x 256, a colour for each height, read by "Texture Coordinates" = "X,Noise Z":
#                  the top row is the lowest ground, the bottom row the highest
#   ring_mask.png  128 x 128, 16 bits, grey: a soft ring for "Amplitude Layer", 0 at the centre and
#                  outside, 1 on a circle half-way to the edge (16 bits keep the slopes of the
#                  displacement smooth, where 8 would show as steps in the shading)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/examples/images"
mkdir -p "$out"
# No command line or program version in the files, so that they only change when their pixels do.
oiio=(oiiotool --nosoftwareattrib)

# Elevation tint: a colour map over a top-to-bottom ramp, one colour per step of 1/50. The surface
# reads row 0.5 + 0.5 z / (sum of the octave weights) for height z, so with the few octaves and
# the "Z Range" floor the example uses, heights land between about 0.47 (the floor: water) and
# 0.75 (snow); the deep water below only shows on surfaces that reach that low.
knots=()
repeat() {
  local count=$1 colour=$2
  for ((i = 0; i < count; ++i)); do knots+=("$colour"); done
}
repeat 21 0.02,0.07,0.22  # 0.00 to 0.40  deep water
repeat 1 0.03,0.14,0.34   # 0.42
repeat 1 0.05,0.25,0.46   # 0.44
repeat 1 0.09,0.36,0.55   # 0.46          shallows, where the floor lies
repeat 1 0.12,0.44,0.6    # 0.48
repeat 1 0.82,0.76,0.52   # 0.50          sand
repeat 1 0.45,0.62,0.25   # 0.52          grass
repeat 2 0.25,0.5,0.15    # 0.54, 0.56
repeat 2 0.13,0.34,0.1    # 0.58, 0.60    forest
repeat 2 0.4,0.3,0.2      # 0.62, 0.64    earth
repeat 2 0.5,0.47,0.44    # 0.66, 0.68    rock
repeat 16 0.95,0.95,0.97  # 0.70 to 1.00  snow
colormap="$(IFS=,; echo "${knots[*]}")"
"${oiio[@]}" --pattern fill:top=0:bottom=1 16x256 1 --colormap "$colormap" --ch R,G,B,A=1.0 \
  -d uint8 -o "$out/elevation.png"

# Ring: r = sqrt(u^2 + v^2) with u and v from -1 to 1 across the image, then
# max(0, 1 - 3.4 |r - 0.5|): a ring of radius 0.5 (a quarter of the image), fading to 0 within
# 0.3 of it.
"${oiio[@]}" --pattern fill:left=-1:right=1 128x128 1 --dup --mul \
  --pattern fill:top=-1:bottom=1 128x128 1 --dup --mul --add --powc 0.5 \
  --subc 0.5 --abs --mulc 3.4 --invert --clamp:min=0:max=1 \
  -d uint16 -o "$out/ring_mask.png"

ls -l "$out"
