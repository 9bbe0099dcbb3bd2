#!/usr/bin/env bash
# Plays a match of Vardo against another xboard engine (Fairy-Max by default) through a
# headless xboard, then reads the PGN, xboard's debug file and Vardo's log and prints every
# game's result and how it ended, a summary with an Elo estimate, and the faults found.
#
# Usage: scripts/xboard_match.sh [options]
#   --games N          games to play, colours alternating, Vardo White in the first (4)
#   --tc TIME          time control: MINUTES[:SS] for the whole game, or MOVES/MINUTES[:SS]
#                      for MOVES moves in that time, repeating (40/1: 40 moves in 1 minute)
#   --inc SECONDS      increment per move (with --tc MINUTES[:SS]: --tc 2 --inc 1)
#   --st SECONDS       fixed time per move instead of a clock (--st 1)
#   --engine PATH      the Vardo binary (build/vardo); its book is taken from beside it
#   --wine             the binary is Vardo for Windows (build-windows/vardo.exe): run it
#                      under Wine, in $WINEPREFIX (default ~/.wine)
#   --command CMD      instead of --engine: an installed Vardo command, given to xboard as it
#                      is (vardo: the one found on PATH); it runs in the match's folder through
#                      VARDO_HOME and plays with the book installed with it
#   --engine-args ARGS arguments for Vardo ("--threads 2 --hash 64")
#   --uci              Vardo speaks UCI, through polyglot (Debian's UCI-to-xboard adapter),
#                      as a UCI interface would see it
#   --book PATH        the book to give it (vardo.bk beside the binary, else the repository's)
#   --opponent CMD     the opponent's command line (/usr/games/fairymax)
#   --opponent-name N  the opponent's name in the games (needed when it is another Vardo;
#                      any name but "Vardo", which is this engine's)
#   --variant NAME     the variant xboard plays (normal); fischerandom: Chess960 from a
#                      random start each game. Both engines must list it among their
#                      variants, or the match is refused: Vardo does so through polyglot
#                      (--uci), which sets UCI_Chess960; Fairy-Max does not play it
#   --load-game PGN    start every game from the end of the first game of this PGN file
#   --out DIR          keep every file of the run in DIR (default: a temporary folder,
#                      removed afterwards unless the match fails)
#   --timeout SECONDS  bound on the whole run (default: from the time control and games)
#   --hang SECONDS     a silence of Vardo on the move this long is a hang (30)
#
# Exit status: 0 when every game has a result and none ended by an illegal move or a false
# claim by Vardo, a time forfeit by Vardo, Vardo exiting or not answering, and Vardo's log has
# every line it should have; 1 otherwise; 2 on a usage or set-up error.
# The last line of the report, "SUMMARY key=value ...", is for other scripts to read.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=4
tc=""
inc=""
st=""
engine=""
wine=0
command=""
engine_args=""
uci=0
book=""
opponent="/usr/games/fairymax"
opponent_name=""
load_game=""
variant="normal"
out=""
total_timeout=""
hang=30

die() {
    echo "xboard_match: $*" >&2
    exit 2
}

while [[ $# -gt 0 ]]; do
    case "$1" in
        --games) games=${2:?}; shift 2 ;;
        --tc) tc=${2:?}; shift 2 ;;
        --inc) inc=${2:?}; shift 2 ;;
        --st) st=${2:?}; shift 2 ;;
        --engine) engine=${2:?}; shift 2 ;;
        --wine) wine=1; shift ;;
        --command) command=${2:?}; shift 2 ;;
        --engine-args) engine_args=${2?}; shift 2 ;;
        --uci) uci=1; shift ;;
        --book) book=${2:?}; shift 2 ;;
        --opponent) opponent=${2:?}; shift 2 ;;
        --opponent-name) opponent_name=${2:?}; shift 2 ;;
        --variant) variant=${2:?}; shift 2 ;;
        --load-game) load_game=${2:?}; shift 2 ;;
        --out) out=${2:?}; shift 2 ;;
        --timeout) total_timeout=${2:?}; shift 2 ;;
        --hang) hang=${2:?}; shift 2 ;;
        -h|--help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) die "unknown option $1 (try --help)" ;;
    esac
