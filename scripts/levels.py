#!/usr/bin/env python3
"""Measures Vardo's levels (--elo N) so that the table from ratings to strengths
(engine/level.cpp, ANCHORS) can be set from games, and set again after a change to the search.

    scripts/levels.py games [--elo 1400 1800 2200 2400] [--games 20] [--tc 1 --inc 0.6]
    scripts/levels.py below [--elo 800 1100] [--games 20] ...
    scripts/levels.py ladder [--elo 1400 1800 2200 2400] [--against 1800] ...
    scripts/levels.py times [--elo 1400 1800 2200 2400]

games: each level plays Stockfish set to UCI_LimitStrength with the same UCI_Elo (given as
"true": polyglot passes a -uci value as it stands, and Stockfish drops a check's "1"; Stockfish's
levels are rated on the public lists' scale, from 1350 up), through the strength rig. A level
that plays its rating scores about half. The rating it plays is its rating plus the Elo
difference its score gives.
below: under Stockfish's lowest level, each level plays the level 300 above it: it should
score about 15%.
ladder: each level plays the one Stockfish level --against: a higher level must score higher.
times: the seconds a level takes per move on a clock of 1 minute plus 0.6 s a move, over the
first moves of a few openings (UCI "go wtime 60000 btime 60000 winc 600 binc 600").

Each measured level prints its score and the rating it plays; with the strengths the table
gives those ratings, a rating measured off by D moves its anchor by about D over the Elo a step
of strength is worth there (see the table's neighbours).
"""

import argparse
import math
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
STOCKFISH = shutil.which("stockfish") or "/usr/games/stockfish"
BELOW_STEP = 300  # the levels under Stockfish's play the level this far above them


def elo_of(score):
    """The Elo difference an expected score gives (clamped away from 0 and 1)."""
    score = min(max(score, 0.01), 0.99)
    return -400 * math.log10(1 / score - 1)


def match(args, elo, opponent, uci_options, out):
    """Plays the strength rig; returns (score, games, the SUMMARY's fields)."""
    command = [sys.executable, str(REPO / "scripts" / "strength.py"),
               "--engine-a", f"{args.vardo} --elo {elo}", "--name-a", f"vardo-{elo}",
               "--engine-b", opponent, "--games", str(args.games), "--tc", args.tc,
               "--inc", str(args.inc), "--no-stop", "--concurrency", str(args.concurrency),
               "--seed", str(args.seed), "--out", str(out)]
    if uci_options is not None:
        command.append("--uci-b")
        for option in uci_options:
            command += ["--option-b", option]
    run = subprocess.run(command, capture_output=True, text=True)
    (out.parent / (out.name + ".log")).write_text(run.stdout + run.stderr)
    summary = [line for line in run.stdout.splitlines() if line.startswith("SUMMARY ")]
    if not summary:
        sys.exit(f"levels: the rig gave no summary for {elo} (see {out}.log)")
    fields = dict(word.split("=", 1) for word in summary[-1].split()[1:])
    return float(fields["score"]), int(fields["games"]), fields


def against_stockfish(args, elo, stockfish_elo, out):
    """Level `elo` against Stockfish at `stockfish_elo`; prints the score and the rating."""
    score, played, fields = match(args, elo, STOCKFISH,
                                  ["UCI_LimitStrength=true", f"UCI_Elo={stockfish_elo}"], out)
    print(f"level {elo}: {100 * score:.1f}% of {played} games against Stockfish at "
          f"{stockfish_elo} (+{fields['wins']} -{fields['losses']} ={fields['draws']}), plays "
          f"about {stockfish_elo + elo_of(score):.0f}; result {fields['result']}", flush=True)


def games(args):
    for elo in args.elo:
        against_stockfish(args, elo, elo, Path(args.out) / f"sf-{elo}")


def ladder(args):
    for elo in args.elo:
        against_stockfish(args, elo, args.against,
                          Path(args.out) / f"ladder-{elo}-against-{args.against}")


def below(args):
    for elo in args.elo:
        out = Path(args.out) / f"below-{elo}"
        score, played, fields = match(args, elo, f"{args.vardo} --elo {elo + BELOW_STEP}", None,
                                      out)
        print(f"level {elo}: {100 * score:.1f}% of {played} games against level "
              f"{elo + BELOW_STEP} (+{fields['wins']} -{fields['losses']} ={fields['draws']}), "
              f"plays about {elo + BELOW_STEP + elo_of(score):.0f} if that level plays its "
              f"rating; result {fields['result']}", flush=True)


def times(args):
    openings = [line.split(" bm ")[0].strip() for line in
                (REPO / "tests" / "data" / "openings.epd").read_text().splitlines()
                if line.strip() and not line.startswith("#")][:6]
    for elo in args.elo:
        engine = subprocess.Popen([args.vardo, "--elo", str(elo)], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True, bufsize=1,
                                  cwd=REPO / "build")
        engine.stdin.write("uci\nsetoption name OwnBook value false\n")
        spent = []
        for fen in openings:
            fields = fen.split()
            fen = " ".join(fields[:4] + ["0", "1"]) if len(fields) < 6 else fen
            engine.stdin.write(f"position fen {fen}\n")
            began = time.monotonic()
            engine.stdin.write("go wtime 60000 btime 60000 winc 600 binc 600\n")
            for line in engine.stdout:
                if line.startswith("bestmove"):
                    break
            spent.append(time.monotonic() - began)
        engine.stdin.write("quit\n")
        engine.stdin.close()
        engine.wait()
        spent.sort()
        print(f"level {elo}: {sum(spent) / len(spent):.2f} s a move on average, from "
              f"{spent[0]:.2f} to {spent[-1]:.2f} s, over {len(spent)} positions", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("what", choices=("games", "below", "ladder", "times"))
    parser.add_argument("--elo", type=int, nargs="+")
    parser.add_argument("--against", type=int, default=1800,
                        help="ladder: the Stockfish level every level plays (1800)")
    parser.add_argument("--vardo", default=str(REPO / "build" / "vardo"))
    parser.add_argument("--games", type=int, default=20)
    parser.add_argument("--tc", default="1", help="the rig's MINUTES[:SS] (1)")
    parser.add_argument("--inc", type=float, default=0.6)
    parser.add_argument("--concurrency", type=int, default=2)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", default="levels-games")
    args = parser.parse_args()
    args.vardo = str(Path(args.vardo).resolve())
    if args.elo is None:
        args.elo = [800, 1100] if args.what == "below" else [1400, 1800, 2200, 2400]
    Path(args.out).mkdir(parents=True, exist_ok=True)
    {"games": games, "below": below, "ladder": ladder, "times": times}[args.what](args)


if __name__ == "__main__":
    main()
