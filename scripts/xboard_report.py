#!/usr/bin/env python3
"""Reads what one xboard match left in its folder (games.pgn, debug.txt, xboard.out and
vardo/vardo0.72.log) and prints each game's result and ending, the match summary and the
faults of Vardo. Called by xboard_match.sh; exits 1 when Vardo is at fault anywhere."""

import argparse
import math
import re
import sys
from pathlib import Path

ENGINE = "Vardo"
COMMANDS = {
    "new", "force", "go", "time", "otim", "level", "st", "sd", "post", "nopost", "hard",
    "easy", "ping", "computer", "random", "xboard", "protover", "accepted", "rejected",
    "result", "quit", "draw", "setboard", "white", "black", "?", "remove", "undo", "name",
    "rating", "ics", "bk", "edit", "hint", "memory", "cores", "option", "usermove",
}
MOVE = re.compile(r"^(usermove )?([KQRBN]?[a-h]?[1-8]?x?-?[a-h][1-8](=?[QRBNqrbn])?|O-O(-O)?)[+#]?$")
DEBUG_LINE = re.compile(r"^(\d+) ([<>])(first|second)\s*: ?(.*)$")
LOG_LINE = re.compile(r"^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d;(Event|Warning|Error)\s*;.*$")


def is_vardo(name):
    """Whether a player's name in the PGN is Vardo's: the match names it exactly so, and an
    opponent that is another Vardo gets another name (which may begin with it)."""
    return name.strip() == ENGINE


def read(path):
    try:
        return Path(path).read_text(errors="replace")
    except FileNotFoundError:
        return ""


def parse_pgn(text):
    games = []
    for chunk in re.split(r"(?m)^(?=\[Event )", text):
        if not chunk.strip():
            continue
        tags = dict(re.findall(r'(?m)^\[(\w+) "([^"]*)"\]', chunk))
        body = re.sub(r'(?m)^\[.*\]\s*$', "", chunk).strip()
        end = re.search(r"\{([^}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", body)
        result = tags.get("Result", "*")
        ending = end.group(1).strip() if end else ""
        moves = re.sub(r"\{[^}]*\}|\([^)]*\)", " ", body)
        plies = [t for t in moves.split() if not re.match(r"^\d+\.+$", t) and
                 t not in ("1-0", "0-1", "1/2-1/2", "*")]
        games.append({"tags": tags, "result": result, "ending": ending, "plies": len(plies)})
    return games


def classify(game, first_colour=None):
    """Returns (kind, culprit colour or None): how the game ended and who is to blame.
    first_colour is the colour of xboard's first program; without it, Vardo's is taken."""
    result, ending = game["result"], game["ending"].lower()
    loser = {"1-0": "Black", "0-1": "White"}.get(result)
    if result == "*":
        return "no result", None
    if "wins on time" in ending:
        return "time forfeit", loser
    if "false" in ending and "claim" in ending:
        return "false claim", loser
    # polyglot resigns for a UCI engine whose move is illegal: "polyglot: resign (illegal
    # engine move by white: a1a1)".
    if "illegal move" in ending or "invalid move" in ending or "illegal engine move" in ending:
        return "illegal move", loser
    if any(word in ending for word in ("exit", "crash", "error writing", "error reading",
                                       "chess program")):
        # xboard names the engine as its "first" (Vardo) or "second" program.
        first = first_colour or ("White" if is_vardo(game["tags"].get("White", "")) else "Black")
        other = "Black" if first == "White" else "White"
        who = first if "first" in ending else other if "second" in ending else loser
        return "engine exit", who
    return "normal", None


VARDO_START = r'/vardo"\) (wine )?(\S*/)?vardo(\.exe)?(\s.*)?$'
# Vardo started by polyglot, which speaks UCI to it.
VARDO_UCI_START = r'/vardo"\) \S*polyglot .*-ec '


