#!/usr/bin/env bash
# Runs vardo-bench twice in a Release build and checks the signature (the total node count):
# both runs must agree, and at the default depth the count must be the pinned one below. Then
# "vardo bench" (as OpenBench runs it) must end with the same count: "N nodes M nps".
# A change that alters the search's node count updates the pin in the same commit and says
# why in its message.
# With VARDO_WINDOWS=1 it runs the Windows build's vardo-bench.exe (build-windows/, built by
# scripts/windows_test.sh) under Wine instead: its signature must be the same.
# Without arguments it also checks the selective search's signature (vardo-bench --strong 12)
# the same way.
#   scripts/bench.sh [DEPTH]
set -euo pipefail
cd "$(dirname "$0")/.."

# Node count of `vardo-bench` at its default depth.
PINNED_SIGNATURE=1961942
# Node count of `vardo-bench --strong 12`, the selective search's signature, checked in every
# run without arguments.
STRONG_DEPTH=12
PINNED_STRONG_SIGNATURE=1943239

if [ "${VARDO_WINDOWS:-0}" = 1 ]; then
    bench=(wine build-windows/vardo-bench.exe)
    engine=(wine build-windows/vardo.exe)
else
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"${JOBS:-2}" --target vardo-bench vardo >/dev/null
    bench=(./build/vardo-bench)
    engine=(./build/vardo)
fi
first=$("${bench[@]}" "$@" | tail -n 1)
second=$("${bench[@]}" "$@")
echo "$second"
sig1=$(echo "$first" | awk '{print $3}')
sig2=$(echo "$second" | tail -n 1 | awk '{print $3}')
if [ "$sig1" != "$sig2" ]; then
    echo "bench signature differs between runs: $sig1 vs $sig2"
    exit 1
fi
if [ $# -eq 0 ] && [ "$sig1" != "$PINNED_SIGNATURE" ]; then
    echo "bench signature $sig1 differs from the pinned $PINNED_SIGNATURE"
    exit 1
fi
last=$("${engine[@]}" bench "$@" | tail -n 1 | tr -d '\r')
if ! [[ $last =~ ^([0-9]+)\ nodes\ [0-9]+\ nps$ ]] || [ "${BASH_REMATCH[1]}" != "$sig1" ]; then
    echo "vardo bench ended with '$last', not $sig1 nodes"
    exit 1
fi
echo "bench signature $sig1 (stable; vardo bench: $last)"
if [ $# -eq 0 ]; then
    strong1=$("${bench[@]}" --strong "$STRONG_DEPTH" | tail -n 1 | awk '{print $3}')
    strong2=$("${bench[@]}" --strong "$STRONG_DEPTH" | tail -n 1 | awk '{print $3}')
    if [ "$strong1" != "$strong2" ]; then
        echo "strong bench signature differs between runs: $strong1 vs $strong2"
        exit 1
    fi
    if [ "$strong1" != "$PINNED_STRONG_SIGNATURE" ]; then
        echo "strong bench signature $strong1 differs from the pinned $PINNED_STRONG_SIGNATURE"
        exit 1
    fi
    echo "strong bench signature $strong1 (stable)"
fi
