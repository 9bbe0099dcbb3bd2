#!/usr/bin/env python3
"""A UCI engine that goes wrong, for checking that scripts/strength.py lays a UCI engine's
faults (played through polyglot) on it: Stockfish plays, and this script, between it and
polyglot, does one thing wrong:

    tests/scripts/faulty_uci_engine.py exit [MOVES]     exits with status 3 without a word
                                                         after its MOVES-th move (6)
    tests/scripts/faulty_uci_engine.py hang [MOVES]     stays alive but says nothing more
    tests/scripts/faulty_uci_engine.py illegal [MOVES]  plays a1a1 as its MOVES-th move
    tests/scripts/faulty_uci_engine.py start            exits when first asked "isready"

    scripts/strength.py --engine-a "build/vardo --strong" --uci-b \\
        --engine-b "tests/scripts/faulty_uci_engine.py exit" --games 2 --tc 40/0:10
"""
import os
import signal
import subprocess
import sys
import threading

fault = sys.argv[1] if len(sys.argv) > 1 else "exit"
moves = int(sys.argv[2]) if len(sys.argv) > 2 else 6
if fault not in ("exit", "hang", "illegal", "start"):
    sys.exit(f"faulty_uci_engine: no fault {fault} (exit, hang, illegal or start)")
engine = subprocess.Popen(["/usr/games/stockfish"], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True, bufsize=1)
signal.signal(signal.SIGINT, signal.SIG_IGN)
silent = threading.Event()


def forward_input():
    for line in iter(sys.stdin.readline, ""):
        if fault == "start" and line.strip() == "isready":
            engine.kill()
            os._exit(3)
        engine.stdin.write(line)
        engine.stdin.flush()


threading.Thread(target=forward_input, daemon=True).start()
played = 0
for line in engine.stdout:
    if silent.is_set():
        continue
    if line.startswith("bestmove"):
        played += 1
        if played >= moves:
            if fault == "exit":
                engine.kill()
                os._exit(3)
            if fault == "hang":
                silent.set()
                continue
            if fault == "illegal":
                line = "bestmove a1a1\n"
    sys.stdout.write(line)
    sys.stdout.flush()
