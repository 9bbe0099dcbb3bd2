#!/usr/bin/env python3
"""The tuner recovers known weights: positions with random counts of linear and safety
weights are labelled with sigmoid(K * evaluation) under chosen weights, and Adam, started
elsewhere, must find those weights again; the loss's gradient must match a finite difference.
"""

import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import tune_eval  # noqa: E402

CONSTANTS = {"max_phase": 24, "scale_normal": 128, "danger_mg_divisor": 720,
             "danger_eg_divisor": 20, "danger_cap": 1500}
LINEAR, SAFETY = 12, 3  # weights 0..11 linear, 12..14 safety


def synthetic(rng, n, true_weights, k):
    positions = np.zeros(n, dtype=tune_eval.POSITION)
    positions["phase"] = rng.integers(0, 25, n)
    positions["scale"] = rng.choice([128, 64], n)
    per = 5
    linear = np.zeros(n * per, dtype=tune_eval.COUNT)
    linear["position"] = np.repeat(np.arange(n), per)
    linear["weight"] = rng.integers(0, LINEAR, n * per)
    linear["count"] = rng.integers(-2, 3, n * per)
    danger = []
    for _ in range(2):
        d = np.zeros(n * SAFETY, dtype=tune_eval.COUNT)
        d["position"] = np.repeat(np.arange(n), SAFETY)
        d["weight"] = np.tile(np.arange(LINEAR, LINEAR + SAFETY), n)
        d["count"] = rng.integers(0, 6, n * SAFETY)
        danger.append(tune_eval.Counts(d, n))
    model = tune_eval.Model(positions, tune_eval.Counts(linear, n), danger[0], danger[1],
                            CONSTANTS)
    model.result = tune_eval.sigmoid(k * model.evaluate(true_weights))
    return model


class TunerTest(unittest.TestCase):
    def setUp(self):
        self.rng = np.random.default_rng(5)
        self.k = 0.006
        self.true = np.concatenate([self.rng.uniform(-80, 80, (LINEAR, 2)),
                                    np.array([[60.0, 30.0], [45.0, 20.0], [-40.0, -10.0]])])
        self.model = synthetic(self.rng, 12000, self.true, self.k)

    def test_gradient_matches_a_finite_difference(self):
        weights = self.true + self.rng.normal(0, 20, self.true.shape)
        _, gradient = self.model.loss_and_gradient(weights, self.k)
        for row, column in [(0, 0), (5, 1), (LINEAR, 0), (LINEAR + 1, 1), (LINEAR + 2, 0)]:
            step = np.zeros_like(weights)
            step[row, column] = 1e-3
            numeric = (self.model.loss(weights + step, self.k) -
                       self.model.loss(weights - step, self.k)) / 2e-3
            self.assertAlmostEqual(gradient[row, column], numeric, delta=1e-4 * abs(numeric) + 1e-9)

    def test_recovers_the_weights_and_k(self):
        start = np.zeros_like(self.true)
        start[LINEAR:] = 20.0  # the danger's square has no slope at zero
        trainable = np.ones(len(start), dtype=bool)
        tuned = tune_eval.adam(self.model, start, self.k, 800, 3.0, trainable)
        np.testing.assert_allclose(tuned, self.true, atol=3.0)
        self.assertAlmostEqual(tune_eval.fit_k(self.model, self.true), self.k, delta=0.0003)

    def test_frozen_terms_stay(self):
        start = self.true + 10.0
        trainable = np.zeros(len(start), dtype=bool)
        trainable[:4] = True
        tuned = tune_eval.adam(self.model, start, self.k, 50, 2.0, trainable)
        np.testing.assert_array_equal(tuned[4:], start[4:])
        self.assertFalse(np.allclose(tuned[:4], start[:4]))


class ValuesFileTest(unittest.TestCase):
    def test_values_file_fits_the_formatter(self):
        # The build's format check reads the values file: no line of it may pass 100 columns,
        # however long the note on the data or a term's text, and no word of the note is lost.
        terms = [{"name": "pieceValue", "entries": 2, "text": "Material " * 30}]
        provenance = ["Texel's method over 1021636 positions: " + "a long note on the data " * 8,
                      "K = 0.006141, 60 epochs"]
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "values.h")
            tune_eval.write_values(path, terms, [(94.0, 91.0), (353.0, 309.0)], provenance)
            with open(path) as f:
                lines = f.read().splitlines()
        self.assertLessEqual(max(len(line) for line in lines), 100)
        self.assertIn("S(94, 91), S(353, 309)", "\n".join(lines))
        note = " ".join(line[3:] for line in lines[3:] if line.startswith("// "))
        self.assertIn(" ".join(" ".join(provenance).split()), note)


class EngineAgreementTest(unittest.TestCase):
    """The tuner's model, given the weights the engine was built with, scores each traced
    position as the engine does (within the engine's rounding)."""

    @unittest.skipUnless(os.environ.get("VARDO_BINARY_DIR"), "needs the built vardo-trace")
    def test_model_scores_as_the_engine(self):
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
        # Endgames the engine scales toward a draw, besides the suites' positions.
        lines = [fen + " 0 1 | 0 | 0.5" for fen in (
            "6k1/5p2/4b3/8/3B4/8/5PP1/6K1 w - -", "8/8/4k3/3b4/8/4K3/8/R7 b - -",
            "8/8/4k3/3n4/8/4K3/8/R7 w - -", "8/8/3bk3/8/8/4K3/8/RR6 w - -")]
        for name in ("openings.epd", "search-positions.epd"):
            with open(os.path.join(source, name)) as f:
                for line in f:
                    if line.strip() and not line.startswith("#"):
                        lines.append(" ".join(line.split()[:4]) + " 0 1 | 0 | 0.5")
        with tempfile.TemporaryDirectory() as work:
            data = os.path.join(work, "data.txt")
            with open(data, "w") as f:
                f.write("\n".join(lines) + "\n")
            tracer = os.path.join(os.environ["VARDO_BINARY_DIR"], "vardo-trace")
            subprocess.run([tracer, data, work], check=True, capture_output=True)
            _, model, weights = tune_eval.load(work)
        self.assertGreater(len(model.result), 300)
        difference = np.abs(model.evaluate(weights) - model.engine_score)
        self.assertLess(difference.max(), 4.0)


if __name__ == "__main__":
    unittest.main()
