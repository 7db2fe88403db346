#!/usr/bin/env bash
# Builds romweld and the benchmark, installs the peers when missing, and
# prints the table. Usage: bench/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh genromfs tar time
cmake -S . -B build/release >/dev/null
cmake --build build/release -j "$(nproc)" --target romweld pack_bench >/dev/null
build/release/pack_bench build/release/romweld "${1:-7}"