done

[[ $games =~ ^[1-9][0-9]*$ ]] || die "--games needs a positive number"
[[ -z $st || -z $tc ]] || die "--st and --tc exclude each other"
[[ -z $st || -z $inc ]] || die "--st and --inc exclude each other"
[[ -n $st || -n $tc ]] || tc="40/1"
if [[ -z $engine ]]; then
    engine="$repo/build/vardo"
    ((wine == 0)) || engine="$repo/build-windows/vardo.exe"
fi
if ((wine)); then
    [[ -z $command ]] || die "--wine goes with --engine, not --command"
    command -v wine > /dev/null || die "wine is not installed (apt-get install wine)"
    # xboard runs with a HOME of its own below; Wine keeps the prefix it was set up in.
    export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
    export WINEDEBUG=${WINEDEBUG:--all}
fi
xboard_bin=$(command -v xboard || echo /usr/games/xboard)
[[ -x $xboard_bin ]] || die "xboard is not installed (apt-get install xboard)"
command -v xvfb-run > /dev/null || die "xvfb-run is not installed (apt-get install xvfb)"
command -v python3 > /dev/null || die "python3 is needed to read the results"
# The report tells Vardo's games from the PGN's player names, and Vardo is named "Vardo".
[[ ${opponent_name,,} != vardo ]] || die "--opponent-name must differ from Vardo"
if [[ -n $command ]]; then
    [[ -z $book ]] || die "--book goes with --engine: --command plays with its installed book"
    command -v "${command%% *}" > /dev/null || die "no command ${command%% *} on PATH"
else
    [[ -x $engine ]] || die "no engine binary at $engine (build it, or give --engine)"
    engine=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")
    if [[ -z $book ]]; then
        book="$(dirname "$engine")/vardo.bk"
        [[ -f $book ]] || book="$repo/vardo.bk"
    fi
    [[ -f $book ]] || die "no book at $book"
fi

