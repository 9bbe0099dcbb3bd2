#!/usr/bin/env python3
"""Measures the strength of one engine against another: plays pairs of games between two
engine command lines (xboard engines, or UCI engines through polyglot), each pair from one
opening with the colours swapped, every game in a headless xboard of its own, and judges the
match with an Elo estimate from the pairs and a sequential probability ratio test (SPRT).

    scripts/strength.py --engine-a "build/vardo --strong" --engine-b build/vardo \\
        --pairs 200 --tc 40/0:10 --elo0 0 --elo1 5
    scripts/strength.py --engine-a "build/vardo --strong" --engine-b /usr/games/toga2 --uci-b \\
        --games 20 --tc 40/0:20

Each game gets a folder (pair-NNNN-G in --out) with the PGN, xboard's debug file and one
working folder per engine, so that the engines' logs never mix; an engine whose command line
names Vardo gets Vardo's book copied into its folder, and HoiChess plays without its book. The
engines are started afresh for every game, and a game that does not end within its time bound
is stopped and its silent engine found out. Faults are read as scripts/xboard_match.sh reads
them (scripts/xboard_report.py): illegal moves, false claims, time forfeits, engines that exit,
hangs, "Error" replies and lost lines in Vardo's log.

An engine marked UCI (--uci-a, --uci-b) plays through polyglot, with one thread, no book of its
own (a Vardo keeps its book) and the hash every engine gets (32 MB); an illegal move for which
polyglot resigns counts as one, and an engine that exits, which polyglot's log shows but xboard
may not see, counts as an exit rather than the time forfeit that follows.

The SPRT uses the pentanomial model: the frequencies of the five pair scores (0, 1/2, 1, 3/2,
2 for engine A) are the observations, and the log-likelihood ratio of elo1 against elo0 is
that of the distributions of most likelihood whose mean pair score is the one each Elo gives
(the generalised SPRT, as fishtest and OpenBench run it). The bounds are logistic Elo: an Elo
difference e means an expected score of 1 / (1 + 10^(-e/400)). The test stops the match once
the ratio leaves [ln(beta/(1-alpha)), ln((1-beta)/alpha)], checked after each finished pair.

Exit status: 0 when no engine that must not fault (by default, those whose command line names
Vardo) did, and every game that ended without a result could be laid on an engine; 1
otherwise; 2 on a usage or set-up error. The last line, "SUMMARY key=value ...", is for other
scripts to read.
"""

import argparse
import math
import os
import queue
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xboard_report as report  # noqa: E402

REPO = Path(__file__).resolve().parent.parent
XBOARD = shutil.which("xboard") or "/usr/games/xboard"
POLYGLOT = shutil.which("polyglot") or "/usr/games/polyglot"
# The UCI options a UCI engine plays with, given to polyglot, which sends an engine only the
# options it declares and only where they differ from its defaults: one thread, and no book of
# its own (Glaurung, Toga II and GNU Chess have one on by default), so that the openings decide
# the games. A Vardo keeps its book, as under xboard. Its hash is the "memory" xboard sends to
# every engine that takes it: HASH_MB, Vardo's own default.
UCI_THREADS = ("Threads=1", "Number of Threads=1", "Cores=1")
UCI_NO_BOOK = ("OwnBook=false",)
HASH_MB = 32
PAIR_NAMES = ("LL", "LD", "DD/WL", "WD", "WW")
# Each fault: its key (xboard_report.classify's words where it has them), how the report
# names its count, and its field in the SUMMARY line.
FAULT_NAMES = {
    "illegal move": ("illegal moves", "illegal"), "false claim": ("false claims", "false_claims"),
    "time forfeit": ("time forfeits", "time_forfeits"), "engine exit": ("exits", "exits"),
    "hang": ("hangs", "hangs"), "protest": ("protests", "protests"),
    "log line lost": ("log lines lost", "log_lost"), "no start": ("failed starts", "no_start"),
}
FAULTS = tuple(FAULT_NAMES)


def die(message):
    """Stops on a usage or set-up error, with status 2."""
    print(f"strength: {message}", file=sys.stderr)
    sys.exit(2)


# ---- Statistics -------------------------------------------------------------------------

def elo_to_score(elo):
    """Expected score of a side that is elo logistic Elo stronger."""
    return 1.0 / (1.0 + 10.0 ** (-elo / 400.0))


