#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS (default 60),
# starting from the committed corpus. New inputs go to a scratch corpus (build-fuzz/corpus-*),
# not the repo. Prints each target's executions, executions per second and new inputs, and
# the executions and findings of all runs so far (kept in build-fuzz/tally-TARGET.txt).
# Exit status 1 when a target finds a fault; its reproducer is left in build-fuzz/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# With --minimise, runs nothing: each target's committed corpus and scratch corpus are merged
# (libFuzzer -merge=1) into a fresh folder that keeps only inputs adding coverage, and that
# folder replaces fuzz/corpus/TARGET, ready to commit. Inputs named by hand there (seeds, the
# inputs of faults found before) are all kept under their names; the merge chooses among the
# others, which libFuzzer names by their content's SHA-1.
#   scripts/fuzz.sh --minimise [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
minimise=no
if [ "${1:-}" = "--minimise" ]; then
    minimise=yes
    shift
    seconds=0
else
    seconds=${1:-60}
    shift || true
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARDO_FUZZ=ON \
    -DVARDO_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
cmake --build build-fuzz -j"${JOBS:-2}" --target "${targets[@]}" >/dev/null
status=0
if [ $minimise = yes ]; then
    for target in "${targets[@]}"; do
        fresh=minimised-$target
        rm -rf "build-fuzz/$fresh"
        mkdir -p "build-fuzz/$fresh" "build-fuzz/corpus-$target" "fuzz/corpus/$target"
        before=$(find "fuzz/corpus/$target" "build-fuzz/corpus-$target" -type f | wc -l)
        find "fuzz/corpus/$target" -type f ! -regex '.*/[0-9a-f]\{40\}' \
            -exec cp {} "build-fuzz/$fresh/" \;
        if ! (cd build-fuzz && "./$target" -merge=1 -timeout=20 -rss_limit_mb=4096 "$fresh" \
                "../fuzz/corpus/$target" "corpus-$target" 2>"$target.merge.err"); then
            echo "$target: merge FAILED:"
            tail -n 20 "build-fuzz/$target.merge.err"
            status=1
            continue
        fi
        rm -rf "fuzz/corpus/$target"
        mv "build-fuzz/$fresh" "fuzz/corpus/$target"
        echo "$target: $(find "fuzz/corpus/$target" -type f | wc -l) inputs kept of $before"
    done
    exit $status
fi
# Longest input tried, where the default (4096 bytes) makes a target slow for nothing: a
# book of 1024 bytes already holds a dozen lines of moves, and 256 bytes of console input
# some twenty commands. In long runs of both targets these caps reached every edge that
# uncapped inputs had reached, at 1.7 to 3 times the executions a second. UCI lines are
# longer (a position with its FEN and moves): 512 bytes hold a dozen of them.
longest_input() {
    case $1 in
        fuzz_book) echo 1024 ;;
        fuzz_command_loop) echo 256 ;;
        fuzz_uci_loop) echo 512 ;;
    esac
}
for target in "${targets[@]}"; do
    scratch=build-fuzz/corpus-$target
    max_len=$(longest_input "$target")
    mkdir -p "$scratch"
    seeds=fuzz/corpus/$target
    [ -d "$seeds" ] || seeds=
    echo "== $target for ${seconds}s"
    found=0
    if (cd build-fuzz && "./$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
            -print_final_stats=1 ${max_len:+-max_len="$max_len"} "corpus-$target" \
            ${seeds:+"../$seeds"} 2>"$target.err"); then
        grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added' \
            "build-fuzz/$target.err" || true
    else
        echo "$target FAILED:"
        tail -n 40 "build-fuzz/$target.err"
        status=1
        found=1
    fi
    # Every run's executions and findings are kept, so that runs over several sessions add up.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/$target.err")
    record="$(date -u +%FT%TZ) seconds=$seconds executions=${runs:-0} findings=$found"
    echo "$record${max_len:+ longest_input=$max_len}" >>"build-fuzz/tally-$target.txt"
    awk -v t="$target" '{ for (i = 2; i <= NF; i++) { split($i, f, "="); sum[f[1]] += f[2] } }
        END { printf "%s over all runs in build-fuzz: %d executions, %d findings, %d s\n", t,
              sum["executions"], sum["findings"], sum["seconds"] }' "build-fuzz/tally-$target.txt"
done
exit $status
