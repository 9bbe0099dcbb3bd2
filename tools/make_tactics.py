#!/usr/bin/env python3
"""Writes tests/data/tactics.epd: positions with one clearly best move, for vardo-tactics.

    tools/make_tactics.py [--out FILE]    (default: tests/data/tactics.epd beside this script)

Stockfish plays short games against itself at depth 3 with seeded random moves mixed in, so
that somebody now and then leaves something hanging or walks into a combination. Positions
are sampled along every game and screened in two steps, each from an empty hash table so that
the result depends only on the seed:

  1. a quick two-line search (multipv 2, depth SCREEN_DEPTH) must already show a gap;
  2. a deeper one (multipv 2, depth CONFIRM_DEPTH or CONFIRM_NODES nodes, whichever comes
     first) must show the best move at least MIN_GAP centipawns above the second best, the
     best move at least MIN_WIN for the side to move, the second best no more than
     MAX_SECOND (so the side was not winning anyway), and no mate in one (mates in two to
     five are kept; a mate for both lines has no single best move).

Positions are mostly sampled just after a random move, where a man is left hanging or a
combination let in. A move Stockfish finds at depth 1 (mostly taking a man left hanging)
makes an easy position; every other position found is kept, and easy ones fill the suite up
to its size. Middlegames (more than ENDGAME_MEN men) make up most of it, endgames the rest.

Needs /usr/games/stockfish (15.1). Takes about ten minutes of one core.
"""
import argparse
import os
import random
import re
import subprocess
import sys

STOCKFISH = "/usr/games/stockfish"
SEED = 20260114
GAMES = 400
SCREEN_DEPTH = 7
CONFIRM_DEPTH = 18
CONFIRM_NODES = 1_500_000
MIN_GAP = 200
MIN_WIN = 150
MAX_SECOND = 300
MAX_MATE = 5  # moves
ENDGAME_MEN = 12
WANTED = {"middlegame": 95, "endgame": 35}
MATE = 100_000  # a mate in n scores MATE - n, far above any centipawn score


