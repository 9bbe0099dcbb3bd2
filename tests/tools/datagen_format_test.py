#!/usr/bin/env python3
"""The NumPy reader of vardo-datagen's binary records finds, for every position, the men and
squares, score, result and side to move of the same position written as text."""

import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import datagen_format  # noqa: E402

SOURCE = os.path.join(HERE, "..", "..")
PIECES = "PNBRQKpnbrqk"


def generate(folder, fmt):
    out = os.path.join(folder, "data." + fmt)
    binary = os.path.join(os.environ.get("VARDO_BINARY_DIR", os.path.join(SOURCE, "build")),
                          "vardo-datagen")
    subprocess.run([binary, "--games", "2", "--nodes", "300", "--threads", "1", "--seed", "3",
                    "--format", fmt, "--openings",
                    os.path.join(SOURCE, "tests", "data", "openings.epd"), "--out", out],
                   check=True, capture_output=True)
    return out


class ReaderTest(unittest.TestCase):
    def test_records_match_the_text(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(generate(folder, "text")) as text:
                lines = text.read().splitlines()
            records = datagen_format.read_records(generate(folder, "binary"))
        self.assertEqual(len(records), len(lines))
        self.assertGreater(len(lines), 10)
        men, squares = datagen_format.active_features(records)
        for row, line in enumerate(lines):
            fen, score, result = line.split(" | ")
            placement, side = fen.split()[:2]
            expected = []
            for rank, text in enumerate(reversed(placement.split("/"))):
                file = 0
                for letter in text:
                    if letter.isdigit():
                        file += int(letter)
                    else:
                        expected.append((rank * 8 + file, PIECES.index(letter)))
                        file += 1
            found = [(int(s), int(m)) for s, m in zip(squares[row], men[row])
                     if m != datagen_format.NONE]
            self.assertEqual(found, sorted(expected), line)
            self.assertTrue(np.all(squares[row][len(found):] == datagen_format.NONE))
            self.assertEqual(int(records["score"][row]), int(score), line)
            self.assertEqual(int(records["result"][row]), {"0.0": 0, "0.5": 1, "1.0": 2}[result])
            self.assertEqual(int(records["side"][row]), 0 if side == "w" else 1)


if __name__ == "__main__":
    unittest.main()
