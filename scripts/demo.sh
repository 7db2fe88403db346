#!/usr/bin/env bash
# Builds romweld, packs examples/assets onto a small system image and prints
# the listing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release >/dev/null
cmake --build build/release -j "$(nproc)" --target romweld
# A stand-in system image: a 192-byte cartridge header of zeros.
head -c 192 /dev/zero > build/release/demo-system.gba
build/release/romweld -s build/release/demo-system.gba -o build/release/demo.gba examples/assets
echo "image: build/release/demo.gba ($(stat -c %s build/release/demo.gba) bytes)"
