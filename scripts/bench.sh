#!/usr/bin/env bash
# Runs vardo-bench twice in a Release build and checks that the signature (the total node
# count) is the same both times. Prints the last run's output.
#   scripts/bench.sh [DEPTH]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vardo-bench >/dev/null
first=$(./build/vardo-bench "$@" | tail -n 1)
second=$(./build/vardo-bench "$@")
echo "$second"
sig1=$(echo "$first" | awk '{print $3}')
sig2=$(echo "$second" | tail -n 1 | awk '{print $3}')
if [ "$sig1" != "$sig2" ]; then
    echo "bench signature differs between runs: $sig1 vs $sig2"
    exit 1
fi
echo "bench signature $sig1 (stable)"
