#!/usr/bin/env bash
# Runs every depth listed in the perft files (default: the standard, the themed and the Chess960
# positions) with vardo-perft in a Release build and compares the counts. Exit status 1 on any
# difference. A file whose name holds "chess960" is run with --chess960.
# With VARDO_WINDOWS=1 it runs the Windows build's vardo-perft.exe (build-windows/, built by
# scripts/windows_test.sh) under Wine instead.
#   scripts/perft.sh [EPD_FILE] [MAX_DEPTH]
set -euo pipefail
cd "$(dirname "$0")/.."
epds=${1:-tests/data/perft-standard.epd tests/data/perft-themed.epd tests/data/perft-chess960.epd}
max=${2:-99}
if [ "${VARDO_WINDOWS:-0}" = 1 ]; then
    perft=(wine build-windows/vardo-perft.exe)
else
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"${JOBS:-2}" --target vardo-perft >/dev/null
    perft=(./build/vardo-perft)
fi
failures=0
total_nodes=0
total_ms=0
for epd in $epds; do
variant=()
case "$epd" in *chess960*) variant=(--chess960) ;; esac
while IFS= read -r line; do
    [ -z "$line" ] && continue
    fen=${line%% ;*}
    fen=${fen%% }
    for field in $(echo "$line" | grep -o ';D[0-9]* [0-9]*' | tr ' ' ':'); do
        depth=${field#;D}; depth=${depth%%:*}
        expected=${field##*:}
        [ "$depth" -gt "$max" ] && continue
        result=$("${perft[@]}" "${variant[@]}" "$depth" "$fen" | tail -n 1)
        nodes=$(echo "$result" | awk '{print $2}')
        ms=$(echo "$result" | awk '{print $4}')
        total_nodes=$((total_nodes + nodes))
        total_ms=$((total_ms + ms))
        if [ "$nodes" = "$expected" ]; then
            echo "ok   D$depth $expected  $fen"
        else
            echo "FAIL D$depth expected $expected got $nodes  $fen"
            failures=$((failures + 1))
        fi
    done
done < "$epd"
done
echo "perft: $failures failed, $total_nodes nodes in $total_ms ms"
[ "$failures" -eq 0 ]
