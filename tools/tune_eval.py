#!/usr/bin/env python3
"""Tunes the strong evaluation's weights by Texel's method and writes strong/eval_values.h.

    tools/tune_eval.py TRACE_DIR [--epochs N] [--rate R] [--holdout F] [--out FILE]
                       [--only TERM ...] [--freeze TERM ...]

TRACE_DIR is what `vardo-trace DATA TRACE_DIR` wrote: every position's counts of every weight,
traced once. The model is the engine's evaluation: each colour's linear weights times their
counts; the danger to each king, its safety weights times their counts, counted as its square
over DANGER_MG_DIVISOR in the middlegame and over DANGER_EG_DIVISOR in the endgame (0 below 0,
capped); middlegame and endgame blended by the phase, the endgame scaled. It minimises the mean
squared error between each position's result and sigmoid(K * evaluation), K fitted first to the
current weights and then held, by full-batch Adam over the weights. The last HOLDOUT of the
positions (whole games, as the generator writes them in game order) are not trained on: the
loss on them is reported before and after. --only tunes the named terms alone, --freeze keeps
the named ones as they are. Needs NumPy (Debian: python3-numpy)."""

import argparse
import json
import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from eval_values_writer import write_values  # noqa: E402

POSITION = np.dtype([("result", "<f4"), ("score", "<i4"), ("search", "<i4"), ("phase", "u1"),
                     ("scale", "u1"), ("pad", "u1", 2)])
COUNT = np.dtype([("position", "<u4"), ("weight", "<u2"), ("count", "<i2")])


class Counts:
    """Sparse counts of one kind (linear, or the danger to one king), sorted by position."""

    def __init__(self, records, positions):
        self.position = records["position"].astype(np.int64)
        self.weight = records["weight"].astype(np.int64)
        self.count = records["count"].astype(np.float64)
        self.positions = positions

    def subset(self, keep):
        """The counts of the positions where `keep` is true, renumbered."""
        new_number = np.cumsum(keep) - 1
        chosen = keep[self.position]
        out = Counts.__new__(Counts)
        out.position = new_number[self.position[chosen]]
        out.weight = self.weight[chosen]
        out.count = self.count[chosen]
        out.positions = int(keep.sum())
        return out

    def apply(self, weights):
        """Sum over each position of count * weight, for a weight vector."""
        return np.bincount(self.position, weights=self.count * weights[self.weight],
                           minlength=self.positions)

    def gradient(self, per_position, size):
        """Sum over each weight of count * per_position."""
        return np.bincount(self.weight, weights=self.count * per_position[self.position],
                           minlength=size)


