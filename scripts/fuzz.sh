#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS (default 60),
# starting from the committed seed corpus. New inputs go to a scratch corpus, not the repo.
# Exit status 1 when a target finds a fault; its reproducer is left in build-fuzz/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARDO_FUZZ=ON \
    -DVARDO_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
cmake --build build-fuzz -j"${JOBS:-2}" --target "${targets[@]}" >/dev/null
status=0
for target in "${targets[@]}"; do
    scratch=build-fuzz/corpus-$target
    mkdir -p "$scratch"
    seeds=fuzz/corpus/$target
    [ -d "$seeds" ] || seeds=
    echo "== $target for ${seconds}s"
    if (cd build-fuzz && "./$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
            -print_final_stats=1 "corpus-$target" ${seeds:+"../$seeds"} 2>"$target.err"); then
        grep -E 'stat::number_of_executed_units|stat::new_units_added' "build-fuzz/$target.err" || true
    else
        echo "$target FAILED:"
        tail -n 40 "build-fuzz/$target.err"
        status=1
    fi
done
exit $status
