#!/usr/bin/env bash
# Soak: many games of Vardo through headless xboard against several engines from Debian's
# packages, at three controls that use each mode of its clock: 40 moves in 20 seconds (a move
# count), 1 minute + 1 second a move (a whole game with an increment) and 1 second a move (st).
# Games are played in chunks, one xboard run (and one Vardo process) of --chunk games each. The
# chunks go round the controls and, within each control, the opponents, so that at any time
# the totals cover every control and every opponent. After each chunk its report is printed,
# then the running totals per control, per opponent and overall.
#
# A soak can take several sessions: each chunk's figures are added to DIR/ledger.txt, and a
# run with the same --out plays only the games still missing up to --games, with totals over
# all runs (also kept in DIR/totals.txt). Stopping a run loses at most the chunk in progress.
# Runs that play different controls (or opponents) may share DIR at the same time, one a core:
#   scripts/soak.sh --controls 40/20s,st1 & scripts/soak.sh --controls 1+1
# HoiChess does not play st1: it takes its whole second and a little more, so xboard flags it
# on its first move out of book in every game.
#
# Usage: scripts/soak.sh [options]
#   --games N         games per control over all runs in DIR, shared evenly by the opponents
#                     that play it (102: 306 games in all)
#   --chunk N         games per xboard run (6; keep it even, so that colours stay balanced)
#   --controls LIST   comma-separated, from 40/20s, 1+1, st1 (all three)
#   --opponents LIST  comma-separated, from fairymax, hoichess, phalanx (all three)
#   --engine PATH     the Vardo binary (build/vardo)
#   --out DIR         the soak's folder: every chunk's files, the ledger, the totals
#                     (build-soak in the repository)
#   --rss-margin KB   how much Vardo's resident memory may end a chunk above its most in the
#                     chunk's first game (1024)
#   --totals          only print the totals of DIR
# The opponents the machine lacks, and xboard, xvfb, xauth and python3, are installed with
# apt-get through scripts/ensure_tools.sh.
# Exit status 1 when any chunk of this run found a fault of Vardo, 2 on a usage or set-up error.
# Every game is played by scripts/xboard_match.sh, which passes xboard each setting the games
# rely on: xboard reads its settings file from the home directory in the password database,
# not from $HOME, so a private HOME does not keep a user's saved settings out.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=102
chunk=6
controls="40/20s,1+1,st1"
opponents="fairymax,hoichess,phalanx"
engine="$repo/build/vardo"
out="$repo/build-soak"
rss_margin=1024
totals_only=0

die() {
    echo "soak: $*" >&2
    exit 2
}

while [[ $# -gt 0 ]]; do
    case "$1" in
        --games) games=${2:?}; shift 2 ;;
        --chunk) chunk=${2:?}; shift 2 ;;
        --controls) controls=${2:?}; shift 2 ;;
        --opponents) opponents=${2:?}; shift 2 ;;
        --engine) engine=${2:?}; shift 2 ;;
        --out) out=${2:?}; shift 2 ;;
        --rss-margin) rss_margin=${2:?}; shift 2 ;;
        --totals) totals_only=1; shift ;;
        -h|--help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) die "unknown option $1 (try --help)" ;;
    esac
done
[[ $games =~ ^[0-9]+$ ]] || die "--games needs a number"
[[ $chunk =~ ^[1-9][0-9]*$ ]] || die "--chunk needs a positive number"
[[ $rss_margin =~ ^[0-9]+$ ]] || die "--rss-margin needs kB"

# The match script's arguments for each control.
control_args() {
    case "$1" in
        40/20s) echo "--tc 40/0:20" ;;
        1+1) echo "--tc 1 --inc 1" ;;
        st1) echo "--st 1" ;;
        *) return 1 ;;
    esac
}
# Each opponent's Debian package and command line. HoiChess finds out by itself that xboard
# runs it, but is told; it reads hoichess.rc from its folder, then $HOME/.hoichess, then the
# package's own, and the match gives it an empty folder and a private HOME, so the package's
# settings (32 MB hash, its book) are the ones used. Phalanx learns from its games into a file
# unless told not to (-l-): without learning every chunk meets the same opponent, and nothing
# is written.
opponent_package() {
    case "$1" in
        fairymax | hoichess | phalanx) echo "$1" ;;
        *) return 1 ;;
    esac
}
# Whether an opponent plays a control.
plays() {
    [[ ! ($1 == hoichess && $2 == st1) ]]
}
opponent_command() {
    case "$1" in
        fairymax) echo "/usr/games/fairymax" ;;
        hoichess) echo "/usr/games/hoichess --xboard=on" ;;
        phalanx) echo "/usr/games/phalanx -l-" ;;
    esac
}

