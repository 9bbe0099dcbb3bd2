#!/usr/bin/env bash
# Checks that the search of this tree scores every position as an older commit's does, and
# shows how much faster it got there.
#   scripts/compare_search.sh OLD_COMMIT [MAX_DEPTH]   (MAX_DEPTH 1 to 12, default 7)
#
# Builds OLD_COMMIT's engine library in a temporary worktree (removed on exit), links this
# tree's tools/vardo_depths.cpp against it, builds this tree's vardo-depths in build/, and
# searches each position with both, one after the other: the bench's positions (read from
# tools/vardo_bench.cpp), tests/data/search-positions.epd and tests/data/draw-positions.epd
# (where the fifty-move rule and repetitions decide, some with a game history of moves). Every completed depth must have
# the same score in both; each difference is printed and the script exits 1. Then it prints,
# per position, the nodes and milliseconds each needed to complete its deepest depth
# (MAX_DEPTH, or less where a mate ended the search), and the totals.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

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

# The positions, one a line, with a name each: b1.. for the bench's, s1.. for the others, d1..
# for those where draws decide.
sed -n '/POSITIONS\[\] = {/,/^};/s/^ *"\(.*\)",$/\1/p' tools/vardo_bench.cpp >"$work/bench.epd"
grep -Ev '^[[:space:]]*(#|$)' tests/data/search-positions.epd >"$work/search.epd"
grep -Ev '^[[:space:]]*(#|$)' tests/data/draw-positions.epd >"$work/draw.epd"
bench_count=$(wc -l <"$work/bench.epd")
search_count=$(wc -l <"$work/search.epd")
draw_count=$(wc -l <"$work/draw.epd")
if [ "$bench_count" -eq 0 ]; then
    echo "compare_search: no positions found in tools/vardo_bench.cpp" >&2
    exit 2
fi
echo "positions: $bench_count bench + $search_count others + $draw_count with draws, depths 1 to $depth"

# Each position is searched by the old and then the new build before the next one, so that a
# change in the machine's load falls on both alike. Lines: name depth score nodes ms.
: >"$work/old.txt"
: >"$work/new.txt"
for set in bench search draw; do
    n=0
    while IFS= read -r fen; do
        n=$((n + 1))
        name=${set:0:1}$n
        printf '%s\n' "$fen" >"$work/one.epd"
        "$work/vardo-depths-old" "$work/one.epd" "$depth" | sed "s/^1 /$name /" >>"$work/old.txt"
        ./build/vardo-depths "$work/one.epd" "$depth" | sed "s/^1 /$name /" >>"$work/new.txt"
    done <"$work/$set.epd"
done

# Every (position, depth) either build completed must be in both with the same score.
status=0
awk '
    FNR == NR { old[$1 " " $2] = $3; order[++n] = $1 " " $2; next }
    { new[$1 " " $2] = $3; if (!(($1 " " $2) in old)) order[++n] = $1 " " $2 }
    END {
        for (i = 1; i <= n; ++i) {
            k = order[i]; split(k, f, " ")
            o = (k in old) ? old[k] : "none"; w = (k in new) ? new[k] : "none"
            if (o != w) { printf "DIFFERENT %s depth %s: old %s new %s\n", f[1], f[2], o, w; ++bad }
        }
        if (bad) { printf "%d scores differ\n", bad; exit 1 }
        printf "all %d scores equal\n", n
    }' "$work/old.txt" "$work/new.txt" || status=1

# The cost of each position's deepest completed depth, side by side.
awk '
    FNR == NR { if (!($1 in oldDepth)) names[++n] = $1
                oldDepth[$1] = $2; oldNodes[$1] = $4; oldMs[$1] = $5; next }
    { newDepth[$1] = $2; newNodes[$1] = $4; newMs[$1] = $5 }
    END {
        printf "%-6s %5s %12s %12s %9s %9s\n", "pos", "depth", "nodes old", "nodes new", "ms old", "ms new"
        for (i = 1; i <= n; ++i) {
            p = names[i]
            d = oldDepth[p] == newDepth[p] ? oldDepth[p] : oldDepth[p] "/" newDepth[p]
            printf "%-6s %5s %12.0f %12.0f %9.0f %9.0f\n", p, d, oldNodes[p], newNodes[p], oldMs[p], newMs[p]
            on += oldNodes[p]; nn += newNodes[p]; ot += oldMs[p]; nt += newMs[p]
        }
        printf "%-6s %5s %12.0f %12.0f %9.0f %9.0f\n", "total", "", on, nn, ot, nt
        printf "nodes new/old %.3f   time old/new %.3f\n", on ? nn / on : 0, nt ? ot / nt : 0
    }' "$work/old.txt" "$work/new.txt"
exit $status
