#!/usr/bin/env bash
# Installs the Debian packages Zel needs to build, run and test, skipping those already present.
# Idempotent: with everything installed it only asks dpkg and returns.
set -euo pipefail

packages=(
  cmake g++ make pkg-config binutils   # build; nm checks the module's exported symbols
  libcli11-dev                         # zel-render's command line
  nlohmann-json3-dev                   # JSON listings and scene files
  libopenimageio-dev openimageio-tools # layer images read and frames written; idiff compares
  libwebp-dev                          # WebP frames, written with straight alpha
  libgtest-dev libgmock-dev            # unit tests
  libepoxy-dev libegl-dev libgl-dev    # GL entry points and the off-screen EGL context
  libglu1-mesa-dev                     # gluErrorString and the projection helpers
  libegl-mesa0 libgl1-mesa-dri         # Mesa's drivers: llvmpipe where there is no GPU
  glslang-tools                        # glslangValidator checks every shader variant
  libx11-dev libcairo2-dev xvfb xdotool imagemagick  # about box; its tests: Xvfb, clicks, screenshots
  ffmpeg                               # zel-render's videos; ffprobe checks them in the tests
  slurm-wlm munge                      # zel-farm's tests: a one-node Slurm cluster on this machine
  frei0r-plugins-dev                   # frei0r.h, the interface of the frei0r plug-ins (hosts/frei0r)
  melt gstreamer1.0-tools gstreamer1.0-plugins-bad  # hosts the frei0r plug-ins' tests drive
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
