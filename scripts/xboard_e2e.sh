#!/usr/bin/env bash
# End-to-end test under a real interface: headless xboard in match mode.
#  1. A short match of Vardo against Fairy-Max, Vardo on both colours; fails on any game
#     that ends by an illegal move or false claim of Vardo, a time forfeit of Vardo, Vardo
#     exiting or not answering, or without a result, and on lines missing from Vardo's log.
#  2. A draw offered to Vardo when it is worse, 32 plies into a game, must end the game as a
#     draw by agreement in xboard's record (xboard reads an engine's acceptance only as
#     "offer draw").
#  3. Castling that gives check, which xboard sends with its mark (O-O+), must be followed:
#     the game goes on to its end with no protest and no illegal move from Vardo.
#
# Usage: scripts/xboard_e2e.sh [--engine PATH] [--games N] [--tc TIME]
#   defaults: build/vardo, 4 games, 40 moves in 20 seconds (--tc 40/0:20)
# Needs xboard, xvfb, fairymax, stockfish and python3. Takes about 4 to 5 minutes on 2 cores.
# Every game is played by scripts/xboard_match.sh, which passes xboard each setting the games
# rely on: xboard reads its settings file from the home directory in the password database,
# not from $HOME, so a private HOME does not keep a user's saved settings out.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
engine="$repo/build/vardo"
games=4
tc="40/0:20"
while [[ $# -gt 0 ]]; do
    case "$1" in
        --engine) engine=${2:?}; shift 2 ;;
        --games) games=${2:?}; shift 2 ;;
        --tc) tc=${2:?}; shift 2 ;;
        -h|--help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "xboard_e2e: unknown option $1" >&2; exit 2 ;;
    esac
done
stockfish=$(command -v stockfish || echo /usr/games/stockfish)
[[ -x $stockfish ]] || { echo "xboard_e2e: stockfish is needed for the draw test" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vardo-e2e.XXXXXX")
keep=0
trap '[[ $keep == 1 ]] || rm -rf "$work"' EXIT
failures=()

echo "== match against Fairy-Max: $games games, --tc $tc"
if ! "$repo/scripts/xboard_match.sh" --engine "$engine" --games "$games" --tc "$tc" \
    --out "$work/match"; then
    failures+=("match")
fi

echo "== a draw offer accepted by Vardo ends the game under xboard"
# Vardo, White, is the exchange down after 32 plies (stockfish's line after 2. Rh3 Bxh3);
# the opponent offers a draw with every move from there on.
cat > "$work/draw-start.pgn" << 'EOF'
[Event "draw offer test"]
[White "?"]
[Black "?"]
[Result "*"]

1. h2h4 d7d5 2. h1h3 c8h3 3. g1h3 e7e6 4. g2g3 g8f6 5. f1g2 c7c6 6. d2d4 b8d7
7. e1f1 d8c7 8. b1d2 f8e7 9. c2c4 a8d8 10. d1c2 h7h6 11. c4d5 e6d5 12. f1g1 e8g8
13. d2f1 f8e8 14. f1e3 e7d6 15. e3f5 d6f8 16. h3f4 c7b6 *
EOF
draw_log="$work/draw.txt"
if "$repo/scripts/xboard_match.sh" --engine "$engine" --games 1 --tc "40/1" \
    --opponent "python3 $repo/scripts/xboard_draw_offerer.py --offer-after 31 --stockfish $stockfish" \
    --load-game "$work/draw-start.pgn" --out "$work/draw" --timeout 240 | tee "$draw_log"; then
    if grep -q '^game 1: .*: 1/2-1/2 {Draw agreed}' "$draw_log" &&
        grep -q '^<first : accept draw$\|^[0-9]* <first : accept draw$' "$work/draw/debug.txt"; then
        echo "draw by agreement: ok"
    else
        echo "draw test: the game did not end as a draw agreed after Vardo accepted" >&2
        failures+=("draw acceptance")
    fi
else
    failures+=("draw acceptance")
fi

echo "== castling that gives check, sent by xboard as O-O+, is taken as a move"
# The loaded game ends with White's 6. O-O+; Vardo must follow it and play on to the end.
cat > "$work/castle-start.pgn" << 'EOF'
[Event "castling with check"]
[Result "*"]

1. f4 e5 2. fxe5 Ke7 3. Nh3 Ke6 4. e3 Kf5 5. Be2 a6 6. O-O+ *
EOF
if ! "$repo/scripts/xboard_match.sh" --engine "$engine" --games 1 --tc "40/0:15" \
    --opponent "python3 $repo/scripts/xboard_draw_offerer.py --offer-after 999 --stockfish $stockfish" \
    --load-game "$work/castle-start.pgn" --out "$work/castle" --timeout 120; then
    failures+=("castling with check")
fi

if ((${#failures[@]})); then
    keep=1
    echo "xboard end-to-end: FAIL (${failures[*]}); files in $work" >&2
    exit 1
fi
echo "xboard end-to-end: PASS"
