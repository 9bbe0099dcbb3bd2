#!/usr/bin/env bash
# Perft speed in a Release build: perft(6) of the initial position and perft(5) of Kiwipete.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vardo-perft >/dev/null
echo "initial position, depth 6: $(./build/vardo-perft 6 | tail -n 1)"
echo "kiwipete, depth 5:         $(./build/vardo-perft 5 \
    'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1' | tail -n 1)"
