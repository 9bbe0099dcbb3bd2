#!/usr/bin/env python3
"""Writes tests/data/search-positions.epd: positions from short games that Stockfish plays
against itself at a small depth, with seeded random moves mixed in so that the games differ.
Each game stops at a seeded ply and gives its last position, sorted into openings,
middlegames or endgames by the number of men, and the last position along the way that has an
en-passant square (Stockfish names one only where the capture can be made).

    scripts/make_search_positions.py [--vardo-depths BUILD/vardo-depths] > FILE

With --vardo-depths, positions that need more than MAX_NODES nodes at depth 6 are left out,
so that depth 7 stays within a few seconds a position.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile

STOCKFISH = "/usr/games/stockfish"
GAMES = 500
WANTED = {"opening": 30, "middlegame": 50, "endgame": 40, "en-passant": 8}
MAX_NODES = 1_500_000


class Engine:
    def __init__(self):
        self.p = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        self.send("uci")
        self.wait("uciok")
        self.send("setoption name Threads value 1")
        self.send("setoption name Hash value 16")

    def send(self, command):
        self.p.stdin.write(command + "\n")

    def wait(self, prefix):
        lines = []
        while True:
            line = self.p.stdout.readline()
            if not line:
                sys.exit("stockfish ended unexpectedly")
            lines.append(line.strip())
            if line.startswith(prefix):
                return lines

    def state(self, moves):
        """FEN and legal moves after `moves` from the start position."""
        self.send("position startpos moves " + " ".join(moves))
        self.send("go perft 1")
        lines = self.wait("Nodes searched")
        legal = [l[:-3] for l in lines if re.fullmatch(r"[a-h][1-8][a-h][1-8][qrbn]?: 1", l)]
        self.send("d")
        fen = next(l for l in self.wait("Checkers") if l.startswith("Fen: "))[5:]
        return fen, legal

    def best(self, moves):
        self.send("position startpos moves " + " ".join(moves))
        self.send("go depth 3")
        return self.wait("bestmove")[-1].split()[1]


def phase(fen):
    men = sum(c.isalpha() for c in fen.split()[0])
    return "opening" if men >= 30 else "middlegame" if men >= 16 else "endgame"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vardo-depths")
    args = parser.parse_args()
    engine = Engine()
    rng = random.Random(20261207)
    candidates = {name: [] for name in WANTED}
    seen = set(bench_keys())

    def keep(fen, name):
        key = " ".join(fen.split()[:4])
        if key not in seen:
            seen.add(key)
            candidates[name].append(fen)

    for _ in range(GAMES):
        engine.send("ucinewgame")
        stop = rng.choice([rng.randint(4, 16), rng.randint(16, 60), rng.randint(60, 140)])
        moves = []
        fen, legal = engine.state(moves)
        passing = None
        while len(moves) < stop and legal:
            moves.append(rng.choice(legal) if rng.random() < 0.25 else engine.best(moves))
            fen, legal = engine.state(moves)
            if fen.split()[3] != "-" and legal:
                passing = fen
        if legal:
            keep(fen, phase(fen))
        if passing:
            keep(passing, "en-passant")
    engine.send("quit")

    chosen = []
    for name, count in WANTED.items():
        pool = candidates[name]
        rng.shuffle(pool)
        chosen += [(name, f) for f in pool[:count]]
    if args.vardo_depths:
        chosen = [c for c in chosen if depth6_nodes(args.vardo_depths, c[1]) <= MAX_NODES]

    print("# Search positions for scripts/compare_search.sh, written by "
          "scripts/make_search_positions.py")
    print("# (Stockfish 15.1 self-play at depth 3 with seeded random moves; positions needing more")
    print(f"# than {MAX_NODES} nodes at depth 6 left out when --vardo-depths was given).")
    for name, fen in chosen:
        print(f"{fen} ; {name}")


def bench_keys():
    """The bench's positions (search/bench.h), which are compared anyway."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(root, "search", "bench.h")) as f:
        source = f.read()
    fens = re.findall(r'^\s*"([^"]+/[^"]+)",$', source, re.M)
    return [" ".join(f.split()[:4]) for f in fens]


def depth6_nodes(tool, fen):
    with tempfile.NamedTemporaryFile("w", suffix=".epd") as f:
        f.write(fen + "\n")
        f.flush()
        out = subprocess.run([tool, f.name, "6"], capture_output=True, text=True, check=True)
    return int(out.stdout.split("\n")[-2].split()[3])


if __name__ == "__main__":
    main()
