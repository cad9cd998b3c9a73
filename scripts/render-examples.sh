#!/usr/bin/env bash
# Renders the example scenes for the documentation: builds zel-render and the module, renders
# each examples/NAME.json at one frame and writes docs/images/NAME.png (400 x 225, composited
# over black as a compositing application shows it), then docs/images/contact_sheet.png with all
# of them, labelled when oiiotool finds the DejaVu Sans font. Look at every changed image before
# committing.
#   scripts/render-examples.sh                   # build/ (ZEL_BUILD_DIR=... for another)
#   scripts/render-examples.sh terrain_lights    # only these examples, then the contact sheet
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZEL_BUILD_DIR:-$root/build}"
images="$root/docs/images"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
cmake --build "$build" --parallel "$(nproc)" --target zel zel-render >&2

# The frame each example is shown at, where frame 0 is not the telling one; docs/examples.md
# gives the same numbers.
declare -A frame=(
  [terrain_lights]=96     # 4 s of 8: the key light half-way along its path
  [wireframe_tunnel]=72   # 3 s of 6
  [seamless_loop]=48      # 2 s of 4: half-way round the loop
  [textured_noise_z]=72   # 3 s of 6: the ground half-way risen
  [amplitude_masked]=72   # 3 s of 6
  [occlusion_dense]=72    # 3 s of 6
)

names=("$@")
if ((${#names[@]} == 0)); then
  for scene in "$root"/examples/*.json; do
    names+=("$(basename "$scene" .json)")
  done
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$images"
# No command line or program version in the files, so that they only change when their pixels do.
oiio=(oiiotool --nosoftwareattrib)

for name in "${names[@]}"; do
  scene="$root/examples/$name.json"
  [[ -f "$scene" ]] || { echo "render-examples: no example $scene" >&2; exit 1; }
  # Half resolution keeps the layout (positions are in pixels of the full-size layer, which
  # --size would not scale); scaling it down again with a soft filter smooths the lines and
  # points, and keeps each file near 100 KB.
  start=$SECONDS
  "$build/bin/zel-render" "$scene" --frames "${frame[$name]:-0}" --downsample 2 \
    --background "#000000" -o "$scratch/$name.png"
  "${oiio[@]}" "$scratch/$name.png" --ch R,G,B --fit:filter=gaussian 400x225 -d uint8 \
    -o "$images/$name.png"
  echo "$name: frame ${frame[$name]:-0}, $((SECONDS - start)) s" >&2
done

# The contact sheet: every example's image at 176 x 99, three to a row, each labelled with its
# name (PNG holds noise poorly; at this size the sheet stays near 150 KB).
label=(--text:x=4:y=113:size=12:color=0.85,0.85,0.85:font=DejaVuSans)
if ! "${oiio[@]}" --pattern constant:color=0,0,0 176x117 3 "${label[@]}" x \
  -o "$scratch/font-check.png" 2>/dev/null; then
  echo "render-examples: no DejaVu Sans font for oiiotool; the contact sheet has no labels" >&2
  label=()
fi
tiles=()
for scene in "$root"/examples/*.json; do
  name="$(basename "$scene" .json)"
  [[ -f "$images/$name.png" ]] || continue
  tile="$scratch/tile-$name.png"
  # --paste puts the image below the top of the stack onto the top one, here a black tile with
  # room for the label, drawn first (oiiotool 2.4 aborts when text is drawn on a pasted image).
  "${oiio[@]}" "$images/$name.png" --fit:filter=gaussian 176x99 \
    --pattern constant:color=0,0,0 176x117 3 ${label[@]+"${label[@]}" "$name"} \
    --paste +0+0 -o "$tile"
  tiles+=("$tile")
done
columns=3
rows=$(((${#tiles[@]} + columns - 1) / columns))
"${oiio[@]}" "${tiles[@]}" --mosaic:pad=4 "${columns}x${rows}" -d uint8 \
  -o "$images/contact_sheet.png"
ls -l "$images" >&2
