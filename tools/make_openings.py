#!/usr/bin/env python3
"""Writes the opening suite for scripts/strength.py: positions 8, 10 or 12 plies from the
start, White to move, reached by seeded random choices among the moves that Stockfish finds nearly as good as its
best, and kept only when a deeper search finds them about level.

    tools/make_openings.py [--count N] [--seed S] [--depth D] > tests/data/openings.epd

Each ply, Stockfish searches the position to depth 8 with six lines (MultiPV 6), and one of
the lines scoring within MARGIN centipawns of the best is played, each as likely as the others;
so the suite covers many first moves and replies, not only a book's main lines. At the end of
the line the position is searched alone to --depth (18) with a cleared table, and is kept when
that score is within BALANCE centipawns of zero and the position was not reached before (the
same placement, side, castling rights and en-passant square). With one thread and a cleared
table every search gives the same result on every run, so the file is reproducible from its
seed.

Every position has White to move: xboard counts a MOVES/TIME control's moves by move number,
so in a game set up with Black to move White's period ends one move before White has made
MOVES moves, and an engine that counts its own moves spends the next period on one move.

Each line of the file is EPD: the position's four fields, then hmvc and fmvn (the clocks, so
that a full FEN can be made), ce (the deep score in centipawns from the side to move's view),
c0 (the moves from the start, coordinate form) and id.
"""
import argparse
import os
import random
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from make_search_positions import STOCKFISH, Engine  # noqa: E402

MARGIN = 30
BALANCE = 50
LINES = 6
SHALLOW = 8
MATE = 100_000


def score_of(info):
    """The score of a thinking line in centipawns, mates as +-MATE."""
    m = re.search(r" score (cp|mate) (-?\d+)", info)
    if m.group(1) == "cp":
        return int(m.group(2))
    return MATE if int(m.group(2)) > 0 else -MATE


def search(engine, moves, depth, lines):
    """{first move: score} of each line that the search at `depth` ended with."""
    engine.send(f"setoption name MultiPV value {lines}")
    engine.send("position startpos moves " + " ".join(moves))
    engine.send(f"go depth {depth}")
    found = {}
    for info in engine.wait("bestmove"):
        m = re.match(rf"info depth {depth} .*multipv \d+ .*score .* pv (\S+)", info)
        if m and " bound" not in info:
            found[m.group(1)] = score_of(info)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--count", type=int, default=300, help="positions to write (300)")
    parser.add_argument("--seed", type=int, default=20260118)
    parser.add_argument("--depth", type=int, default=18, help="depth of the balance check")
    parser.add_argument("--tries", type=int, default=2000, help="lines to try at most")
    args = parser.parse_args()

    engine = Engine()
    engine.send("setoption name Hash value 32")
    rng = random.Random(args.seed)
    seen = set()
    kept = []
    tried = 0
    while len(kept) < args.count and tried < args.tries:
        tried += 1
        plies = rng.choice((8, 10, 12))
        moves = []
        while len(moves) < plies:
            engine.send("ucinewgame")
            scores = search(engine, moves, SHALLOW, LINES)
            if not scores:
                break  # mate or stalemate on the way: no opening
            best = max(scores.values())
            moves.append(rng.choice(sorted(m for m, s in scores.items() if s >= best - MARGIN)))
        if len(moves) < plies:
            continue
        fen, legal = engine.state(moves)
        key = " ".join(fen.split()[:4])
        if key in seen or not legal:
            continue
        seen.add(key)
        engine.send("ucinewgame")
        deep = search(engine, moves, args.depth, 1)
        if not deep:
            continue
        score = next(iter(deep.values()))
        if abs(score) > BALANCE:
            continue
        kept.append((fen, score, moves))
        print(f"{len(kept)}/{tried} {score:+d} {' '.join(moves)}", file=sys.stderr, flush=True)
    engine.send("quit")
    if len(kept) < args.count:
        sys.exit(f"only {len(kept)} positions after {tried} lines")

    print(f"# Opening suite for scripts/strength.py, written by tools/make_openings.py "
          f"--count {args.count} --seed {args.seed} --depth {args.depth}")
    print(f"# ({os.path.basename(STOCKFISH)} 15.1, one thread: random lines of 8, 10 or 12 plies "
          f"among the MultiPV {LINES} moves at depth {SHALLOW} within {MARGIN} cp of the best,")
    print(f"# kept when depth {args.depth} scores them within {BALANCE} cp; ce is that score "
          "from the side to move's view, c0 the moves from the start.)")
    for number, (fen, score, moves) in enumerate(kept, 1):
        board, side, castling, passant, halfmove, fullmove = fen.split()
        print(f"{board} {side} {castling} {passant} hmvc {halfmove}; fmvn {fullmove}; "
              f"ce {score}; c0 \"{' '.join(moves)}\"; id \"opening {number}\";")


if __name__ == "__main__":
    main()
