"""The network trainer (tools/train_net.py) on a synthetic set: positions of random men scored
by their material. It fits them (the held-out loss falls well below a constant guess, and the
net it returns is the epoch's with the lowest), and the quantised net the engine would load gives the float net's output within a stated bound."""

import os
import struct
import sys
import tempfile
import unittest

import numpy as np

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)
import train_net  # noqa: E402
from datagen_format import RECORD  # noqa: E402

VALUES = np.array([100, 300, 300, 500, 900, 0])


def synthetic(count, seed):
    """Records of `count` positions of 2 to 24 random men, scored by material for White."""
    rng = np.random.default_rng(seed)
    records = np.zeros(count, dtype=RECORD)
    for i in range(count):
        squares = np.sort(rng.choice(64, size=rng.integers(2, 25), replace=False))
        codes = rng.integers(0, 5, size=len(squares)) + 8 * rng.integers(0, 2, size=len(squares))
        records["occupied"][i] = np.bitwise_or.reduce(np.uint64(1) << squares.astype(np.uint64))
        for n, code in enumerate(codes):
            records["men"][i][n // 2] |= code << (4 * (n % 2))
        white = codes < 8
        kinds = codes & 7
        records["score"][i] = VALUES[kinds[white]].sum() - VALUES[kinds[~white]].sum()
        records["side"][i] = rng.integers(0, 2)
        records["result"][i] = 1
        records["en_passant"][i] = 64
    return records


class TrainNetTest(unittest.TestCase):
    def test_fits_a_material_set_and_the_quantised_net_agrees(self):
        with tempfile.TemporaryDirectory() as folder:
            train_path = os.path.join(folder, "train.bin")
            valid_path = os.path.join(folder, "valid.bin")
            synthetic(6000, 1).tofile(train_path)
            synthetic(1000, 2).tofile(valid_path)
            args = train_net.parse_args(["--train", train_path, "--valid", valid_path,
                                         "--hidden", "32", "--epochs", "30", "--batch", "256",
                                         "--lr", "0.005", "--wdl", "0", "--threads", "1",
                                         "--out", os.path.join(folder, "net")])
            # Read in chunks that end mid-file (as tens of millions of positions are), the
            # inputs are those of one chunk.
            whole = train_net.load(args.train, args.wdl, args.scale)
            train_net.FEATURE_CHUNK = 999
            train_data = train_net.load(args.train, args.wdl, args.scale)
            for part, chunked in zip(whole, train_data):
                np.testing.assert_array_equal(part, chunked)
            valid_data = train_net.load(args.valid, args.wdl, args.scale)
            constant = float(np.mean((valid_data[2] - np.mean(train_data[2])) ** 2))
            net = train_net.train(args, train_data, valid_data, log=lambda line: None)
            self.assertLess(train_net.evaluate(net, valid_data, args.scale), constant / 10)

            # Against held-out games that the training games mislead (their targets turned
            # round), later epochs do worse: the net returned is the epoch's with the lowest
            # held-out loss, not the last.
            misled = (valid_data[0], valid_data[1], 1 - valid_data[2])
            lines = []
            few = train_net.parse_args(["--train", train_path, "--hidden", "32", "--epochs", "6",
                                        "--batch", "256", "--lr", "0.005", "--threads", "1",
                                        "--out", os.path.join(folder, "few")])
            kept = train_net.train(few, train_data, misled, log=lines.append)
            losses = [float(line.split("held-out loss ")[1].split(",")[0])
                      for line in lines if line.startswith("epoch")]
            self.assertLess(min(losses), losses[-1])
            self.assertAlmostEqual(train_net.evaluate(kept, misled, args.scale), min(losses),
                                   delta=2e-6)

            q = train_net.quantise(net)
            size = train_net.write_net(q, args.out)
            self.assertEqual(size, 8 + 4 + 2 * (768 * 32 + 32 + 64) + 4 + 8)
            with open(args.out, "rb") as net_file:
                data = net_file.read()
            self.assertEqual(data[:8], b"VARDONN2")
            self.assertEqual(struct.unpack("<Q", data[-8:])[0], train_net.fnv1a64(data[:-8]))
            import torch
            with torch.no_grad():
                exact = net(torch.from_numpy(valid_data[0].astype(np.int64)),
                            torch.from_numpy(valid_data[1].astype(np.int64))).numpy()
            exact *= train_net.SCALE
            gap = np.abs(train_net.quantised_eval(q, valid_data[0], valid_data[1]) - exact)
            # Rounding the weights to QA's and QB's steps: every output within 16 centipawns and
            # 2% of the score, and on average within 0.5% of the scores' size.
            self.assertLessEqual(float(np.max(gap - 0.02 * np.abs(exact))), 16)
            self.assertLess(gap.mean(), 0.005 * np.abs(exact).mean())


if __name__ == "__main__":
    unittest.main()