class Model:
    """The evaluation as a function of the weights, over a set of positions."""

    def __init__(self, positions, linear, danger_white, danger_black, constants):
        self.result = positions["result"].astype(np.float64)
        self.engine_score = positions["score"].astype(np.float64)
        self.search = positions["search"].astype(np.float64)
        self.phase = positions["phase"].astype(np.float64)
        self.scale = positions["scale"].astype(np.float64)
        self.linear = linear
        self.danger = (danger_white, danger_black)
        c = constants
        self.max_phase = c["max_phase"]
        self.scale_normal = c["scale_normal"]
        self.mg_divisor = c["danger_mg_divisor"]
        self.eg_divisor = c["danger_eg_divisor"]
        self.cap = c["danger_cap"]

    def subset(self, keep):
        out = Model.__new__(Model)
        out.__dict__.update(self.__dict__)
        out.result = self.result[keep]
        out.engine_score = self.engine_score[keep]
        out.search = self.search[keep]
        out.phase = self.phase[keep]
        out.scale = self.scale[keep]
        out.linear = self.linear.subset(keep)
        out.danger = tuple(d.subset(keep) for d in self.danger)
        return out

    def evaluate(self, weights, keep_parts=False):
        """Each position's evaluation, White's point of view; with keep_parts also what the
        gradient needs."""
        mg = self.linear.apply(weights[:, 0])
        eg = self.linear.apply(weights[:, 1])
        parts = []
        for sign, danger in zip((1.0, -1.0), self.danger):
            dmg = np.clip(danger.apply(weights[:, 0]), 0, self.cap)
            deg = np.clip(danger.apply(weights[:, 1]), 0, self.cap)
            mg += sign * dmg * dmg / self.mg_divisor
            eg += sign * deg / self.eg_divisor
            parts.append((dmg, deg))
        mg_share = self.phase / self.max_phase
        eg_share = (self.max_phase - self.phase) * self.scale / (self.scale_normal * self.max_phase)
        evaluation = mg * mg_share + eg * eg_share
        if keep_parts:
            return evaluation, (mg_share, eg_share, parts)
        return evaluation

    def loss(self, weights, k):
        return float(np.mean((self.result - sigmoid(k * self.evaluate(weights))) ** 2))

    def loss_and_gradient(self, weights, k):
        evaluation, (mg_share, eg_share, parts) = self.evaluate(weights, keep_parts=True)
        p = sigmoid(k * evaluation)
        error = self.result - p
        loss = float(np.mean(error ** 2))
        d_eval = -2.0 * error * p * (1.0 - p) * k / len(p)
        d_mg = d_eval * mg_share
        d_eg = d_eval * eg_share
        size = len(weights)
        gradient = np.zeros_like(weights)
        gradient[:, 0] = self.linear.gradient(d_mg, size)
        gradient[:, 1] = self.linear.gradient(d_eg, size)
        for sign, danger, (dmg, deg) in zip((1.0, -1.0), self.danger, parts):
            # d(dmg^2 / divisor) = 2 dmg / divisor, zero where clipped; the endgame is linear
            # above zero.
            live_mg = (dmg > 0) & (dmg < self.cap)
            live_eg = (deg > 0) & (deg < self.cap)
            gradient[:, 0] += danger.gradient(sign * d_mg * live_mg * 2 * dmg / self.mg_divisor, size)
            gradient[:, 1] += danger.gradient(sign * d_eg * live_eg / self.eg_divisor, size)
        return loss, gradient


class SearchScores:
    """The search's recorded scores as a model of their own, for fitting their K."""

    def __init__(self, model):
        self.model = model

    def loss(self, _weights, k):
        return float(np.mean((self.model.result - sigmoid(k * self.model.search)) ** 2))


def sigmoid(x):
    return 1.0 / (1.0 + np.exp(-x))


def fit_k(model, weights, low=0.0005, high=0.02, rounds=40):
    """The K that minimises the loss of the current weights (golden-section search)."""
    golden = (np.sqrt(5) - 1) / 2
    a, b = low, high
    c, d = b - golden * (b - a), a + golden * (b - a)
    fc, fd = model.loss(weights, c), model.loss(weights, d)
    for _ in range(rounds):
        if fc < fd:
            b, d, fd = d, c, fc
            c = b - golden * (b - a)
            fc = model.loss(weights, c)
        else:
            a, c, fc = c, d, fd
            d = a + golden * (b - a)
            fd = model.loss(weights, d)
    return (a + b) / 2


def adam(model, weights, k, epochs, rate, trainable, report=None):
    """Full-batch Adam over the trainable weights (a mask of rows); returns the weights."""
    weights = weights.copy()
    m = np.zeros_like(weights)
    v = np.zeros_like(weights)
    beta1, beta2, epsilon = 0.9, 0.999, 1e-8
    mask = trainable[:, None].astype(np.float64)
    for epoch in range(1, epochs + 1):
        loss, gradient = model.loss_and_gradient(weights, k)
        gradient *= mask
        m = beta1 * m + (1 - beta1) * gradient
        v = beta2 * v + (1 - beta2) * gradient * gradient
        m_hat = m / (1 - beta1 ** epoch)
        v_hat = v / (1 - beta2 ** epoch)
        weights -= rate * m_hat / (np.sqrt(v_hat) + epsilon)
        if report:
            report(epoch, loss, weights)
    return weights


