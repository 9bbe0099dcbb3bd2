#!/usr/bin/env bash
# Checks that a search on several threads scores every position as one thread does, and shows
# how much sooner it gets there.
#   scripts/compare_threads.sh THREADS [MAX_DEPTH]   (MAX_DEPTH 1 to 12, default 8)
#
# Builds vardo-depths in build/ and searches the bench's positions, tests/data/search-positions.epd
# and tests/data/draw-positions.epd with 1 and with THREADS threads, one after the other for
# each position. Every completed depth must have the same score in both; each difference is
# printed and the script exits 1. Then it prints the nodes (of every thread) and milliseconds
# each needed to complete its deepest depth, and the totals.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/compare_positions.sh

usage() {
    echo "usage: scripts/compare_threads.sh THREADS [MAX_DEPTH] (MAX_DEPTH 1 to 12, default 8)" >&2
    exit 2
}
[ $# -ge 1 ] && [ $# -le 2 ] || usage
threads=$1
depth=${2:-8}
[[ $threads =~ ^[0-9]+$ ]] && [ "$threads" -ge 0 ] && [ "$threads" -le 256 ] || usage
[[ $depth =~ ^[0-9]+$ ]] && [ "$depth" -ge 1 ] && [ "$depth" -le 12 ] || usage

work=$(mktemp -d "${TMPDIR:-/tmp}/vardo-threads.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target vardo-depths >/dev/null

write_positions "$work"
echo "threads: 1 against $threads, depths 1 to $depth, $(nproc) cores"

# Each position with one thread and then with more. Lines: name depth score nodes ms.
search_both() {
    ./build/vardo-depths --threads 1 "$2" "$depth" | sed "s/^1 /$1 /" >>"$work/one.txt"
    ./build/vardo-depths --threads "$threads" "$2" "$depth" | sed "s/^1 /$1 /" >>"$work/many.txt"
}
: >"$work/one.txt"
: >"$work/many.txt"
each_position "$work" search_both

awk -v a=1 -v b="$threads" -f scripts/compare_depths.awk "$work/one.txt" "$work/many.txt"
