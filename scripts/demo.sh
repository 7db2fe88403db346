#!/usr/bin/env bash
# The main job on the bundled example: builds romweld and the example GBA
# program, packs examples/assets onto it (printing the listing), runs the
# ROM headless in the emulator and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh gcc-arm-none-eabi binutils-arm-none-eabi libmgba-dev

build=build/release
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target romweld gba-run console_example >/dev/null

program="$build/console/romweld-example.gba"
rom="$build/demo/romweld-demo.gba"
screen="$build/demo/romweld-demo.png"
mkdir -p "$build/demo"
echo "== packing examples/assets onto $program"
"$build/romweld" -s "$program" -o "$rom" examples/assets
echo "== the example program's report, run headless"
"$build/gba-run" --screenshot "$screen" --scale 3 "$rom"
echo "== done"
echo "ROM:        $rom"
echo "screenshot: $screen"
