#!/usr/bin/env python3
"""Checks the figures scripts/strength.py judges a match by, against values worked out by hand,
the opening suite it plays by default, and how it reads a UCI engine played through polyglot."""
import os
import shlex
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import strength  # noqa: E402
import xboard_report as report  # noqa: E402


class Elo(unittest.TestCase):
    def test_hand_computed_pairs(self):
        # 10 pairs of 1/2 and 10 of 3/4: mean 0.625, Elo -400 log10(0.6) = 88.74; the pair
        # variance 0.015625 over 20 pairs gives 0.625 +/- 0.05478, so Elo 49.12 to 130.77.
        elo, error = strength.pentanomial_elo([0, 0, 10, 10, 0])
        self.assertAlmostEqual(elo, 88.7395, places=3)
        self.assertAlmostEqual(error, (130.770 - 49.116) / 2, places=2)

    def test_level_and_mirrored_results(self):
        self.assertEqual(strength.pentanomial_elo([0, 0, 37, 0, 0]), (0.0, 0.0))
        penta = [3, 11, 20, 14, 2]
        elo, error = strength.pentanomial_elo(penta)
        mirrored, mirrored_error = strength.pentanomial_elo(penta[::-1])
        self.assertAlmostEqual(elo, -mirrored, places=9)
        self.assertAlmostEqual(error, mirrored_error, places=9)
        self.assertEqual(strength.pentanomial_elo([0, 0, 0, 0, 5]), (None, None))


class Sprt(unittest.TestCase):
    def test_bounds(self):
        lower, upper = strength.sprt_bounds(0.05, 0.05)
        self.assertAlmostEqual(lower, -2.944439, places=6)
        self.assertAlmostEqual(upper, 2.944439, places=6)

    def test_agrees_with_the_normal_approximation(self):
        # For small Elo differences the GSPRT is close to
        # N (s1 - s0) (2 mean - s0 - s1) / (2 variance), all per pair.
        penta = [100, 400, 1000, 420, 110]
        pairs = sum(penta)
        mean, variance = strength.pair_mean_variance(penta)
        s0, s1 = strength.elo_to_score(0), strength.elo_to_score(5)
        approx = pairs * (s1 - s0) * (2 * mean - s0 - s1) / (2 * variance)
        self.assertAlmostEqual(approx, 0.37987, places=4)
        self.assertAlmostEqual(strength.llr(penta, 0, 5), approx, delta=0.002)

    def test_fitted_distribution_has_the_mean_asked_for(self):
        pdf = [0.1, 0.2, 0.4, 0.2, 0.1]
        for target in (0.3, 0.5, 0.7):
            fitted = strength.most_likely(pdf, target)
            self.assertAlmostEqual(sum(fitted), 1, places=9)
            self.assertAlmostEqual(sum(p * i / 4 for i, p in enumerate(fitted)), target,
                                   places=9)

    def test_direction_and_symmetry(self):
        # Only drawn pairs: the evidence is for elo0 = 0, and grows with the pairs.
        few, many = strength.llr([0, 0, 50, 0, 0], 0, 5), strength.llr([0, 0, 500, 0, 0], 0, 5)
        self.assertLess(many, few)
        self.assertLess(few, 0)
        # Mirroring the results and the hypotheses turns the ratio round.
        penta = [100, 400, 1000, 420, 110]
        self.assertAlmostEqual(strength.llr(penta[::-1], -5, 0), -strength.llr(penta, 0, 5),
                               places=9)
        self.assertGreater(strength.llr([0, 5, 10, 30, 5], 0, 5), 0)


class Openings(unittest.TestCase):
    def test_epd_and_fen_lines(self):
        with tempfile.NamedTemporaryFile("w", suffix=".epd", delete=False) as f:
            f.write("# comment\n"
                    "8/8/8/8/8/8/8/K6k w - - hmvc 3; fmvn 40; ce 0;\n"
                    "8/8/8/8/8/8/8/K6k b - - 5 61\n"
                    "8/8/8/8/8/8/8/K6k w - - ; id \"no clocks\";\n")
        self.assertEqual(strength.read_openings(f.name), [
            "8/8/8/8/8/8/8/K6k w - - 3 40", "8/8/8/8/8/8/8/K6k b - - 5 61",
            "8/8/8/8/8/8/8/K6k w - - 0 1"])
        os.remove(f.name)

    def test_suite(self):
        fens = strength.read_openings(os.path.join(ROOT, "tests", "data", "openings.epd"))
        self.assertGreaterEqual(len(fens), 240)
        self.assertEqual(len({" ".join(f.split()[:4]) for f in fens}), len(fens))
        # White to move everywhere: see tools/make_openings.py.
        self.assertTrue(all(f.split()[1] == "w" for f in fens))

    def test_time_controls(self):
        self.assertEqual(strength.time_control("40/0:04", 0)[0],
                         ["-mps", "40", "-tc", "0:04", "-inc", "-1"])
        # A whole-game control needs its -inc, else xboard makes it 40 moves a period.
        self.assertEqual(strength.time_control("1", 0)[0], ["-tc", "1", "-inc", "0"])


