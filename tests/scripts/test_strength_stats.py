#!/usr/bin/env python3
"""Checks the figures scripts/strength.py judges a match by, against values worked out by hand,
and the opening suite it plays by default."""
import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import strength  # noqa: E402


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


if __name__ == "__main__":
    unittest.main()