def load(directory):
    with open(os.path.join(directory, "manifest.json")) as f:
        manifest = json.load(f)
    positions = np.fromfile(os.path.join(directory, "positions.bin"), dtype=POSITION)
    n = len(positions)

    def counts(name):
        return Counts(np.fromfile(os.path.join(directory, name), dtype=COUNT), n)

    model = Model(positions, counts("linear.bin"), counts("safety_white.bin"),
                  counts("safety_black.bin"), manifest["constants"])
    weights = np.array(manifest["values"], dtype=np.float64)
    return manifest, model, weights


def term_rows(manifest, names):
    """A mask of the weights belonging to the named terms."""
    rows = np.zeros(len(manifest["values"]), dtype=bool)
    at = 0
    known = set()
    for term in manifest["terms"]:
        if term["name"] in names:
            rows[at:at + term["entries"]] = True
            known.add(term["name"])
        at += term["entries"]
    unknown = set(names) - known
    if unknown:
        sys.exit("tune_eval: no term " + ", ".join(sorted(unknown)))
    return rows


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("trace_dir")
    parser.add_argument("--epochs", type=int, default=400)
    parser.add_argument("--rate", type=float, default=1.0, help="Adam's step, in centipawns")
    parser.add_argument("--holdout", type=float, default=0.1)
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "strong",
                                                      "eval_values.h"))
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--freeze", nargs="*", default=[])
    parser.add_argument("--lambda", dest="blend", type=float, default=1.0,
                        help="train toward this share of the result and the rest of the "
                             "search's score as a probability (1: the result alone)")
    parser.add_argument("--note", default="", help="a line on the data, for the values file")
    args = parser.parse_args(argv)

    start = time.time()
    manifest, model, weights = load(args.trace_dir)
    n = len(model.result)
    cut = int(n * (1 - args.holdout))
    train = model.subset(np.arange(n) < cut)
    held = model.subset(np.arange(n) >= cut)
    print(f"{n} positions: {cut} to train on, {n - cut} held out "
          f"({time.time() - start:.1f} s to load)", flush=True)

    trainable = np.ones(len(weights), dtype=bool)
    if args.only:
        trainable = term_rows(manifest, args.only)
    if args.freeze:
        trainable &= ~term_rows(manifest, args.freeze)

    k = fit_k(train, weights)
    if args.blend < 1.0:
        # The search's scores, as probabilities on their own fitted scale.
        k_search = fit_k(SearchScores(train), None)
        train.result = (args.blend * train.result +
                        (1 - args.blend) * sigmoid(k_search * train.search))
        print(f"training toward {args.blend} of the result and {1 - args.blend:.2f} of "
              f"sigmoid({k_search:.6f} * search score)")
    before_train = train.loss(weights, k)
    before_held = held.loss(weights, k) if held.result.size else float("nan")
    print(f"K = {k:.6f}; loss before: train {before_train:.6f}, held out {before_held:.6f}",
          flush=True)

    def report(epoch, loss, weights_now):
        if epoch % 25 == 0 or epoch == 1:
            held_now = held.loss(weights_now, k) if held.result.size else float("nan")
            print(f"epoch {epoch}: train loss {loss:.6f}, held out {held_now:.6f} "
                  f"({time.time() - start:.0f} s)", flush=True)

    tuned = adam(train, weights, k, args.epochs, args.rate, trainable, report)
    after_train = train.loss(tuned, k)
    after_held = held.loss(tuned, k) if held.result.size else float("nan")
    print(f"loss after: train {after_train:.6f}, held out {after_held:.6f}", flush=True)

    provenance = [
        f"Texel's method over {n} positions of the engine's own games{': ' + args.note if args.note else ''},",
        f"K = {k:.6f}, {args.epochs} epochs of Adam at {args.rate}"
        f"{'' if args.blend >= 1 else f', toward {args.blend} of the result'}; mean squared error on the "
        f"{n - cut} held-out",
        f"positions {before_held:.6f} before, {after_held:.6f} after.",
    ]
    write_values(args.out, manifest["terms"], [tuple(row) for row in tuned], provenance)
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