def pair_mean_variance(penta):
    """Mean and variance of a game's score, counted pair by pair (a pair's score is the mean
    of its two games: 0, 1/4, 1/2, 3/4 or 1)."""
    pairs = sum(penta)
    mean = sum(i / 4 * n for i, n in enumerate(penta)) / pairs
    variance = sum(n * (i / 4 - mean) ** 2 for i, n in enumerate(penta)) / pairs
    return mean, variance


def pentanomial_elo(penta):
    """(Elo, half width of its 95% interval) from the pair counts [LL, LD, DD/WL, WD, WW];
    None where a figure is unbounded (every pair lost or every pair won) or, for the
    interval, unknown (one pair has no spread)."""
    if sum(penta) == 0:
        return None, None
    mean, variance = pair_mean_variance(penta)
    if not 0 < mean < 1:
        return None, None
    if sum(penta) < 2:
        return report.elo(mean), None
    error = math.sqrt(variance / sum(penta))
    low, high = max(mean - 1.96 * error, 1e-6), min(mean + 1.96 * error, 1 - 1e-6)
    return report.elo(mean), (report.elo(high) - report.elo(low)) / 2


def most_likely(pdf, target):
    """The distribution over the pair scores i/4 closest (in likelihood) to the observed pdf
    among those whose mean is target: p_i = pdf_i / (1 + x (a_i - target)), with x the root
    of sum pdf_i (a_i - target) / (1 + x (a_i - target)) = 0, found by bisection (the sum
    falls as x grows, on the x where every denominator is positive)."""
    scores = [i / 4 for i in range(5)]
    low = -1 / (max(scores) - target) + 1e-12
    high = 1 / (target - min(scores)) - 1e-12
    for _ in range(200):
        x = (low + high) / 2
        if sum(p * (a - target) / (1 + x * (a - target)) for p, a in zip(pdf, scores)) > 0:
            low = x
        else:
            high = x
    x = (low + high) / 2
    return [p / (1 + x * (a - target)) for p, a in zip(pdf, scores)]


def llr(penta, elo0, elo1):
    """Log-likelihood ratio of elo1 against elo0 (logistic Elo) for the pair counts. A count
    of zero is taken as 1/1000 of a pair, as fishtest does, so that the ratio is defined
    while some outcomes have not happened yet."""
    counts = [n if n else 1e-3 for n in penta]
    pairs = sum(counts)
    pdf = [n / pairs for n in counts]
    p0 = most_likely(pdf, elo_to_score(elo0))
    p1 = most_likely(pdf, elo_to_score(elo1))
    return pairs * sum(p * math.log(b / a) for p, a, b in zip(pdf, p0, p1))


def sprt_bounds(alpha, beta):
    return math.log(beta / (1 - alpha)), math.log((1 - beta) / alpha)


# ---- Openings and time controls ---------------------------------------------------------

def read_openings(path):
    """FENs from an EPD or FEN file: the four fields of a position, then either the two clocks
    or EPD operations (hmvc and fmvn give the clocks, which are otherwise 0 and 1)."""
    fens = []
    for line in Path(path).read_text().splitlines():
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        fields = line.split()
        if len(fields) < 4 or fields[0].count("/") != 7 or fields[1] not in ("w", "b"):
            die(f"not a position in {path}: {line}")
        if len(fields) >= 6 and fields[4].isdigit() and fields[5].isdigit():
            clocks = fields[4:6]
        else:
            ops = dict(re.findall(r"(\w+)\s+([^;]*);", " ".join(fields[4:])))
            clocks = [ops.get("hmvc", "0").strip(), ops.get("fmvn", "1").strip()]
        fens.append(" ".join(fields[:4] + clocks))
    return fens


def seconds(text):
    """MINUTES[:SS] in seconds."""
    m = re.fullmatch(r"(\d+)(?::(\d+))?", text)
    if not m:
        die(f"bad time {text} (MINUTES[:SS])")
    return int(m.group(1)) * 60 + int(m.group(2) or 0)


