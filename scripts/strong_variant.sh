#!/usr/bin/env bash
# Builds Vardo with some of the selective search's tuning constants (strong/selective_tuning.h)
# set otherwise, so that games can measure what a step is worth against the engine as it is:
#   scripts/strong_variant.sh OUT_DIR NAME=VALUE [NAME=VALUE ...]
# For instance NULL_MOVE_MIN_DEPTH=1000 leaves null move out, LMR_MIN_DEPTH=1000 the late move
# reductions, IIR_MIN_DEPTH=1000 the internal iterative reduction. The working tree is copied
# to OUT_DIR/src and built there; the engine is OUT_DIR/vardo, its book beside it:
#   scripts/strength.py --engine-a "build/vardo --strong" --engine-b "OUT_DIR/vardo --strong" ...
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || {
    echo "usage: scripts/strong_variant.sh OUT_DIR NAME=VALUE [NAME=VALUE ...]" >&2
    exit 2
}
out=$1
shift
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "$out/src"
mkdir -p "$out/src"
git ls-files -z | xargs -0 cp --parents -t "$out/src"
tuning="$out/src/strong/selective_tuning.h"
for setting in "$@"; do
    name=${setting%%=*}
    value=${setting#*=}
    [[ $setting == *=* && $name =~ ^[A-Z_]+$ && $value =~ ^-?[0-9.]+$ ]] || {
        echo "strong_variant: '$setting' is not NAME=NUMBER" >&2
        exit 2
    }
    grep -Eq "^inline constexpr (int|double) $name = " "$tuning" || {
        echo "strong_variant: no constant $name in strong/selective_tuning.h" >&2
        exit 2
    }
    sed -Ei "s/^(inline constexpr (int|double) $name = )[^;]*;/\1$value;/" "$tuning"
done
cmake -S "$out/src" -B "$out/build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$out/build" -j"${JOBS:-2}" --target vardo > /dev/null
cp "$out/build/vardo" "$out/build/vardo.bk" "$out/"
echo "$out/vardo: $*"
