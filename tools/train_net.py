#!/usr/bin/env python3
"""Trains the network that judges positions for --strong, from the binary records of
vardo-datagen (tools/datagen_format.py), and writes it as a net file the engine loads.

    tools/train_net.py --train data/games-0.bin data/games-1.bin --valid data/held-out.bin \\
        --hidden 256 --epochs 12 --out vardo.nnue

The net: 768 inputs (a man's colour relative to the side seen from, its kind and its square,
the board turned for Black), a hidden layer of N shared by both sides' views (the
accumulators), squared clipped ReLU, and one output from the side to move's view and the
other side's, concatenated. It is trained on the sigmoid of its output against a blend of the
game's result and the search's score (--wdl of the result), the positions shuffled every epoch;
the loss on held-out games (--valid: files of other games than --train's) is printed after each,
and the net of the epoch with the lowest is the one written.

Quantised for the engine (strong/network.h): the hidden layer's weights and biases times QA
(255) as 16-bit integers, the output weights times QB (256) as 16-bit integers, the output bias
times QA * QB as a 32-bit integer; the output times SCALE / (QA * QB) is the score in
centipawns. The file: the 8 bytes "VARDONN2", N as 32 bits, the hidden weights (768 rows of
N), the hidden biases, the output weights (the side to move's N, then the other side's), the
output bias, all little-endian, and last the 64-bit FNV-1a hash of everything before it.

Needs NumPy and PyTorch (Debian: python3-numpy, python3-torch)."""

import argparse
import os
import struct
import sys
import time

import numpy as np
import torch

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from datagen_format import NONE, read_records, active_features  # noqa: E402

INPUTS = 768
QA = 255
QB = 256
SCALE = 400
MAGIC = b"VARDONN2"
# The output weights are kept within what QB can hold in 16 bits with room for the engine's
# products: |w| * QB <= 127.
OUTPUT_WEIGHT_LIMIT = 127 / QB


