# Compares two runs of vardo-depths over the same positions, A and B, given as two files of
# lines "name depth score nodes ms" (compare_search.sh: an old commit and this tree;
# compare_threads.sh: one thread and several).
#   awk -v a=LABEL -v b=LABEL -f scripts/compare_depths.awk A.txt B.txt
# Every (position, depth) either run completed must be in both with the same score; each
# difference is printed and the exit status is 1. Then the nodes and milliseconds each run
# needed to complete each position's deepest depth, side by side, and the totals.
FNR == NR {
    key = $1 " " $2
    scoreA[key] = $3; order[++keys] = key
    if (!($1 in depthA)) names[++positions] = $1
    depthA[$1] = $2; nodesA[$1] = $4; msA[$1] = $5
    next
}
{
    key = $1 " " $2
    scoreB[key] = $3; if (!(key in scoreA)) order[++keys] = key
    depthB[$1] = $2; nodesB[$1] = $4; msB[$1] = $5
}
END {
    for (i = 1; i <= keys; ++i) {
        k = order[i]; split(k, f, " ")
        sa = (k in scoreA) ? scoreA[k] : "none"; sb = (k in scoreB) ? scoreB[k] : "none"
        if (sa != sb) { printf "DIFFERENT %s depth %s: %s %s, %s %s\n", f[1], f[2], a, sa, b, sb; ++bad }
    }
    if (bad) printf "%d scores differ\n", bad
    else printf "all %d scores equal\n", keys

    printf "%-6s %5s %12s %12s %9s %9s\n", "pos", "depth", "nodes " a, "nodes " b, "ms " a, "ms " b
    for (i = 1; i <= positions; ++i) {
        p = names[i]
        d = depthA[p] == depthB[p] ? depthA[p] : depthA[p] "/" depthB[p]
        printf "%-6s %5s %12.0f %12.0f %9.0f %9.0f\n", p, d, nodesA[p], nodesB[p], msA[p], msB[p]
        na += nodesA[p]; nb += nodesB[p]; ta += msA[p]; tb += msB[p]
    }
    printf "%-6s %5s %12.0f %12.0f %9.0f %9.0f\n", "total", "", na, nb, ta, tb
    printf "nodes %s/%s %.3f   time %s/%s %.3f\n", b, a, na ? nb / na : 0, a, b, tb ? ta / tb : 0
    exit bad ? 1 : 0
}
