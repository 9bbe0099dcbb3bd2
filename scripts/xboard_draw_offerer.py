#!/usr/bin/env python3
"""A small xboard-protocol opponent for tests: it picks its moves with Stockfish (a short
search through UCI) and offers a draw with each move once the game has more than
--offer-after plies. Moves are exchanged in coordinate notation (e2e4, e7e8q). With
--stop-after it falls silent once the game has that many plies, to play a hung engine."""

import argparse
import shutil
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--offer-after", type=int, default=31)
    parser.add_argument("--stop-after", type=int, default=0)
    parser.add_argument("--movetime", type=int, default=50, help="milliseconds per move")
    parser.add_argument("--stockfish", default=shutil.which("stockfish") or "/usr/games/stockfish")
    args = parser.parse_args()

    fish = subprocess.Popen([args.stockfish], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True, bufsize=1)

    def uci(command, until=None):
        fish.stdin.write(command + "\n")
        fish.stdin.flush()
        while until:
            line = fish.stdout.readline()
            if not line:
                sys.exit("stockfish ended")
            if line.startswith(until):
                return line.split()

    uci("uci", "uciok")
    uci("isready", "readyok")

    def say(text):
        sys.stdout.write(text + "\n")
        sys.stdout.flush()

    moves = []
    force = False
    side = 1  # the side this engine plays: 0 White, 1 Black

    def play():
        nonlocal moves
        if args.stop_after and len(moves) >= args.stop_after:
            return
        reply = uci(f"position startpos moves {' '.join(moves)}".rstrip(), None)
        del reply
        best = uci(f"go movetime {args.movetime}", "bestmove")[1]
        moves.append(best)
        if len(moves) > args.offer_after:
            say("offer draw")
        say(f"move {best}")

    for raw in sys.stdin:
        line = raw.strip()
        word = line.split(" ", 1)[0] if line else ""
        if word == "protover":
            say('feature myname="DrawOfferer" setboard=0 ping=1 san=0 usermove=1 sigint=0 '
                'sigterm=0 colors=0 done=1')
        elif word == "new":
            moves, force, side = [], False, 1
        elif word == "force":
            force = True
        elif word == "go":
            force, side = False, len(moves) % 2
            play()
        elif word == "ping":
            say("pong " + line[5:])
        elif word == "quit":
            break
        elif word == "usermove":
            moves.append(line.split()[1])
            if not force and len(moves) % 2 == side:
                play()
    uci("quit")
    fish.wait(timeout=5)


if __name__ == "__main__":
    main()
