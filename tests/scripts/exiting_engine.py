#!/usr/bin/env python3
"""An engine that dies in the middle of a game, for checking that scripts/strength.py lays the
fault on it: Fairy-Max plays, and after its MOVES-th move (6 by default) this script exits
with status 3 without a word; with "hang", it stays alive instead but says nothing more.

    tests/scripts/exiting_engine.py [MOVES [hang]]
"""
import os
import signal
import subprocess
import sys
import threading

moves = int(sys.argv[1]) if len(sys.argv) > 1 else 6
engine = subprocess.Popen(["/usr/games/fairymax"], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True, bufsize=1)
# xboard interrupts its engines with SIGINT, which is for Fairy-Max, not for this go-between.
signal.signal(signal.SIGINT, signal.SIG_IGN)


def forward_input():
    for line in iter(sys.stdin.readline, ""):  # line by line: xboard waits for replies
        if line.strip() != "computer":  # Fairy-Max misreads it as a move
            engine.stdin.write(line)
            engine.stdin.flush()


threading.Thread(target=forward_input, daemon=True).start()
played = 0
for line in engine.stdout:
    sys.stdout.write(line)
    sys.stdout.flush()
    if line.startswith("move "):
        played += 1
        if played >= moves:
            engine.kill()
            if sys.argv[2:] == ["hang"]:
                threading.Event().wait()
            os._exit(3)