def analyse_debug(text, hang_ms, elapsed_ms, watch="first", start=VARDO_START, label="Vardo",
                  out=None):
    """Splits xboard's debug file into games at each GameEnds and looks, in each, at how long
    the watched program (xboard's "first" or "second") took per move and whether it was silent
    on the move when the game ended. Its starts are the StartChildProcess lines that match the
    pattern start; its protests are printed with label, to out (standard output by default)."""
    segments = []
    current = {"hang": False, "max_think": 0, "silence": 0}
    pending = None
    force = True
    last_heard = 0
    now = 0
    counts = {"new": 0, "level": 0, "result": 0, "quit": 0, "starts": 0, "errors": 0}
    exits = 0
    played = 0
    ending = False
    # Depth of each engine's last thinking line before each of its moves.
    depth = {"first": None, "second": None}
    depths = {"first": [], "second": []}

    def close(end_time):
        nonlocal current, pending
        if pending is not None:
            silence = end_time - max(pending, last_heard)
            current["silence"] = silence
            current["hang"] = silence >= hang_ms
        segments.append(current)
        current = {"hang": False, "max_think": 0, "silence": 0}
        pending = None

    for line in text.splitlines():
        if line.startswith("StartChildProcess") and re.search(start, line):
            counts["starts"] += 1
            continue
        if "exited unexpectedly" in line and watch in line:
            exits += 1
        m = re.match(r"^GameEnds\(\d+, (.*), \d+\)$", line)
        if m:
            # xboard also calls it on a reset ("(null)"), after loading a game (no text) and
            # a second time for the same ending: only the first real ending after play counts.
            if m.group(1) not in ("(null)", "") and played:
                ending = True  # closed at the next stamped line, the time xboard acts on it
                played = 0
            continue
        m = DEBUG_LINE.match(line)
        if not m:
            continue
        now = int(m.group(1))
        if ending:
            close(now)
            ending = False
        direction, who, body = m.group(2), m.group(3), m.group(4).strip()
        body = re.sub(r"^usermove \d+ >(first |second): ", "usermove ", body)  # how xboard logs it
        if body.startswith("move "):
            played += 1
        if direction == "<":
            # Depth, score, time and nodes; polyglot signs its positive scores ("12 +47 ...").
            thinking = re.match(r"^(\d+)\s+[-+]?\d+\s+\d+\s+\d+", body)
            if thinking:
                depth[who] = int(thinking.group(1))
            elif body.startswith("move ") and depth[who] is not None:
                depths[who].append(depth[who])
                depth[who] = None
        if who != watch:
            continue
        if direction == ">":
            word = body.split(" ", 1)[0]
            if word in ("new", "level", "result", "quit"):
                counts[word] += 1
            if word in ("force", "result", "quit"):
                force, pending = True, None
            elif word == "new":
                force, pending = False, None
            elif word == "go":
                force, pending = False, now
            elif word not in COMMANDS - {"usermove"} and MOVE.match(body) and not force:
                pending = now
        else:
            last_heard = now
            if body.startswith("Error") or body.startswith("Illegal move"):
                counts["errors"] += 1
                print(f"{label} protested at {now / 1000:.1f} s: {body}", file=out or sys.stdout)
            if body.startswith("move ") and pending is not None:
                current["max_think"] = max(current["max_think"], now - pending)
                pending = None
            elif body == "accept draw" or body == "offer draw" or "resigns" in body:
                pending = None
    close(max(now, elapsed_ms) if not ending else now)
    return segments, counts, exits, depths


def check_log(text, counts):
    lines = [line for line in text.splitlines() if line.strip()]
    malformed = sum(1 for line in lines if not LOG_LINE.match(line))

    found = {
        "starts": sum(1 for line in lines if line.endswith(";New session")),
        "quit": sum(1 for line in lines if line.endswith(";Closed session")),
        "new": sum(1 for line in lines if line.endswith(";(Main) New game")),
        "level": sum(1 for line in lines if ";(Main) New time control;" in line),
        "result": sum(1 for line in lines if ";(Main) Result;" in line),
    }
    lost = malformed + sum(max(0, counts[key] - found[key]) for key in found)
    return found, malformed, lost


def depth_figures(depths):
    """(mean, median, mean of those below 100) of a list of search depths; zeros when empty."""
    if not depths:
        return 0, 0, 0
    ordered = sorted(depths)
    middle = len(ordered) // 2
    median = ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2
    below = [d for d in ordered if d < 100]
    return sum(ordered) / len(ordered), median, sum(below) / len(below) if below else 0


