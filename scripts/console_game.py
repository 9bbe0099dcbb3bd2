#!/usr/bin/env python3
"""Plays one game at Vardo's console as a person would, typing moves: the moves typed are GNU
Chess's (in its own console mode, at a small depth), so that the game is a real one, and
Vardo's answers are typed back to GNU Chess. Vardo plays Black with a clock of `st` seconds a
move; its arguments follow --.

    scripts/console_game.py --st 2 --depth 2 -- build/vardo --elo 1400

Prints the game as it goes and a last line "RESULT <result> <plies> faults=<n>"; the exit
status is 0 when Vardo answered every move legally within twice its time and wrote no error,
1 otherwise (the reason on standard error)."""

import argparse
import queue
import shutil
import subprocess
import sys
import threading
import time

GNUCHESS = shutil.which("gnuchess") or "/usr/games/gnuchess"


class Player:
    """A console program whose output lines are read on a thread of their own."""

    def __init__(self, command):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def wait_for(self, wanted, seconds):
        """The first line for which wanted(line) holds, or None after `seconds` or at the end."""
        until = time.monotonic() + seconds
        while True:
            try:
                line = self.lines.get(timeout=max(0.01, until - time.monotonic()))
            except queue.Empty:
                return None
            if line is None:
                return None
            self.seen(line)
            if wanted(line):
                return line

    def seen(self, line):
        pass

    def close(self):
        try:
            self.send("quit")
        except OSError:
            pass
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Vardo(Player):
    def __init__(self, command):
        super().__init__(command)
        self.errors = []

    def seen(self, line):
        if line.startswith(("Error", "Illegal move")):
            self.errors.append(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--st", type=int, default=2, help="Vardo's seconds a move")
    parser.add_argument("--depth", type=int, default=2, help="GNU Chess's depth")
    parser.add_argument("--plies", type=int, default=200, help="plies at most")
    parser.add_argument("vardo", nargs="+", help="Vardo's command line (after --)")
    args = parser.parse_args()

    vardo = Vardo(args.vardo)
    person = Player([GNUCHESS, "-q"])
    person.send(f"depth {args.depth}")
    vardo.send("new")
    vardo.send(f"st {args.st}")
    faults = 0
    result = "*"
    plies = 0
    try:
        person.send("go")  # GNU Chess plays White's first move
        while plies < args.plies:
            line = person.wait_for(lambda l: "My move is" in l or "Invalid move" in l or
                                   l.startswith(("1-0", "0-1", "1/2")), 60)
            if line is not None and "Invalid move" in line:
                print(f"\nconsole_game: GNU Chess did not take Vardo's move: {line}",
                      file=sys.stderr)
                faults += 1
                break
            if line is None or "My move is" not in line:
                result = line.split()[0] if line else "*"
                break
            typed = line.split(":", 1)[1].strip()
            print(f"{plies // 2 + 1}. {typed}", end=" ", flush=True)
            vardo.send(typed)
            plies += 1
            began = time.monotonic()
            answer = vardo.wait_for(lambda l: l.startswith(("move ", "1-0", "0-1", "1/2",
                                                            "resign", "Illegal", "Error")),
                                    2 * args.st + 5)
            spent = time.monotonic() - began
            if answer is None:
                print(f"\nconsole_game: no answer from Vardo to {typed}", file=sys.stderr)
                faults += 1
                break
            if not answer.startswith("move "):
                if answer.startswith(("Illegal", "Error")):
                    print(f"\nconsole_game: Vardo wrote '{answer}' after {typed}",
                          file=sys.stderr)
                    faults += 1
                result = answer.split()[0]
                break
            reply = answer.split()[1]
            print(f"{reply} ({spent:.1f} s)", flush=True)
            plies += 1
            person.send(reply)
        faults += len(vardo.errors)
    finally:
        vardo.close()
        person.close()
    print(f"RESULT {result} {plies} faults={faults}")
    if plies == 0:
        # No game was played: the typist never moved, which proves nothing of Vardo's.
        print("console_game: GNU Chess made no move", file=sys.stderr)
        return 1
    return 0 if faults == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
