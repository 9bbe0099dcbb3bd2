#!/usr/bin/env bash
# Soak: long matches of Vardo against Fairy-Max through headless xboard at three controls,
# 40 moves in 1 minute, 2 minutes + 1 second a move, and 1 second a move, one match at a
# time in chunks of --chunk games, so that figures are there while it runs. Prints each
# chunk's report and, after every chunk, the per-control and total summaries.
#
# Usage: scripts/soak.sh [--games N] [--chunk N] [--engine PATH] [--out DIR]
#   --games N   games per control (34, so that the three make over 100)
#   --chunk N   games per xboard run (2: colours stay balanced)
#   --out DIR   where the runs' files are kept (default: a new folder under /tmp)
# Exit status 1 when any chunk found a fault of Vardo.
# Every game is played by scripts/xboard_match.sh, which passes xboard each setting the games
# rely on: xboard reads its settings file from the home directory in the password database,
# not from $HOME, so a private HOME does not keep a user's saved settings out.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=34
chunk=2
engine="$repo/build/vardo"
out=""
while [[ $# -gt 0 ]]; do
    case "$1" in
        --games) games=${2:?}; shift 2 ;;
        --chunk) chunk=${2:?}; shift 2 ;;
        --engine) engine=${2:?}; shift 2 ;;
        --out) out=${2:?}; shift 2 ;;
        -h|--help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "soak: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ -n $out ]] || out=$(mktemp -d /tmp/vardo-soak.XXXXXX)
mkdir -p "$out"
echo "soak: $games games per control, $chunk per run, files in $out"

names=("40/1" "2+1" "st1")
args_of() {
    case "$1" in
        40/1) echo "--tc 40/1" ;;
        2+1) echo "--tc 2 --inc 1" ;;
        st1) echo "--st 1" ;;
    esac
}

# Adds up the SUMMARY lines of the given reports and prints one line of totals with Elo.
total() {
    local label=$1
    shift
    { cat "$@" 2> /dev/null || true; } | { grep -h '^SUMMARY ' || true; } | python3 -c '
import math, sys
label = sys.argv[1]
sums = {}
for line in sys.stdin:
    for field in line.split()[1:]:
        key, value = field.split("=")
        value = int(value)
        sums[key] = max(sums.get(key, 0), value) if key == "max_think_ms" else sums.get(key, 0) + value
w, l, d = sums.get("wins", 0), sums.get("losses", 0), sums.get("draws", 0)
n = w + l + d
text = f"{label}: {n} games +{w} -{l} ={d}"
if n:
    p = (w + d / 2) / n
    text += f" score {100 * p:.1f}%"
    if 0 < p < 1:
        se = math.sqrt((w * (1 - p) ** 2 + d * (0.5 - p) ** 2 + l * p ** 2) / n / n)
        elo = lambda q: -400 * math.log10(1 / q - 1)
        lo, hi = max(p - 1.96 * se, 1e-6), min(p + 1.96 * se, 1 - 1e-6)
        text += f" Elo {elo(p):+.0f} +/- {(elo(hi) - elo(lo)) / 2:.0f}"
keys = ["illegal", "false_claims", "time_forfeits", "exits", "hangs", "no_result", "log_lost", "protests",
        "max_think_ms", "opp_time_forfeits"]
print(text + " | " + " ".join(f"{k}={sums.get(k, 0)}" for k in keys))
' "$label"
}

status=0
done_games=(0 0 0)
run=0
while :; do
    progressed=0
    for i in 0 1 2; do
        ((done_games[i] < games)) || continue
        n=$((games - done_games[i]))
        ((n > chunk)) && n=$chunk
        run=$((run + 1))
        name=${names[i]}
        tag=$(echo "$name" | tr '/+' '__')
        report="$out/run$(printf '%03d' "$run")-$tag.txt"
        # shellcheck disable=SC2046
        if ! "$repo/scripts/xboard_match.sh" --engine "$engine" --games "$n" $(args_of "$name") \
            --out "$out/run$(printf '%03d' "$run")-$tag" > "$report" 2>&1; then
            status=1
            echo "!! run $run ($name) found a fault: $report"
        fi
        grep '^game \|^RESULT' "$report" | sed "s|^|[$name run $run] |"
        done_games[i]=$((done_games[i] + n))
        progressed=1
        for j in 0 1 2; do
            tag=$(echo "${names[j]}" | tr '/+' '__')
            total "${names[j]}" "$out"/run*-"$tag".txt
        done
        total "all" "$out"/run*.txt
    done
    ((progressed)) || break
done
echo "soak finished"
exit "$status"
