#!/usr/bin/env bash
# Installs what is missing, then configures and builds Zel into build/ (incrementally): the
# targets named as arguments, or everything. Build output goes to stderr so that commands built
# on this keep their standard output clean.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh"
if [[ ! -f "$root/build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$root/build" --parallel "$(nproc)" "${targets[@]}" >&2