def elo(p):
    return -400.0 * math.log10(1.0 / p - 1.0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--games", type=int, required=True)
    parser.add_argument("--hang", type=float, default=30)
    parser.add_argument("--timed-out", type=int, default=0)
    parser.add_argument("--elapsed", type=float, default=0)
    parser.add_argument("--uci", action="store_true",
                        help="Vardo spoke UCI through polyglot, xboard's first engine")
    args = parser.parse_args()
    work = Path(args.work)

    games = parse_pgn(read(work / "games.pgn"))
    segments, counts, exits_in_debug, depths = analyse_debug(
        read(work / "debug.txt"), args.hang * 1000, args.elapsed * 1000,
        start=VARDO_UCI_START if args.uci else VARDO_START)
    if args.uci:
        # Through polyglot, xboard's "level" and "result" reach Vardo as no UCI line of their
        # own, so its log has nothing to show for them.
        counts["level"] = counts["result"] = 0
    # Games without a record (the run was cut short) count as games without a result.
    while len(games) < args.games:
        games.append({"tags": {}, "result": "*", "ending": "not played to the end", "plies": 0,
                      "missing": True})

    faults = {"illegal move": 0, "false claim": 0, "time forfeit": 0, "engine exit": 0,
              "hang": 0, "no result": 0}
    opponent_faults = dict(faults)
    wins = losses = draws = 0
    max_think = 0
    for index, game in enumerate(games):
        tags = game["tags"]
        white = tags.get("White", ENGINE if index % 2 == 0 else "")
        colour = "White" if is_vardo(white) else "Black"
        opponent = tags.get("Black" if colour == "White" else "White", "the opponent")
        kind, culprit = classify(game)
        segment = segments[index] if index < len(segments) else None
        notes = []
        if segment:
            max_think = max(max_think, segment["max_think"])
            if segment["max_think"]:
                notes.append(f"longest move {segment['max_think'] / 1000:.1f} s")
            if segment["hang"] and (kind in ("time forfeit", "no result")):
                faults["hang"] += 1
                notes.append(f"HANG: Vardo silent on the move for {segment['silence'] / 1000:.0f} s")
        if kind == "no result":
            faults["no result"] += 1
        elif kind != "normal":
            (faults if culprit == colour else opponent_faults)[kind] += 1
            notes.append(f"{kind} by {'Vardo' if culprit == colour else opponent}")
        score = {"1-0": 1.0, "0-1": 0.0}.get(game["result"], 0.5)
        if colour == "Black" and game["result"] in ("1-0", "0-1"):
            score = 1.0 - score
        if game["result"] == "*":
            pass
        elif score == 1.0:
            wins += 1
        elif score == 0.0:
            losses += 1
        else:
            draws += 1
        print(f"game {index + 1}: Vardo {colour} vs {opponent}: {game['result']} "
              f"{{{game['ending']}}} {game['plies']} plies" +
              (f" ({'; '.join(notes)})" if notes else ""))

    faults["engine exit"] = max(faults["engine exit"], exits_in_debug)
    found, malformed, lost = check_log(read(work / "vardo" / "vardo0.72.log"), counts)
    if found["starts"] > found["quit"] and counts["quit"] >= counts["starts"]:
        # A session that was told to quit but never closed: the engine died on the way out.
        faults["engine exit"] = max(faults["engine exit"], found["starts"] - found["quit"])

    played = wins + losses + draws
    print(f"Vardo: +{wins} -{losses} ={draws} in {played} games", end="")
    if played:
        p = (wins + draws / 2) / played
        print(f", score {wins + draws / 2:g}/{played} ({100 * p:.1f}%)", end="")
        var = (wins * (1 - p) ** 2 + draws * (0.5 - p) ** 2 + losses * p ** 2) / played
        se = math.sqrt(var / played)
        if 0 < p < 1:
            lo, hi = max(p - 1.96 * se, 1e-6), min(p + 1.96 * se, 1 - 1e-6)
            print(f", Elo {elo(p) + 0.0:+.0f} +/- {(elo(hi) - elo(lo)) / 2:.0f} (95%)")
        else:
            print(f", Elo {'+inf (no loss yet)' if p >= 1 else '-inf (no win yet)'}")
    else:
        print()
    print("Vardo faults: " + ", ".join(f"{k}s {v}" if k != "no result" else f"games without a result {v}"
                                       for k, v in faults.items()))
    print("opponent faults: " + ", ".join(f"{k}s {v}" for k, v in opponent_faults.items()
                                          if k != "no result"))
    print(f"Vardo log: {counts['starts']} starts, {found['starts']} 'New session', "
          f"{counts['quit']} quits sent, {found['quit']} 'Closed session'; "
          f"new {counts['new']}/{found['new']}, level {counts['level']}/{found['level']}, "
          f"result {counts['result']}/{found['result']} (sent/logged); malformed {malformed}; "
          f"lines lost {lost}")
    if max_think:
        print(f"longest move of Vardo: {max_think / 1000:.2f} s")
    # The mean is pulled up by positions that run to the iteration limit almost at once (bare
    # kings, forced lines: Vardo stops at 128), so the median and the mean of the moves that
    # stopped below depth 100 are given beside it.
    mean_depth, median_depth, limited_depth = {}, {}, {}
    for who in ("first", "second"):
        if depths[who]:
            mean_depth[who], median_depth[who], limited_depth[who] = depth_figures(depths[who])
    if mean_depth:
        print("depth per searched move: " + ", ".join(
            f"{'Vardo' if who == 'first' else 'opponent'} mean {d:.2f}, median "
            f"{median_depth[who]:g}, mean below 100 {limited_depth[who]:.2f} "
            f"({len(depths[who])} moves)"
            for who, d in mean_depth.items()))
    # Samples of Vardo's resident memory: (games finished by then, kB).
    rss = [tuple(map(int, line.split())) for line in read(work / "rss.txt").splitlines()
           if re.match(r"^\d+ \d+$", line)]
    # The figure to compare the end with: the most seen during the first game (the first
    # sample when none was taken then). Searches grow the per-ply move lists to the deepest
    # ply they reach, so the very first sample can come before the engine has its working size.
    first_game = [kb for done, kb in rss if done == 0] or [kb for _, kb in rss[:1]]
    rss_first_game = max(first_game) if first_game else 0
    if rss:
        print(f"Vardo's resident memory: {rss[0][1]} kB at the first sample, "
              f"{rss_first_game} kB at most in the first game, {rss[-1][1]} kB at the last, "
              f"{max(kb for _, kb in rss)} kB at most ({len(rss)} samples)")
    print(f"Vardo's replies \"Error ...\" or \"Illegal move\" to xboard: {counts['errors']}")
    failed = [k for k, v in faults.items() if v] + (["protests"] if counts["errors"] else []) + (["log lines lost"] if lost else []) + \
        (["run cut by its time bound"] if args.timed_out else [])
    if counts["starts"] == 0:
        failed.append("Vardo never started")
    print("RESULT: " + ("PASS" if not failed else "FAIL (" + ", ".join(failed) + ")"))
    fields = dict(games=len(games), wins=wins, losses=losses, draws=draws,
                  illegal=faults["illegal move"], false_claims=faults["false claim"],
                  time_forfeits=faults["time forfeit"], exits=faults["engine exit"],
                  hangs=faults["hang"], no_result=faults["no result"], log_lost=lost,
                  protests=counts["errors"],
                  max_think_ms=max_think, opp_time_forfeits=opponent_faults["time forfeit"],
                  depth=f"{mean_depth.get('first', 0):.2f}",
                  opp_depth=f"{mean_depth.get('second', 0):.2f}",
                  depth_median=f"{median_depth.get('first', 0):g}",
                  opp_depth_median=f"{median_depth.get('second', 0):g}",
                  depth_below_100=f"{limited_depth.get('first', 0):.2f}",
                  opp_depth_below_100=f"{limited_depth.get('second', 0):.2f}",
                  rss_first_kb=rss[0][1] if rss else 0, rss_last_kb=rss[-1][1] if rss else 0,
                  rss_first_game_kb=rss_first_game,
                  rss_max_kb=max(kb for _, kb in rss) if rss else 0,
                  opp_illegal=opponent_faults["illegal move"])
    print("SUMMARY " + " ".join(f"{k}={v}" for k, v in fields.items()))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
