#!/usr/bin/env bash
# Builds everything and runs every test: once as a normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh gcc-arm-none-eabi binutils-arm-none-eabi libmgba-dev

jobs=$(nproc)
for variant in release sanitize; do
  sanitize=OFF
  [ "$variant" = sanitize ] && sanitize=ON
  echo "== $variant build"
  cmake -S . -B "build/$variant" -DROMWELD_SANITIZE=$sanitize -DROMWELD_TESTS=ON >/dev/null
  cmake --build "build/$variant" -j "$jobs"
  echo "== $variant tests"
  ctest --test-dir "build/$variant" --output-on-failure -j "$jobs"
done

echo "== reader fuzzing"
scripts/fuzz.sh 60
