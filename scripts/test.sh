#!/usr/bin/env bash
# Builds Vardo and runs the whole test suite, first installing what the machine lacks (CMake,
# a C++ compiler, make, GoogleTest).
#   scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
scripts/ensure_tools.sh --tests
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DVARDO_TESTS=ON "$@" >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
ctest --test-dir "$build" -j"${JOBS:-2}" --output-on-failure