IFS=, read -r -a control_list <<< "$controls"
IFS=, read -r -a opponent_list <<< "$opponents"
((${#control_list[@]} > 0)) || die "no control given"
((${#opponent_list[@]} > 0)) || die "no opponent given"
for control in "${control_list[@]}"; do
    control_args "$control" > /dev/null || die "unknown control $control (40/20s, 1+1 or st1)"
done
packages=(xboard xvfb xauth python3)
for opponent in "${opponent_list[@]}"; do
    package=$(opponent_package "$opponent") ||
        die "unknown opponent $opponent (fairymax, hoichess or phalanx)"
    packages+=("$package")
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
ledger="$out/ledger.txt"
touch "$ledger"
show_totals() {
    python3 "$repo/scripts/soak_totals.py" "$ledger" | tee "$out/totals.txt"
}
if ((totals_only)); then
    show_totals
    exit 0
fi

"$repo/scripts/ensure_tools.sh" "${packages[@]}" || exit 2
[[ -x $engine ]] || die "no engine binary at $engine (build it: scripts/play.sh builds build/vardo; or give --engine)"

# Games already in the ledger for a control and an opponent.
games_done() {
    awk -v c="control=$1" -v o="opponent=$2" '
        $1 == c && $2 == o { for (i = 3; i <= NF; i++) if ($i ~ /^games=/) n += substr($i, 7) }
        END { print n + 0 }' "$ledger"
}
# Claims the next chunk's folder, numbered after every chunk folder already there, finished or
# not, and prints its name. The folder is made here (mkdir fails when it exists), so that runs
# given different --controls or --opponents can share DIR, each on a core of its own.
claim_chunk() {
    local number name folder
    while :; do
        number=1
        for folder in "$out"/chunk[0-9]*; do
            [[ -e $folder ]] || continue
            folder=${folder##*/chunk}
            folder=$((10#${folder%%-*}))
            ((folder < number)) || number=$((folder + 1))
        done
        name=$(printf 'chunk%04d-%s-%s' "$number" "$(echo "$1" | tr '/+' '__')" "$2")
        if mkdir "$out/$name" 2> /dev/null; then
            echo "$name"
            return
        fi
    done
}

echo "soak: $games games per control (controls ${controls}, opponents ${opponents})," \
    "$chunk per chunk, files in $out"
status=0
while :; do
    played=0
    for control in "${control_list[@]}"; do
        players=()
        for opponent in "${opponent_list[@]}"; do
            if plays "$opponent" "$control"; then players+=("$opponent"); fi
        done
        if ((${#players[@]} == 0)); then
            echo "soak: none of the opponents given plays $control" >&2
            continue
        fi
        share=$(((games + ${#players[@]} - 1) / ${#players[@]}))
        for opponent in "${players[@]}"; do
            missing=$((share - $(games_done "$control" "$opponent")))
            ((missing > 0)) || continue
            n=$((missing < chunk ? missing : chunk))
            name=$(claim_chunk "$control" "$opponent")
            report="$out/$name.txt"
            echo "== $name: $n games, $control against $opponent"
            verdict=0
            # shellcheck disable=SC2046
            "$repo/scripts/xboard_match.sh" --engine "$engine" --games "$n" $(control_args "$control") \
                --opponent "$(opponent_command "$opponent")" --out "$out/$name" > "$report" 2>&1 ||
                verdict=$?
            grep '^game \|^Vardo faults\|^Vardo.s resident\|^RESULT' "$report" | sed "s|^|[$name] |" || true
            summary=$(grep '^SUMMARY ' "$report" | tail -n 1 || true)
            if [[ -z $summary ]]; then
                echo "!! $name gave no report (status $verdict): $report"
                tail -n 5 "$report"
                exit 2
            fi
            # Memory: the end of the chunk against the most seen in its first game, not the
            # first sample. The first sample can come before any search has grown the per-ply
            # move lists to the deepest ply it reaches, and later, deeper searches may grow them
            # a little more; the 1 MB allowed covers that, while a leak of a few kB a move over
            # a chunk's hundreds of moves, or of a table each game, goes beyond it. A chunk
            # without a figure has not shown that its memory held, and counts as a fault too.
            first=$(sed -n 's/.* rss_first_game_kb=\([0-9]*\).*/\1/p' <<< "$summary")
            last=$(sed -n 's/.* rss_last_kb=\([0-9]*\).*/\1/p' <<< "$summary")
            growth=$((${last:-0} - ${first:-0}))
            grew=0
            if ((${first:-0} == 0 || ${last:-0} == 0)); then
                echo "!! $name: no sample of Vardo's memory"
                grew=1
            elif ((growth > rss_margin)); then
                echo "!! $name: Vardo's memory grew by $growth kB (from $first kB in the first game to $last kB)"
                grew=1
            fi
            echo "control=$control opponent=$opponent chunk=$name ${summary#SUMMARY } rss_growth_kb=$growth memory_faults=$grew" >> "$ledger"
            if ((verdict != 0 || grew)); then
                status=1
                echo "!! $name found a fault of Vardo: $report and $out/$name/"
            fi
            played=1
            show_totals
        done
    done
    ((played)) || break
done
echo "soak finished: totals in $out/totals.txt"
exit "$status"
