#!/usr/bin/env bash
# Regenerates the golden images: builds zel-render and the module, renders every scene in
# tests/e2e/scenes/ as its e2e.golden.* test does, and writes tests/e2e/golden/NAME.png. Run it
# after a deliberate change to what the module draws, then look at each image (they have alpha:
# `oiiotool NAME.png --pattern constant:color=0,0,0,1 160x90 4 --over -o /tmp/NAME-black.png`
# shows one over black) before committing.
#   scripts/update-golden-images.sh            # build/ (ZEL_BUILD_DIR=... for another)
#   scripts/update-golden-images.sh fog bends  # only these scenes
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZEL_BUILD_DIR:-$root/build}"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
# Configuring again picks up scenes added to tests/e2e/CMakeLists.txt.
cmake "$build" >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target zel zel-render >&2

filter='^e2e\.golden\.'
if (($# > 0)); then
  filter="^e2e\\.golden\\.($(IFS='|'; echo "$*"))\$"
fi
# compare_golden.cmake writes the reference instead of comparing when it sees this.
ZEL_UPDATE_GOLDEN=1 ctest --test-dir "$build" -R "$filter" --output-on-failure
echo "Written to $root/tests/e2e/golden/; look at every changed image before committing."