# Time-control options for xboard, and a per-game bound in seconds for the default timeout.
minutes_to_seconds() {  # MINUTES[:SS] -> seconds
    local m=${1%%:*} s=0
    [[ $1 == *:* ]] && s=${1#*:}
    [[ $m =~ ^[0-9]+$ && $s =~ ^[0-9]+$ ]] || die "bad time $1 (MINUTES[:SS])"
    echo $((10#$m * 60 + 10#$s))
}
# Every part of the control is given, so that nothing comes from a settings file: -inc -1 is
# the MOVES/TIME mode, -inc 0 a whole game without increment.
tc_args=()
if [[ -n $st ]]; then
    [[ $st =~ ^[1-9][0-9]*$ ]] || die "--st needs whole seconds"
    tc_args=(-st "$((st / 60)):$(printf '%02d' $((st % 60)))")
    game_bound=$((300 * st + 120))  # 150 moves each
    control="st $st"
else
    if [[ $tc == */* ]]; then
        moves=${tc%%/*}
        [[ $moves =~ ^[1-9][0-9]*$ ]] || die "bad --tc $tc"
        base=$(minutes_to_seconds "${tc#*/}")
        tc_args=(-mps "$moves" -tc "${tc#*/}" -inc -1)
        periods=$(((150 + moves - 1) / moves))
        game_bound=$((2 * base * periods + 120))
    else
        base=$(minutes_to_seconds "$tc")
        # xboard's own default (-inc -1) would make this 40 moves per period, not a game.
        tc_args=(-tc "$tc" -inc "${inc:-0}")
        game_bound=$((2 * base + 120))
    fi
    control="tc $tc"
    if [[ -n $inc ]]; then
        [[ $inc =~ ^[0-9]+$ ]] || die "--inc needs whole seconds"
        [[ $tc != */* ]] || die "--inc goes with --tc MINUTES[:SS], not MOVES/MINUTES"
        game_bound=$((game_bound + 300 * inc))
        control+=" inc $inc"
    fi
fi
[[ -n $total_timeout ]] || total_timeout=$((games * game_bound + 60))

keep=0
if [[ -n $out ]]; then
    mkdir -p "$out"
    work=$(cd "$out" && pwd)
    keep=1
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/vardo-xboard.XXXXXX")
fi
group=""
cleanup() {
    # Ends what this script started: xboard, its X server and both engines share one
    # process group, led by the process started with setsid.
    if [[ -n $group ]] && kill -0 -- "-$group" 2> /dev/null; then
        kill -TERM -- "-$group" 2> /dev/null || true
        sleep 1
        kill -KILL -- "-$group" 2> /dev/null || true
    fi
    if [[ $keep == 0 ]]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/home" "$work/vardo" "$work/opponent"
rm -f "$work/games.pgn" "$work/debug.txt" "$work/vardo/vardo0.72.log"
if [[ -n $command ]]; then
    # The installed command copies its installation's book into a folder that has none.
    rm -f "$work/vardo/vardo" "$work/vardo/vardo.bk"
    first="$command${engine_args:+ $engine_args}"
else
    cp "$book" "$work/vardo/vardo.bk"
    if ((wine)); then
        cp "$engine" "$work/vardo/vardo.exe"
        first="wine vardo.exe${engine_args:+ $engine_args}"
    else
        cp "$engine" "$work/vardo/vardo"
        first="./vardo${engine_args:+ $engine_args}"
    fi
fi

if ((uci)); then
    polyglot_bin=$(command -v polyglot || echo /usr/games/polyglot)
    [[ -x $polyglot_bin ]] || die "polyglot is not installed (apt-get install polyglot)"
    # polyglot runs in Vardo's folder (-fd) and starts the engine there; its log shows the
    # UCI side of every exchange.
    [[ $first != *" "* ]] || first="\"$first\""
    first="$polyglot_bin -noini -log true -lf $work/polyglot.log -ec $first"
fi

# Fairy-Max crashes on xboard's "computer" line two times in five: it gets its input without it.
opponent_command=$opponent
[[ $(basename "${opponent%% *}") != fairymax ]] ||
    opponent_command="$repo/scripts/drop_computer_line.sh $opponent"

# Whether the engine COMMAND, started in DIR, lists the match's variant among the variants of
# its feature line.
plays_variant() {
    local features
    features=$(cd "$1" && { printf 'xboard\nprotover 2\n'; sleep 3; printf 'quit\n'; } |
        timeout -k 2 10 bash -c "exec $2" 2> /dev/null || true)
    [[ $features =~ variants=\"([^\"]*)\" ]] && [[ ,${BASH_REMATCH[1]}, == *,$variant,* ]]
}
if [[ $variant != normal ]]; then
    plays_variant "$work/vardo" "$first" ||
        die "Vardo does not offer variant $variant here (it plays fischerandom with --uci)"
    plays_variant "$work/opponent" "$opponent_command" ||
        die "the opponent ($opponent) does not offer variant $variant"
    # The check's own session leaves nothing for the report to read.
    rm -f "$work/polyglot.log" "$work/vardo/vardo0.72.log"
fi

name_args=()
[[ -z $opponent_name ]] || name_args=(-sn "$opponent_name")
load_args=()
if [[ -n $load_game ]]; then
    [[ -f $load_game ]] || die "no game file $load_game"
    cp "$load_game" "$work/start.pgn"
    load_args=(-loadGameFile "$work/start.pgn" -loadGameIndex 1)
fi

echo "Vardo (${command:-$engine}${engine_args:+ $engine_args}) against $opponent: $games games$([[ $variant == normal ]] || echo " of $variant"), $control, files in $work"
start=$(date +%s)
# xboard reads its settings file (~/.xboardrc, as /etc/xboard/xboard.conf names it) from the
# home directory in the password database, not from $HOME: the private HOME below keeps the
# engines and the X server's files out of the user's home, but does not keep a user's saved
# xboard settings out. So every setting the match relies on is passed here, even where it is
# xboard's default: the whole time control (above), no pondering, the variant (standard chess
# unless --variant says otherwise), no GUI book
# and the engines' own books allowed, no default features, even time odds, alternating colours,
# adjudication by the rules only (legality, flags, mates, claims, 50 moves, repetition,
# material), each engine's process kept for all the games of the match (so that Vardo's memory
# can be followed across them) and no saving of settings on exit.
(
    cd "$work"
    export HOME="$work/home"
    # Where an installed command runs the engine: Vardo's folder, as -fd gives the binary.
    export VARDO_HOME="$work/vardo"
    exec setsid timeout -k 10 "$total_timeout" xvfb-run -a "$xboard_bin" \
        -noGUI -xexit -saveSettingsOnExit false -soundProgram "" \
        -fcp "$first" -fd "$work/vardo" -fn Vardo \
        -scp "$opponent_command" -sd "$work/opponent" "${name_args[@]}" \
        -matchGames "$games" -matchPause 500 "${tc_args[@]}" "${load_args[@]}" \
        -variant "$variant" -xponder -usePolyglotBook false -discourageOwnBooks false \
        -reuseFirst true -reuseSecond true \
        -featureDefaults "" -firstTimeOdds 1 -secondTimeOdds 1 -sameColorGames 0 \
        -testLegality true -autoCallFlag true -checkMates true -testClaims true \
        -materialDraws true -trivialDraws false -ruleMoves 51 -repeatsToDraw 6 \
        -adjudicateLossThreshold 0 -adjudicateDrawMoves 0 \
        -saveGameFile "$work/games.pgn" -debug -nameOfDebugFile "$work/debug.txt" \
        > "$work/xboard.out" 2>&1
) &
group=$!

# Vardo's resident memory, sampled while xboard runs (xboard keeps one engine process for
# the whole match): a line per sample, the number of games finished by then and the figure
# in kB.
sample_rss() {
    local pid rss
    for pid in $(pgrep -x 'vardo|vardo-engine|vardo.exe' 2> /dev/null); do
        if [[ $(readlink "/proc/$pid/cwd" 2> /dev/null) == "$work/vardo" ]]; then
            rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2> /dev/null || true)
            [[ -z $rss ]] || echo "$1 $rss" >> "$work/rss.txt"
            return
        fi
    done
}
: > "$work/rss.txt"

# Waits for xboard; once every game is saved it gets a little while to exit by itself.
finished_at=""
while kill -0 "$group" 2> /dev/null; do
    sleep 2
    saved=0
    if [[ -f $work/games.pgn ]]; then saved=$(grep -c '^\[Result ' "$work/games.pgn" || true); fi
    sample_rss "$saved"
    if ((saved >= games)); then
        [[ -n $finished_at ]] || finished_at=$(date +%s)
        if (($(date +%s) - finished_at > 20)); then
            echo "xboard is still alive 20 s after the last game: ending it"
            kill -TERM -- "-$group" 2> /dev/null || true
            break
        fi
    fi
done
wait "$group" 2> /dev/null && status=0 || status=$?
kill -TERM -- "-$group" 2> /dev/null || true  # an engine left behind
sleep 1
kill -KILL -- "-$group" 2> /dev/null || true
group=""
elapsed=$(($(date +%s) - start))
timed_out=0
if ((status == 124 || status == 137)) && ((elapsed >= total_timeout)); then timed_out=1; fi
echo "xboard ran ${elapsed} s (status $status$( ((timed_out)) && echo ", stopped by the ${total_timeout} s bound"))"

set +e
python3 "$repo/scripts/xboard_report.py" --games "$games" --work "$work" --hang "$hang" \
    --timed-out "$timed_out" --elapsed "$elapsed" $( ((uci)) && echo --uci)
verdict=$?
set -e
if ((verdict != 0)); then
    keep=1
    echo "files of the run kept in $work"
fi
exit "$verdict"
