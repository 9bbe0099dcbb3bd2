#!/usr/bin/env bash
# Builds Vardo and starts it at the console, in the build folder where its book vardo.bk is;
# arguments go to the engine (scripts/play.sh --threads 2).
# What the build needs and the machine lacks (CMake, a C++ compiler, make) is installed first;
# the tests are not needed. Set-up and build messages go to standard error so that standard
# output carries only the engine's lines.
set -euo pipefail
cd "$(dirname "$0")/.."
{
    scripts/ensure_tools.sh
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"${JOBS:-2}" --target vardo
} >&2
cd build
exec ./vardo "$@"
