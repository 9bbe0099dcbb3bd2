#!/usr/bin/env python3
"""Adds up a soak's ledger (one line per chunk: its control, opponent and the key=value fields
of the match report's SUMMARY) and prints the totals per control, per opponent and overall:
games, score with an Elo estimate, and every kind of fault of Vardo.
    scripts/soak_totals.py LEDGER"""

import math
import sys

# Faults of Vardo: each must stay at zero.
FAULTS = ["illegal", "false_claims", "time_forfeits", "exits", "hangs", "no_result", "log_lost",
          "protests", "memory_faults"]


def read_ledger(path):
    chunks = []
    try:
        with open(path) as ledger:
            for line in ledger:
                fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
                if "control" in fields and "opponent" in fields:
                    chunks.append(fields)
    except FileNotFoundError:
        pass
    return chunks


def number(chunk, key):
    try:
        return float(chunk.get(key, 0))
    except ValueError:
        return 0.0


def line_of(label, chunks):
    sums = {key: sum(number(c, key) for c in chunks)
            for key in ["games", "wins", "losses", "draws", "opp_time_forfeits", "opp_illegal"] + FAULTS}
    w, l, d = int(sums["wins"]), int(sums["losses"]), int(sums["draws"])
    n = w + l + d
    text = f"{label}: {int(sums['games'])} games, +{w} -{l} ={d}"
    if n:
        p = (w + d / 2) / n
        text += f", score {w + d / 2:g}/{n} ({100 * p:.1f}%)"
        if 0 < p < 1:
            se = math.sqrt((w * (1 - p) ** 2 + d * (0.5 - p) ** 2 + l * p ** 2) / n / n)
            elo = lambda q: -400 * math.log10(1 / q - 1)
            lo, hi = max(p - 1.96 * se, 1e-6), min(p + 1.96 * se, 1 - 1e-6)
            text += f", Elo {elo(p) + 0.0:+.0f} +/- {(elo(hi) - elo(lo)) / 2:.0f}"
    text += " | " + " ".join(f"{k}={int(sums[k])}" for k in FAULTS)
    games = sum(number(c, "games") for c in chunks)
    depth = sum(number(c, "depth") * number(c, "games") for c in chunks) / games if games else 0
    opp_depth = sum(number(c, "opp_depth") * number(c, "games") for c in chunks) / games if games else 0
    growth = max((number(c, "rss_growth_kb") for c in chunks), default=0)
    think = max((number(c, "max_think_ms") for c in chunks), default=0)
    text += (f" | most memory growth {growth:.0f} kB, longest move {think / 1000:.2f} s,"
             f" mean depth {depth:.1f}" + (f" (opponent {opp_depth:.1f})," if opp_depth else ",") +
             f" opponent time forfeits {int(sums['opp_time_forfeits'])},"
             f" opponent illegal moves {int(sums['opp_illegal'])}")
    return text


def main():
    chunks = read_ledger(sys.argv[1])
    controls = list(dict.fromkeys(c["control"] for c in chunks))
    opponents = list(dict.fromkeys(c["opponent"] for c in chunks))
    for control in controls:
        print(line_of(f"control {control}", [c for c in chunks if c["control"] == control]))
    for opponent in opponents:
        print(line_of(f"against {opponent}", [c for c in chunks if c["opponent"] == opponent]))
    print(line_of(f"all {len(chunks)} chunks", chunks))
    faults = sum(number(c, key) for c in chunks for key in FAULTS)
    print(f"faults of Vardo over all runs: {int(faults)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
