#!/usr/bin/env bash
# Perft speed in a Release build: perft(6) of the initial position and perft(5) of Kiwipete,
# each also counted by Stockfish (/usr/games/stockfish, when installed) in the same run, with
# Vardo's speed as a share of Stockfish's.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vardo-perft >/dev/null
stockfish=${STOCKFISH:-/usr/games/stockfish}

now_ms() { date +%s%3N; }

# Prints "nodes ms" of Stockfish's perft of FEN to DEPTH.
stockfish_perft() {
    local fen=$1 depth=$2 start end nodes
    start=$(now_ms)
    nodes=$(printf 'position fen %s\ngo perft %s\nquit\n' "$fen" "$depth" | "$stockfish" |
        awk '/^Nodes searched/ {print $3}')
    end=$(now_ms)
    echo "$nodes $((end - start))"
}

run() {
    local name=$1 fen=$2 depth=$3 line nodes ms
    line=$(./build/vardo-perft "$depth" "$fen" | tail -n 1)
    echo "$name, depth $depth: $line"
    nodes=$(echo "$line" | awk '{print $2}')
    ms=$(echo "$line" | awk '{print $4}')
    if [ -x "$stockfish" ]; then
        read -r sf_nodes sf_ms < <(stockfish_perft "$fen" "$depth")
        echo "  stockfish: nodes $sf_nodes time_ms $sf_ms; Vardo's speed / Stockfish's:" \
            "$(awk -v a="$ms" -v b="$sf_ms" 'BEGIN {printf "%.3f", (a > 0 ? b / a : 0)}')"
        [ "$sf_nodes" = "$nodes" ] || echo "  node counts differ: $nodes vs $sf_nodes"
    fi
}

run "initial position" "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" 6
run "kiwipete" "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1" 5