def xboard_words(line):
    """An engine's command line split as xboard splits it: at blanks, a word that begins with
    a quote running to the next such quote, quotes dropped."""
    words, i = [], 0
    while i < len(line):
        if line[i] == " ":
            i += 1
        elif line[i] in "\"'":
            end = line.index(line[i], i + 1)
            words.append(line[i + 1:end])
            i = end + 1
        else:
            end = line.find(" ", i) if " " in line[i:] else len(line)
            words.append(line[i:end])
            i = end
    return words


class ThroughPolyglot(unittest.TestCase):
    """The lines below are as xboard and polyglot wrote them in games of the rig."""

    def test_command_line(self):
        engine = strength.Engine("B", f"{sys.executable} --uci 'a b'", None, None,
                                 lambda e: False, uci=True)
        words = xboard_words(engine.command_line("/tmp/game/black"))
        self.assertEqual(words[:6], [strength.POLYGLOT, "-noini", "-log", "true", "-lf",
                                     "/tmp/game/black/polyglot.log"])
        # polyglot hands -ec to the shell's word expansion.
        self.assertEqual(shlex.split(words[words.index("-ec") + 1]),
                         [sys.executable, "--uci", "a b"])
        options = [words[i + 1] for i, w in enumerate(words) if w == "-uci"]
        self.assertIn("Number of Threads=1", options)
        self.assertIn("OwnBook=false", options)

    def test_depth_and_time_on_the_move(self):
        # The second engine takes moves with "usermove", which xboard logs on two lines run
        # into one; polyglot writes positive scores with a sign, and Stockfish's "info string"
        # as a line of depth 1.
        debug = "\n".join([
            "900 >second: force", "900 >second: usermove 900 >second: g1f3",
            "900 >second: go", "950 <second: move c8f5",
            "1000 >second: time 600", "1000 >second: otim 590",
            "1000 >second: usermove 1000 >second: c2d3",
            "1002 <second: 1 +0 0 0 NNUE evaluation using nn-ad9b42354671.nnue enabled",
            "1100 <second: 13 -5 9 24928 e6 Qb3 Ra7",
            "1200 <second: 14 +52 12 31000 e6 Qb3 Ra7 Rc1",
            "1200 <second: move e7e6",
            "1300 >second: usermove 1300 >second: h2h3",
            "1400 <second: 15 +8 2 8230 h6 Bh2"])
        segments, _, _, depths = report.analyse_debug(debug, 2000, 9000, watch="second")
        self.assertEqual(depths["second"], [14])
        self.assertEqual(segments[0]["max_think"], 200)
        # Silent on the move from 1.4 s to the game's end at 9 s.
        self.assertTrue(segments[0]["hang"])

    def test_faults(self):
        game = {"tags": {}, "result": "1-0",
                "ending": "polyglot: resign (illegal engine move by black: a1a1)"}
        self.assertEqual(report.classify(game, first_colour="White"), ("illegal move", "Black"))
        crash = ("1796853752.610 Adapter->GUI: 13 +52 9 24928 e6 Qb3\n"
                 "1796853752.620 Engine->Adapter: EOF\n"
                 "1796853752.620 POLYGLOT *** Mainloop has ended ***\n")
        self.assertTrue(strength.polyglot_exit(crash, 1796853760.0))
        # The rig ended the game first: the engine went with it.
        self.assertFalse(strength.polyglot_exit(crash, 1796853750.0))
        quit = ("1796854258.504 GUI->Adapter: quit\n"
                "1796854258.504 Adapter->Engine: quit\n"
                "1796854258.604 Engine->Adapter: EOF\n")
        self.assertFalse(strength.polyglot_exit(quit, 1796854260.0))


if __name__ == "__main__":
    unittest.main()
