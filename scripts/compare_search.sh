#!/usr/bin/env bash
# Checks that the search of this tree scores every position as an older commit's does, and
# shows how much faster it got there.
#   scripts/compare_search.sh OLD_COMMIT [MAX_DEPTH]   (MAX_DEPTH 1 to 12, default 7)
#
# Builds OLD_COMMIT's engine library in a temporary worktree (removed on exit), links this
# tree's tools/vardo_depths.cpp against it, builds this tree's vardo-depths in build/, and
# searches each position with both, one after the other: the bench's positions (read from
# search/bench.h), tests/data/search-positions.epd and tests/data/draw-positions.epd
# (where the fifty-move rule and repetitions decide, some with a game history of moves). Every completed depth must have
# the same score in both; each difference is printed and the script exits 1. Then it prints,
# per position, the nodes and milliseconds each needed to complete its deepest depth
# (MAX_DEPTH, or less where a mate ended the search), and the totals.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/compare_positions.sh

usage() {
    echo "usage: scripts/compare_search.sh OLD_COMMIT [MAX_DEPTH] (MAX_DEPTH 1 to 12, default 7)" >&2
    exit 2
}
[ $# -ge 1 ] && [ $# -le 2 ] || usage
depth=${2:-7}
[[ $depth =~ ^[0-9]+$ ]] && [ "$depth" -ge 1 ] && [ "$depth" -le 12 ] || usage
commit=$(git rev-parse --verify --quiet "$1^{commit}") || {
    echo "compare_search: no commit $1" >&2
    exit 2
}

work=$(mktemp -d "${TMPDIR:-/tmp}/vardo-compare.XXXXXX")
cleanup() {
    git -C "$root" worktree remove --force "$work/old" >/dev/null 2>&1 || true
    rm -rf "$work"
    git -C "$root" worktree prune
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

echo "old: $(git log -1 --format='%h %s' "$commit" | cut -c1-90)"
echo "new: this tree ($(git log -1 --format=%h HEAD)$(git diff --quiet HEAD || echo ', with changes'))"

# The old engine, and this tree's tool linked against it.
git worktree add --quiet --detach "$work/old" "$commit"
cmake -S "$work/old" -B "$work/old/build" -DCMAKE_BUILD_TYPE=Release -DVARDO_TESTS=OFF >/dev/null
cmake --build "$work/old/build" -j2 --target vardo_core >/dev/null
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$work/old/build/CMakeCache.txt")
"${cxx:-c++}" -O2 -DNDEBUG -std=c++20 -I"$work/old" tools/vardo_depths.cpp \
    "$work/old/build/libvardo_core.a" -pthread -o "$work/vardo-depths-old"

# This tree's tool.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target vardo-depths >/dev/null

write_positions "$work"
echo "positions: $(wc -l <"$work/bench.epd") bench + $(wc -l <"$work/search.epd") others +" \
    "$(wc -l <"$work/draw.epd") with draws, depths 1 to $depth"

# Each position is searched by the old and then the new build before the next one, so that a
# change in the machine's load falls on both alike. Lines: name depth score nodes ms.
search_both() {
    "$work/vardo-depths-old" "$2" "$depth" | sed "s/^1 /$1 /" >>"$work/old.txt"
    ./build/vardo-depths "$2" "$depth" | sed "s/^1 /$1 /" >>"$work/new.txt"
}
: >"$work/old.txt"
: >"$work/new.txt"
each_position "$work" search_both

# Every (position, depth) either build completed must have the same score in both; then the
# cost of each position's deepest depth, side by side.
awk -v a=old -v b=new -f scripts/compare_depths.awk "$work/old.txt" "$work/new.txt"
