# The positions compare_search.sh and compare_threads.sh search, and the loop over them; sourced
# by both.

# Writes the positions into DIR, one a line: bench.epd (read from search/bench.h),
# search.epd (tests/data/search-positions.epd) and draw.epd (tests/data/draw-positions.epd).
write_positions() {
    local dir=$1
    sed -n '/POSITIONS\[\] = {/,/^};/s/^ *"\(.*\)",$/\1/p' search/bench.h >"$dir/bench.epd"
    grep -Ev '^[[:space:]]*(#|$)' tests/data/search-positions.epd >"$dir/search.epd"
    grep -Ev '^[[:space:]]*(#|$)' tests/data/draw-positions.epd >"$dir/draw.epd"
    if [ ! -s "$dir/bench.epd" ]; then
        echo "$(basename "$0"): no positions found in search/bench.h" >&2
        exit 2
    fi
}

# Runs COMMAND... NAME FILE for every position written by write_positions in DIR, one after
# the other, FILE holding that position alone; NAME is b1.. for the bench's, s1.. for the
# search positions, d1.. for those where draws decide.
each_position() {
    local dir=$1 set fen n
    shift
    for set in bench search draw; do
        n=0
        while IFS= read -r fen; do
            n=$((n + 1))
            printf '%s\n' "$fen" >"$dir/position.epd"
            "$@" "${set:0:1}$n" "$dir/position.epd" </dev/null
        done <"$dir/$set.epd"
    done
}