class Engine:
    def __init__(self):
        self.p = subprocess.Popen([STOCKFISH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        self.version = self.wait_after("uci", "uciok")[0].split(" by ")[0]
        self.send("setoption name Threads value 1")
        self.send("setoption name Hash value 32")

    def send(self, command):
        self.p.stdin.write(command + "\n")

    def wait_after(self, command, prefix):
        self.send(command)
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
        lines = self.wait_after("go perft 1", "Nodes searched")
        legal = [l[:-3] for l in lines if re.fullmatch(r"[a-h][1-8][a-h][1-8][qrbn]?: 1", l)]
        fen = next(l for l in self.wait_after("d", "Checkers") if l.startswith("Fen: "))[5:]
        return fen, legal

    def best(self, moves, depth):
        self.send("position startpos moves " + " ".join(moves))
        return self.wait_after(f"go depth {depth}", "bestmove")[-1].split()[1]

    def two_lines(self, fen, limits):
        """[(score, first move)] of the best two lines, score from the side to move's view."""
        self.send("ucinewgame")
        self.wait_after("isready", "readyok")
        self.send("setoption name MultiPV value 2")
        self.send("position fen " + fen)
        lines = self.wait_after("go " + limits, "bestmove")
        self.send("setoption name MultiPV value 1")
        found = {}
        for line in lines:
            m = re.search(r" multipv (\d) score (cp|mate) (-?\d+)(?: \w+bound)? .* pv (\S+)", line)
            if m and " bound" not in line and "bound " not in line:
                value = int(m.group(3))
                if m.group(2) == "mate":
                    value = MATE - value if value > 0 else -MATE - value
                found[int(m.group(1))] = (value, m.group(4))
        return [found[k] for k in sorted(found)]

    def depth1(self, fen):
        self.send("ucinewgame")
        self.send("position fen " + fen)
        return self.wait_after("go depth 1", "bestmove")[-1].split()[1]


def phase(fen):
    men = sum(c.isalpha() for c in fen.split()[0])
    return "middlegame" if men > ENDGAME_MEN else "endgame"


def score_text(value):
    if value >= MATE - 1000:
        return f"mate {MATE - value}"
    if value <= -MATE + 1000:
        return f"mate -{MATE + value}"
    return f"{value:+d} cp"


def judge(lines):
    """Whether the two lines make a tactic: one clearly best move that wins something."""
    if len(lines) < 2:
        return False  # one legal move is no choice
    (best, _), (second, _) = lines
    if best >= MATE - 1 or second >= MATE - 1000:
        return False  # mate in one, or a mate either way
    if best >= MATE - 1000 and MATE - best > MAX_MATE:
        return False
    return best >= MIN_WIN and best - second >= MIN_GAP and second <= MAX_SECOND


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(root, "tests", "data", "tactics.epd"))
    args = parser.parse_args()
    engine = Engine()
    rng = random.Random(SEED)

    # Positions sampled along seeded games, each once.
    samples = []
    seen = set()
    for _ in range(GAMES):
        engine.send("ucinewgame")
        stop = rng.randint(20, 200)
        moves = []
        fen, legal = engine.state(moves)
        while len(moves) < stop and legal:
            randomly = rng.random() < 0.2
            moves.append(rng.choice(legal) if randomly else engine.best(moves, 3))
            fen, legal = engine.state(moves)
            # A random move is where a man is left hanging or a combination let in.
            chance = 0.7 if randomly else 0.2
            key = " ".join(fen.split()[:4])
            if len(moves) >= 12 and legal and key not in seen and rng.random() < chance:
                seen.add(key)
                samples.append(fen)
    rng.shuffle(samples)
    print(f"{len(samples)} positions sampled", file=sys.stderr)

    chosen = {name: {"easy": [], "hard": []} for name in WANTED}

    def full(name):
        return len(chosen[name]["hard"]) >= WANTED[name]

    screened = confirmed = 0
    for fen in samples:
        name = phase(fen)
        if full(name):
            if all(full(n) for n in WANTED):
                break
            continue
        screened += 1
        quick = engine.two_lines(fen, f"depth {SCREEN_DEPTH}")
        if not judge(quick):
            continue
        # Easy positions are plenty: once they could fill the suite alone, no deeper search
        # for more of them.
        easy_full = len(chosen[name]["easy"]) >= WANTED[name]
        if easy_full and engine.depth1(fen) == quick[0][1]:
            continue
        lines = engine.two_lines(fen, f"depth {CONFIRM_DEPTH} nodes {CONFIRM_NODES}")
        confirmed += 1
        if not judge(lines):
            continue
        kind = "easy" if engine.depth1(fen) == lines[0][1] else "hard"
        if kind == "easy" and easy_full:
            continue
        chosen[name][kind].append((fen, lines))
        print(f"{screened} screened: {name} {kind} {fen} {lines}", file=sys.stderr)
    engine.send("quit")
    print(f"{screened} screened, {confirmed} searched deeper", file=sys.stderr)

    with open(args.out, "w") as out:
        out.write(
            "# Tactics for build/vardo-tactics, written by tools/make_tactics.py: positions from\n"
            f"# {engine.version} self-play at depth 3 with seeded random moves (seed {SEED}),\n"
            "# kept where a two-line search (multipv 2) to depth "
            f"{CONFIRM_DEPTH} or {CONFIRM_NODES} nodes\n"
            f"# puts one move at least {MIN_GAP} cp above the second best, at least {MIN_WIN} cp "
            "for the side\n"
            f"# to move, the second best at most {MAX_SECOND} cp, and no mate in one "
            f"(mates in 2 to {MAX_MATE} kept).\n"
            "# bm is in COORDINATE notation (e2e4, e7e8q), not the SAN that EPD usually has.\n"
            "# c0 holds Stockfish's scores of the best and second-best moves; c1 the kind:\n"
            "# middlegame or endgame, easy where Stockfish finds the move at depth 1.\n")
        number = 0
        for name in WANTED:
            hard = chosen[name]["hard"]
            picked = hard + chosen[name]["easy"][: WANTED[name] - len(hard)]
            rng.shuffle(picked)
            for fen, lines in picked:
                number += 1
                fields = fen.split()
                (best, move), (second, _) = lines
                kind = "easy" if (fen, lines) in chosen[name]["easy"] else "hard"
                out.write(f"{' '.join(fields[:4])} bm {move}; id \"tactic.{number}\"; "
                          f"hmvc {fields[4]}; fmvn {fields[5]}; "
                          f"c0 \"{score_text(best)}, second {score_text(second)}\"; "
                          f"c1 \"{name} {kind}\";\n")
    print(f"{number} positions written to {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