def fnv1a64(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


# Positions are turned into inputs this many at a time, so that tens of millions fit in memory.
FEATURE_CHUNK = 1 << 20


def features(records):
    """Each position's active inputs from the side to move's view and from the other side's:
    two (positions, 32) arrays of 16-bit input numbers, INPUTS marking none."""
    us = np.empty((len(records), 32), dtype=np.int16)
    them = np.empty_like(us)
    for at in range(0, len(records), FEATURE_CHUNK):
        chunk = records[at:at + FEATURE_CHUNK]
        men, squares = active_features(chunk)
        present = men != NONE
        colour = (men >= 6).astype(np.int16)
        kind = np.where(men >= 6, men - 6, men).astype(np.int16)
        square = squares.astype(np.int16)
        white = np.where(present, colour * 384 + kind * 64 + square, INPUTS)
        black = np.where(present, (1 - colour) * 384 + kind * 64 + (square ^ 56), INPUTS)
        black_to_move = chunk["side"].astype(bool)[:, None]
        us[at:at + len(chunk)] = np.where(black_to_move, black, white)
        them[at:at + len(chunk)] = np.where(black_to_move, white, black)
    return us, them


def targets(records, wdl, scale):
    """The blend of the result and the search's score, from the side to move's view."""
    black = records["side"].astype(bool)
    score = records["score"].astype(np.float32)
    result = records["result"].astype(np.float32) / 2
    score = np.where(black, -score, score)
    result = np.where(black, 1 - result, result)
    return wdl * result + (1 - wdl) / (1 + np.exp(-score / scale))


class Net(torch.nn.Module):
    def __init__(self, hidden):
        super().__init__()
        self.hidden = hidden
        # One spare row, kept at zero, for the padding input.
        self.inputs = torch.nn.EmbeddingBag(INPUTS + 1, hidden, mode="sum", padding_idx=INPUTS)
        self.bias = torch.nn.Parameter(torch.zeros(hidden))
        self.output = torch.nn.Linear(2 * hidden, 1)
        with torch.no_grad():
            self.inputs.weight.normal_(0, 0.05)
            self.inputs.weight[INPUTS].zero_()
            self.output.weight.normal_(0, 1 / (2 * hidden) ** 0.5)
            self.output.bias.zero_()

    def forward(self, us, them):
        a = torch.clamp(self.inputs(us) + self.bias, 0, 1) ** 2
        b = torch.clamp(self.inputs(them) + self.bias, 0, 1) ** 2
        return self.output(torch.cat([a, b], dim=1)).squeeze(1)

    def clip(self):
        with torch.no_grad():
            self.output.weight.clamp_(-OUTPUT_WEIGHT_LIMIT, OUTPUT_WEIGHT_LIMIT)
            self.inputs.weight.clamp_(-127 / QA, 127 / QA)


def batches(us, them, target, size, order):
    for at in range(0, len(order), size):
        pick = order[at:at + size]
        yield (torch.from_numpy(us[pick].astype(np.int64)),
               torch.from_numpy(them[pick].astype(np.int64)),
               torch.from_numpy(target[pick].astype(np.float32)))


def loss_of(net, us, them, target, scale):
    out = net(us, them) * SCALE
    return torch.mean((torch.sigmoid(out / scale) - target) ** 2)


def evaluate(net, data, scale, size=65536):
    us, them, target = data
    if len(target) == 0:
        return float("nan")
    total = 0.0
    with torch.no_grad():
        for u, t, y in batches(us, them, target, size, np.arange(len(target))):
            total += loss_of(net, u, t, y, scale).item() * len(y)
    return total / len(target)


def load(paths, wdl, scale):
    records = np.concatenate([read_records(path) for path in paths]) if paths else \
        read_records(os.devnull)
    us, them = features(records)
    return us, them, targets(records, wdl, scale)


def quantise(net):
    """The net's integer parameters as the engine holds them."""
    w = net.inputs.weight.detach().numpy()[:INPUTS]
    return {
        "input_weights": np.round(w * QA).astype(np.int16),
        "input_bias": np.round(net.bias.detach().numpy() * QA).astype(np.int16),
        "output_weights": np.round(net.output.weight.detach().numpy()[0] * QB).astype(np.int16),
        "output_bias": np.int32(np.round(net.output.bias.detach().numpy()[0] * QA * QB)),
    }


def quantised_eval(q, us, them):
    """The engine's integer output for the positions' inputs, in centipawns (side to move)."""
    weights = np.vstack([q["input_weights"].astype(np.int32),
                         np.zeros((1, q["input_weights"].shape[1]), dtype=np.int32)])
    hidden = len(q["input_bias"])
    out = np.full(len(us), int(q["output_bias"]), dtype=np.int64)
    for half, inputs in enumerate((us, them)):
        acc = weights[inputs].sum(axis=1) + q["input_bias"].astype(np.int32)
        v = np.clip(acc, 0, QA).astype(np.int64)
        w = q["output_weights"][half * hidden:(half + 1) * hidden].astype(np.int64)
        out += ((v * w) * v).sum(axis=1) // QA
    return out * SCALE // (QA * QB)


def write_net(q, path):
    body = bytearray(MAGIC)
    body += struct.pack("<I", len(q["input_bias"]))
    body += q["input_weights"].astype("<i2").tobytes()
    body += q["input_bias"].astype("<i2").tobytes()
    body += q["output_weights"].astype("<i2").tobytes()
    body += struct.pack("<i", int(q["output_bias"]))
    body += struct.pack("<Q", fnv1a64(body))
    with open(path, "wb") as out:
        out.write(body)
    return len(body)


def train(args, train_data, valid_data, log=print):
    torch.manual_seed(args.seed)
    torch.set_num_threads(args.threads)
    net = Net(args.hidden)
    optimiser = torch.optim.Adam(net.parameters(), lr=args.lr)
    schedule = torch.optim.lr_scheduler.StepLR(optimiser, step_size=max(1, args.epochs // 3),
                                               gamma=0.3)
    rng = np.random.default_rng(args.seed)
    us, them, target = train_data
    # With held-out games, the net kept is that of the epoch with the lowest loss on them:
    # positions of one game are alike, so the net can learn the training games by heart after
    # a few passes, and later epochs then fit them better and other games worse.
    best_loss, best_epoch, best_state = float("inf"), 0, None
    for epoch in range(1, args.epochs + 1):
        began = time.monotonic()
        order = rng.permutation(len(target))  # shuffled anew every epoch
        total = 0.0
        for u, t, y in batches(us, them, target, args.batch, order):
            optimiser.zero_grad()
            loss = loss_of(net, u, t, y, args.scale)
            loss.backward()
            optimiser.step()
            net.clip()
            total += loss.item() * len(y)
        schedule.step()
        held_out = evaluate(net, valid_data, args.scale)
        log(f"epoch {epoch}: train loss {total / len(target):.6f}, held-out loss "
            f"{held_out:.6f}, {time.monotonic() - began:.0f} s")
        if held_out < best_loss:
            best_loss, best_epoch = held_out, epoch
            best_state = {name: value.clone() for name, value in net.state_dict().items()}
    if best_state is not None and best_epoch != args.epochs:
        net.load_state_dict(best_state)
        log(f"kept the net of epoch {best_epoch}, held-out loss {best_loss:.6f}")
    return net


def parse_args(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--train", nargs="+", required=True, help="binary data files")
    parser.add_argument("--valid", nargs="*", default=[], help="held-out games' data files")
    parser.add_argument("--hidden", type=int, default=256)
    parser.add_argument("--epochs", type=int, default=12)
    parser.add_argument("--batch", type=int, default=16384)
    parser.add_argument("--lr", type=float, default=0.002)
    parser.add_argument("--wdl", type=float, default=0.3,
                        help="the result's share of the target (the rest the search's score)")
    parser.add_argument("--scale", type=float, default=400,
                        help="centipawns of the sigmoid's unit")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", required=True, help="the net file to write")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    train_data = load(args.train, args.wdl, args.scale)
    valid_data = load(args.valid, args.wdl, args.scale)
    print(f"{len(train_data[2])} positions to train on, {len(valid_data[2])} held out",
          flush=True)
    net = train(args, train_data, valid_data, lambda line: print(line, flush=True))
    q = quantise(net)
    size = write_net(q, args.out)
    sample = slice(0, min(10000, len(valid_data[2]) or len(train_data[2])))
    data = valid_data if len(valid_data[2]) else train_data
    with torch.no_grad():
        exact = (net(torch.from_numpy(data[0][sample].astype(np.int64)),
                     torch.from_numpy(data[1][sample].astype(np.int64))) * SCALE).numpy()
    gap = np.abs(quantised_eval(q, data[0][sample], data[1][sample]) - exact)
    print(f"wrote {args.out}: {size} bytes; quantised against float output: mean "
          f"{gap.mean():.2f} cp, at most {gap.max():.1f} cp")


if __name__ == "__main__":
    main()