def time_control(tc, inc):
    """xboard's options for the control, and a bound on one game's length in seconds."""
    if "/" in tc:
        moves, base = tc.split("/", 1)
        if not moves.isdigit() or int(moves) == 0:
            die(f"bad --tc {tc}")
        if inc:
            die("--inc goes with --tc MINUTES[:SS], not MOVES/MINUTES")
        periods = -(-150 // int(moves))  # a game of 150 moves each
        # -inc -1 is xboard's MOVES/TIME mode.
        return ["-mps", moves, "-tc", base, "-inc", "-1"], 2 * seconds(base) * periods + 120
    # Without -inc, xboard would make it 40 moves per period rather than the whole game.
    return ["-tc", tc, "-inc", f"{inc:g}"], 2 * seconds(tc) + 300 * inc + 120


# ---- Engines and games ------------------------------------------------------------------

class Engine:
    def __init__(self, label, command, name, book, fatal, uci=False, options=()):
        self.label = label
        self.uci = uci
        self.options = tuple(options)
        words = shlex.split(command)
        if not words:
            die(f"empty command for engine {label}")
        self.vardo = "vardo" in command.lower()
        program = words[0]
        if os.sep in program:
            if not os.access(program, os.X_OK):
                die(f"engine {label}: no program at {program}")
            program = os.path.abspath(program)
        elif not shutil.which(program):
            die(f"engine {label}: no {program} on PATH")
        self.program = program
        self.args = words[1:]
        self.command = command
        self.name = name or " ".join([os.path.basename(program)] + self.args)
        self.book = None
        if self.vardo:
            found = shutil.which(program)
            beside = Path(found).resolve().parent / "vardo.bk" if found else None
            self.book = Path(book) if book else beside if beside and beside.is_file() \
                else REPO / "vardo.bk"
            if not self.book.is_file():
                die(f"engine {label}: no book at {self.book}")
        self.fatal = fatal(self)
        self.faults = dict.fromkeys(FAULTS, 0)
        self.depths = []

    def snapshot(self, folder):
        """Copies a Vardo binary given by its path into folder, so that a rebuild during the
        match does not change the engine between games."""
        if self.vardo and os.sep in self.program:
            folder.mkdir(parents=True, exist_ok=True)
            copy = folder / os.path.basename(self.program)
            shutil.copy2(self.program, copy)
            self.program = str(copy)

    def command_line(self, folder):
        """xboard's command line for the engine, which xboard starts in folder. xboard splits
        it at blanks, taking a word that begins with a quote to the next such quote."""
        line = shlex.join([self.program] + self.args)
        if self.uci:
            # polyglot starts the engine in its own folder; its log, beside the engine's,
            # shows the UCI side of every exchange. Before the move it would repeat the last
            # line of thinking with the depth of the iteration under way (engines of Fruit's
            # line announce each depth as they begin it), one more than the engine finished.
            if '"' in line:
                die(f"engine {self.label}: a UCI command line cannot hold a double quote")
            options = UCI_THREADS + (() if self.vardo else UCI_NO_BOOK) + self.options
            return " ".join([shlex.join([POLYGLOT, "-noini", "-log", "true",
                                         "-lf", str(Path(folder) / "polyglot.log"),
                                         "-pg", "RepeatPV=false"]),
                             f'-ec "{line}"'] + [f'-uci "{option}"' for option in options])
        program = os.path.basename(self.program)
        # Fairy-Max crashes on xboard's "computer" line: it gets its input without it.
        if program == "fairymax":
            line = shlex.join([str(REPO / "scripts" / "drop_computer_line.sh")]) + " " + line
        # HoiChess opens its book in the settings it starts with (its package's hoichess.rc),
        # and finds book moves in some of the openings: it closes the book again.
        if program == "hoichess":
            line += " " + shlex.join(["--source",
                                      str(REPO / "scripts" / "hoichess_no_book.rc")])
        return line


class Game:
    def __init__(self, pair, second, fen, white, black):
        self.pair, self.second, self.fen = pair, second, fen
        self.white, self.black = white, black
        self.name = f"pair-{pair:04d}-{2 if second else 1}"
        self.process = None
        self.cancelled = False
        self.score = None  # engine A's, 1, 1/2 or 0; None without a result
        self.line = ""


class Match:
    def __init__(self, args, a, b):
        self.args, self.a, self.b = args, a, b
        self.out = Path(args.out)
        self.tc_args, self.bound = time_control(args.tc, args.inc)
        if args.game_timeout:
            self.bound = args.game_timeout
        self.lock = threading.Lock()
        self.stop = threading.Event()
        self.running = set()
        self.display = None
        self.xvfb = None
        self.unlaid = 0  # games without a result that no engine could be blamed for

    # A single virtual X server serves every xboard of the match; -displayfd lets it pick a
    # free display number, so matches run side by side do not race for one.
    def start_display(self):
        if not shutil.which("Xvfb"):
            die("Xvfb is not installed (apt-get install xvfb)")
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number.isdigit():
            die("Xvfb did not start")
        self.display = ":" + number

    def stop_display(self):
        if self.xvfb and self.xvfb.poll() is None:
            self.xvfb.terminate()
            self.xvfb.wait()

    def play(self, game):
        """Runs one game in its own xboard and reads what it left."""
        folder = self.out / game.name
        if folder.exists():
            shutil.rmtree(folder)
        for sub in ("home", "white", "black"):
            (folder / sub).mkdir(parents=True)
        for engine, sub in ((game.white, "white"), (game.black, "black")):
            if engine.book:
                shutil.copy(engine.book, folder / sub / "vardo.bk")
        (folder / "opening.fen").write_text(game.fen + "\n")
        env = dict(os.environ, HOME=str(folder / "home"), DISPLAY=self.display)
        # Every setting the game relies on is given, even xboard's defaults, as
        # xboard_match.sh does: a saved xboard settings file must not change the games.
        command = [
            XBOARD, "-noGUI", "-xexit", "-saveSettingsOnExit", "false", "-soundProgram", "",
            "-fcp", game.white.command_line(folder / "white"), "-fd", str(folder / "white"),
            "-fn", game.white.name,
            "-scp", game.black.command_line(folder / "black"), "-sd", str(folder / "black"),
            "-sn", game.black.name,
            "-matchGames", "1", *self.tc_args,
            "-loadPositionFile", str(folder / "opening.fen"), "-loadPositionIndex", "1",
            "-variant", "normal", "-xponder", "-smpCores", "1",
            # The "memory" an engine that takes it gets (every UCI engine, through polyglot),
            # and no endgame tables (Debian's Ethereal dies when given a path to them).
            "-defaultHashSize", str(HASH_MB), "-defaultCacheSizeEGTB", "0", "-egtFormats", "",
            "-usePolyglotBook", "false", "-discourageOwnBooks", "false",
            "-reuseFirst", "true", "-reuseSecond", "true",
            "-featureDefaults", "", "-firstTimeOdds", "1", "-secondTimeOdds", "1",
            "-testLegality", "true", "-autoCallFlag", "true", "-checkMates", "true",
            "-testClaims", "true", "-materialDraws", "true", "-trivialDraws", "false",
            "-ruleMoves", "51", "-repeatsToDraw", "6",
            "-adjudicateLossThreshold", "0", "-adjudicateDrawMoves", "0",
            "-saveGameFile", str(folder / "game.pgn"),
            "-debug", "-nameOfDebugFile", str(folder / "debug.txt")]
        start = time.monotonic()
        with open(folder / "xboard.out", "w") as log:
            # xboard is the leader of a process group with both engines, so that whatever is
            # left of the game can be ended at once.
            process = subprocess.Popen(command, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        with self.lock:
            game.process = process
            self.running.add(game)
        timed_out = False
        saved_at = None
        pgn = folder / "game.pgn"
        while process.poll() is None:
            time.sleep(0.5)
            if self.stop.is_set():
                game.cancelled = True
                break
            if saved_at is None and pgn.exists() and "[Result " in pgn.read_text(errors="replace"):
                saved_at = time.monotonic()
            # xboard gets a while to exit after saving the game; an engine that does not quit
            # is no fault of the game.
            if saved_at is not None and time.monotonic() - saved_at > 20:
                break
            if time.monotonic() - start > self.bound:
                timed_out = True
                break
        elapsed = time.monotonic() - start
        # A game the match ended (the SPRT decided, or an interrupt) is left out, whether
        # this loop or the ending of xboard saw it first.
        if self.stop.is_set():
            game.cancelled = True
        stopped = process.poll() is None
        ended_at = time.time()
        end_group(process)
        with self.lock:
            self.running.discard(game)
        if not game.cancelled:
            self.judge(game, folder, elapsed, timed_out, stopped, ended_at)
        return game

    def judge(self, game, folder, elapsed, timed_out, stopped, ended_at):
        games = report.parse_pgn(report.read(folder / "game.pgn"))
        debug = report.read(folder / "debug.txt")
        record = games[0] if games else unsaved_game(debug)
        kind, culprit = report.classify(record, first_colour="White")
        notes = []
        sides = []
        for engine, watch, colour in ((game.white, "first", "White"),
                                      (game.black, "second", "Black")):
            sub = folder / ("white" if watch == "first" else "black")
            with open(folder / "protests.txt", "a") as protests:
                segments, counts, exits, depths = report.analyse_debug(
                    debug, self.args.hang * 1000, elapsed * 1000, watch=watch,
                    start=re.escape(f'(dir="{sub}")'), label=engine.name, out=protests)
            faults = dict.fromkeys(FAULTS, 0)
            if kind not in ("normal", "no result") and culprit == colour:
                faults[kind] = 1
            if exits:
                faults["engine exit"] = 1
            if engine.uci and polyglot_exit(report.read(sub / "polyglot.log"), ended_at):
                # xboard does not see polyglot go when its engine has gone: it plays on
                # until the flag falls, or waits for an answer until the rig ends the game.
                faults["engine exit"] = 1
                faults["time forfeit"] = 0
            segment = segments[0] if segments else None
            if segment and segment["hang"] and kind in ("time forfeit", "no result"):
                faults["hang"] = 1
                notes.append(f"HANG: {engine.name} silent on the move for "
                             f"{segment['silence'] / 1000:.0f} s")
            faults["protest"] = counts["errors"]
            if engine.vardo:
                if engine.uci:
                    # Through polyglot, xboard's "level" and "result" reach Vardo as no UCI
                    # line of their own, so its log has nothing to show for them.
                    counts["level"] = counts["result"] = 0
                found, _, lost = report.check_log(report.read(sub / "vardo0.72.log"), counts)
                faults["log line lost"] = lost
                # Told to quit, and died on the way out; unless the rig ended it.
                if found["starts"] > found["quit"] and counts["quit"] >= counts["starts"] \
                        and not stopped:
                    faults["engine exit"] = 1
            sides.append((engine, watch, faults, counts, depths))
        for (engine, watch, faults, counts, depths), other in zip(sides, reversed(sides)):
            # An engine that xboard never started because the other one failed first is
            # not at fault.
            if counts["starts"] == 0 and not other[2]["engine exit"]:
                faults["no start"] = 1
            with self.lock:
                for key, value in faults.items():
                    engine.faults[key] += value
                engine.depths += depths[watch]
            notes += [f"{k} by {engine.name}" + (f" x{v}" if v > 1 else "")
                      for k, v in faults.items() if v and k != "hang"]
        blamed = any(faults[k] for _, _, faults, _, _ in sides
                     for k in ("engine exit", "hang", "no start"))
        if record["result"] == "*":
            if not blamed:
                with self.lock:
                    self.unlaid += 1
                notes.append("no result, laid on neither engine")
        else:
            white_score = {"1-0": 1.0, "0-1": 0.0}.get(record["result"], 0.5)
            game.score = white_score if game.white is self.a else 1 - white_score
        if timed_out:
            notes.append(f"stopped after {self.bound:g} s")
        game.line = (f"{game.name}: {game.white.name} - {game.black.name} {record['result']} "
                     f"{{{record['ending']}}} {record['plies']} plies" +
                     (f" ({'; '.join(notes)})" if notes else ""))

    def cancel_all(self):
        self.stop.set()
        with self.lock:
            running = list(self.running)
        for game in running:
            end_group(game.process)


def unsaved_game(debug):
    """The game as xboard's debug file tells its end, for a game that xboard did not save (it
    saves none without a move: an engine that fails at the start)."""
    for code, ending in re.findall(r"(?m)^GameEnds\((\d+), (.+), \d+\)$", debug):
        if ending != "(null)":
            # xboard's codes: 26 White wins, 27 Black wins, 28 drawn.
            result = {"26": "1-0", "27": "0-1", "28": "1/2-1/2"}.get(code, "*")
            return {"tags": {}, "result": result, "ending": ending, "plies": 0}
    return {"tags": {}, "result": "*", "ending": "not played to the end", "plies": 0}


def polyglot_exit(log, before):
    """Whether polyglot's log shows its engine ending (its output closed) before xboard told
    it to quit and before the time before (seconds since the epoch), when the rig began to
    end the game."""
    for stamp, text in re.findall(r"(?m)^(\d+(?:\.\d+)?) (.*)$", log):
        if text == "GUI->Adapter: quit":
            return False
        if text == "Engine->Adapter: EOF":
            return float(stamp) < before
    return False


def end_group(process):
    """Ends xboard and whatever it started (its process group). xboard alone is asked first:
    it then tells the engines to quit, so that they close their logs."""
    try:
        process.terminate()
        process.wait(timeout=5)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        pass
    time.sleep(0.5)  # the engines' own way out
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            break
        try:
            process.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
    if process.poll() is None:
        process.wait()
    # Engines that left the group's leader behind.
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


# ---- The match --------------------------------------------------------------------------

def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Plays paired games between two engines (xboard, or UCI through "
        "polyglot) and judges them.",
        formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__.split("\n\n", 2)[1])
    parser.add_argument("--engine-a", required=True, help="the command line of engine A")
    parser.add_argument("--engine-b", required=True, help="the command line of engine B")
    parser.add_argument("--uci-a", action="store_true", help="engine A speaks UCI: the rig "
                        "plays it through polyglot (apt-get install polyglot)")
    parser.add_argument("--uci-b", action="store_true", help="engine B speaks UCI")
    parser.add_argument("--option-a", action="append", default=[], metavar="NAME=VALUE",
                        help="a UCI option for A, through polyglot, which passes the value as it "
                        "stands (a check as true or false: Stockfish drops 1); repeatable")
    parser.add_argument("--option-b", action="append", default=[], metavar="NAME=VALUE",
                        help="a UCI option for B")
    parser.add_argument("--name-a", help="A's name in the games (its program and arguments)")
    parser.add_argument("--name-b", help="B's name in the games")
    parser.add_argument("--book-a", help="the book for A when it is Vardo (vardo.bk beside "
                        "the binary, else the repository's)")
    parser.add_argument("--book-b", help="the book for B when it is Vardo")
    count = parser.add_mutually_exclusive_group()
    count.add_argument("--pairs", type=int, help="pairs of games to play at most (4)")
    count.add_argument("--games", type=int, help="games to play at most (an even number)")
    parser.add_argument("--tc", default="40/0:04", help="MOVES/MINUTES[:SS] or MINUTES[:SS] "
                        "for the game (40/0:04)")
    parser.add_argument("--inc", type=float, default=0, help="seconds added per move, with "
                        "--tc MINUTES[:SS]")
    parser.add_argument("--openings", default=str(REPO / "tests" / "data" / "openings.epd"),
                        help="EPD or FEN file of openings (tests/data/openings.epd)")
    parser.add_argument("--seed", type=int, help="shuffle the openings with this seed "
                        "(default: in the file's order)")
    parser.add_argument("--concurrency", type=int, default=os.cpu_count() or 1,
                        help="games at once (the number of cores)")
    parser.add_argument("--out", help="keep every game's files in this folder (default: a "
                        "temporary folder, removed unless the run fails)")
    parser.add_argument("--elo0", type=float, default=0, help="H0's logistic Elo (0)")
    parser.add_argument("--elo1", type=float, default=5, help="H1's logistic Elo (5)")
    parser.add_argument("--alpha", type=float, default=0.05)
    parser.add_argument("--beta", type=float, default=0.05)
    parser.add_argument("--no-stop", action="store_true",
                        help="play every pair even after the SPRT has decided")
    parser.add_argument("--hang", type=float, default=30,
                        help="silence on the move that is a hang, in seconds (30)")
    parser.add_argument("--game-timeout", type=float,
                        help="bound on one game in seconds (default: from the time control)")
    parser.add_argument("--fatal", choices=("vardo", "all", "none"), default="vardo",
                        help="whose faults fail the run: engines whose command line names "
                        "Vardo (the default), every engine, or none")
    args = parser.parse_args(argv)
    pairs = args.pairs if args.pairs is not None else (args.games + 1) // 2 if args.games else 4
    if pairs < 1 or args.concurrency < 1:
        parser.error("--pairs, --games and --concurrency need positive numbers")
    if args.games and args.games % 2:
        parser.error("--games needs an even number: games are played in pairs")
    args.pairs = pairs
    if not 0 < args.alpha < 1 or not 0 < args.beta < 1 or args.elo0 >= args.elo1:
        parser.error("need 0 < alpha, beta < 1 and elo0 < elo1")
    return args


def interrupt(*_):
    raise KeyboardInterrupt


def fault_text(engine):
    return ", ".join(f"{FAULT_NAMES[k][0]} {v}" for k, v in engine.faults.items())


def main(argv=None):
    args = parse_args(argv)
    if not os.access(XBOARD, os.X_OK):
        die("xboard is not installed (apt-get install xboard)")
    fatal = {"vardo": lambda e: e.vardo, "all": lambda e: True, "none": lambda e: False}[args.fatal]
    if (args.uci_a or args.uci_b) and not os.access(POLYGLOT, os.X_OK):
        die("polyglot is not installed (apt-get install polyglot)")
    for label, uci, options in (("A", args.uci_a, args.option_a), ("B", args.uci_b, args.option_b)):
        if options and not uci:
            die(f"--option-{label.lower()} is for a UCI engine (--uci-{label.lower()})")
        for option in options:
            if "=" not in option or '"' in option:
                die(f"--option-{label.lower()} {option}: NAME=VALUE without double quotes")
    a = Engine("A", args.engine_a, args.name_a, args.book_a, fatal, args.uci_a, args.option_a)
    b = Engine("B", args.engine_b, args.name_b, args.book_b, fatal, args.uci_b, args.option_b)
    if a.name == b.name:
        a.name, b.name = a.name + " (A)", b.name + " (B)"
    openings = read_openings(args.openings)
    if not openings:
        die(f"no positions in {args.openings}")
    if args.seed is not None:
        random.Random(args.seed).shuffle(openings)
    keep = args.out is not None
    args.out = args.out or tempfile.mkdtemp(prefix="vardo-strength.")
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    args.out = str(out)
    a.snapshot(out / "engines" / "a")
    b.snapshot(out / "engines" / "b")

    match = Match(args, a, b)
    lower, upper = sprt_bounds(args.alpha, args.beta)
    print(f"A: {a.name} ({a.command}{', UCI' if a.uci else ''}); "
          f"B: {b.name} ({b.command}{', UCI' if b.uci else ''})")
    print(f"{args.pairs} pairs at most, tc {args.tc}" + (f" inc {args.inc:g}" if args.inc else "")
          + f", {args.concurrency} at once, openings {args.openings}"
          + (f" shuffled with seed {args.seed}" if args.seed is not None else "")
          + f", files in {out}", flush=True)

    # Games in order, both games of a pair one after the other; A has White in the first.
    todo = queue.Queue()
    for pair in range(1, args.pairs + 1):
        fen = openings[(pair - 1) % len(openings)]
        todo.put(Game(pair, False, fen, a, b))
        todo.put(Game(pair, True, fen, b, a))
    done = queue.Queue()

    def worker():
        while not match.stop.is_set():
            try:
                game = todo.get_nowait()
            except queue.Empty:
                return
            try:
                done.put(match.play(game))
            except Exception as error:  # a broken game must not leave the match waiting
                game.line = f"{game.name}: the rig failed: {error!r}"
                with match.lock:
                    match.unlaid += 1
                done.put(game)

    # A TERM ends the games as an interrupt does.
    signal.signal(signal.SIGTERM, interrupt)
    match.start_display()
    threads = [threading.Thread(target=worker, daemon=True) for _ in range(args.concurrency)]
    finished = {}
    penta = [0] * 5
    verdict = "continue"
    interrupted = False
    try:
        for thread in threads:
            thread.start()
        expected = 2 * args.pairs
        while len(finished) < expected:
            game = done.get()
            if game.cancelled:
                expected -= 1
                continue
            finished[(game.pair, game.second)] = game
            print(game.line, flush=True)
            other = finished.get((game.pair, not game.second))
            if other is None or game.score is None or other.score is None:
                continue
            penta[int(round(2 * (game.score + other.score)))] += 1
            ratio = llr(penta, args.elo0, args.elo1)
            print(f"  pair {game.pair}: {game.score + other.score:g}/2 for A; "
                  f"LLR {ratio:.2f} [{lower:.2f}, {upper:.2f}]", flush=True)
            if ratio <= lower or ratio >= upper:
                verdict = "H0" if ratio <= lower else "H1"
                if not args.no_stop:
                    print(f"SPRT accepts {verdict}: stopping the match", flush=True)
                    break
    except KeyboardInterrupt:
        print("interrupted: ending the games", flush=True)
        interrupted = True
        match.cancel_all()
    finally:
        match.stop.set()
        match.cancel_all()
        for thread in threads:
            thread.join()
        match.stop_display()
    status = summarise(match, finished, penta, verdict, lower, upper, interrupted)
    if status and not keep:
        keep = True
    if keep:
        print(f"files of the run in {out}")
    else:
        shutil.rmtree(out, ignore_errors=True)
    return status


def summarise(match, finished, penta, verdict, lower, upper, interrupted):
    args, a, b = match.args, match.a, match.b
    scores = [g.score for g in finished.values() if g.score is not None]
    wins, losses = scores.count(1.0), scores.count(0.0)
    draws = len(scores) - wins - losses
    played = len(scores)
    print()
    line = f"A ({a.name}) against B ({b.name}): +{wins} -{losses} ={draws} in {played} games"
    if played:
        line += f", score {wins + draws / 2:g}/{played} ({100 * (wins + draws / 2) / played:.1f}%)"
    print(line)
    pairs = sum(penta)
    print(f"pairs (A's view): {pairs}: " +
          ", ".join(f"{name} {n}" for name, n in zip(PAIR_NAMES, penta)))
    elo, error = pentanomial_elo(penta)
    if pairs:
        mean = pair_mean_variance(penta)[0]
        print("Elo (logistic) " + (f"{elo:+.1f} " + (f"+/- {error:.1f} (95%, from the pairs)"
                                                     if error is not None else "(one pair)")
                                   if elo is not None else
                                   ("+inf (every pair won)" if mean >= 1 else "-inf (every pair lost)")))
    ratio = llr(penta, args.elo0, args.elo1) if pairs else 0.0
    if verdict == "continue" and pairs:
        verdict = "H0" if ratio <= lower else "H1" if ratio >= upper else "continue"
    print(f"SPRT logistic elo0 {args.elo0:g} elo1 {args.elo1:g}, alpha {args.alpha:g} beta "
          f"{args.beta:g}: LLR {ratio:.2f} bounds [{lower:.2f}, {upper:.2f}]: " +
          {"H0": f"H0 accepted (A's edge is nearer {args.elo0:g} Elo than {args.elo1:g})",
           "H1": f"H1 accepted (A's edge is nearer {args.elo1:g} Elo than {args.elo0:g})",
           "continue": "no decision yet"}[verdict])
    failed = []
    for engine in (a, b):
        figures = report.depth_figures(engine.depths)
        print(f"{engine.label} ({engine.name}) faults: {fault_text(engine)}"
              + ("" if engine.fatal else " (not fatal)"))
        print(f"{engine.label} depth per searched move: median {figures[1]:g}, mean "
              f"{figures[0]:.2f} ({len(engine.depths)} moves)")
        if engine.fatal and any(engine.faults.values()):
            failed.append(f"faults of {engine.label}")
    print(f"games without a result laid on neither engine: {match.unlaid}")
    if match.unlaid:
        failed.append("games without a result")
    if interrupted:
        failed.append("interrupted")
    print("RESULT: " + ("PASS" if not failed else "FAIL (" + ", ".join(failed) + ")"))
    fields = dict(games=played, pairs=pairs, wins=wins, losses=losses, draws=draws,
                  score=f"{(wins + draws / 2) / played:.4f}" if played else "nan",
                  elo=f"{elo:.1f}" if elo is not None else "nan",
                  elo_error=f"{error:.1f}" if error is not None else "nan",
                  ll=penta[0], ld=penta[1], dd_wl=penta[2], wd=penta[3], ww=penta[4],
                  llr=f"{ratio:.3f}", lower=f"{lower:.3f}", upper=f"{upper:.3f}", sprt=verdict,
                  no_result=match.unlaid)
    for engine in (a, b):
        prefix = engine.label.lower()
        for key, value in engine.faults.items():
            fields[f"{prefix}_{FAULT_NAMES[key][1]}"] = value
        fields[f"{prefix}_depth_median"] = f"{report.depth_figures(engine.depths)[1]:g}"
    fields["result"] = "pass" if not failed else "fail"
    print("SUMMARY " + " ".join(f"{k}={v}" for k, v in fields.items()), flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
