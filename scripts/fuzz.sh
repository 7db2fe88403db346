#!/usr/bin/env bash
# Builds the reader fuzzer with clang (libFuzzer, ASan, UBSan), seeds it with
# real images from the packer and runs it for a bounded time. Any finding
# fails the run. Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh clang libclang-rt-14-dev

out=build/fuzz
mkdir -p "$out/corpus" "$out/seed-tree/d/e"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc -Isrc/reader -Isrc/image \
  tests/fuzz/reader_fuzz.cpp src/inspect/image_walk.cpp -o "$out/reader_fuzz"

# Seeds: the bundled assets and a small tree, packed by the release build.
cmake -S . -B build/release >/dev/null
cmake --build build/release -j "$(nproc)" --target romweld >/dev/null
printf hello > "$out/seed-tree/a.txt"
printf 0123456789abcdefghij > "$out/seed-tree/d/b"
head -c 100 /dev/zero > "$out/seed-system.gba"
build/release/romweld -s "$out/seed-system.gba" -o "$out/corpus/seed-small.gba" "$out/seed-tree" >/dev/null
build/release/romweld -s "$out/seed-system.gba" -o "$out/corpus/seed-assets.gba" examples/assets >/dev/null

"$out/reader_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/" "$out/corpus" 2>"$out/fuzz.log" || { tail -40 "$out/fuzz.log"; exit 1; }
tail -1 "$out/fuzz.log"
