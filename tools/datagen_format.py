"""Reads the binary records `vardo-datagen --format binary` writes: 32 bytes a position (the
layout is documented at the top of tools/vardo_datagen.cpp), for the network's trainer.

    from datagen_format import read_records, active_features
    records = read_records("data.bin")          # a structured NumPy array, one row a position
    men, squares = active_features(records)     # each position's men and their squares

Needs NumPy (Debian: python3-numpy)."""

import numpy as np

RECORD = np.dtype([("occupied", "<u8"), ("men", "u1", 16), ("score", "<i2"), ("result", "u1"),
                   ("side", "u1"), ("castling", "u1"), ("en_passant", "u1"), ("fifty", "u1"),
                   ("unused", "u1")])
assert RECORD.itemsize == 32

# A man's code in the records: its kind (0 pawn to 5 king) plus 8 for Black.
BLACK_FLAG = 8
NONE = 255


def read_records(path, count=-1, offset=0):
    """The records of a file, or `count` of them from record `offset` on."""
    return np.fromfile(path, dtype=RECORD, count=count, offset=offset * RECORD.itemsize)


def active_features(records):
    """Two arrays of shape (positions, 32): each occupied square's man (0-5 White's pawn to
    king, 6-11 Black's) and the square (a1 = 0 ... h8 = 63), in square order; NONE pads the
    rows of positions with fewer than 32 men."""
    count = len(records)
    occupied = records["occupied"]
    bits = ((occupied[:, None] >> np.arange(64, dtype=np.uint64)) & np.uint64(1)).astype(bool)
    nibbles = np.empty((count, 32), dtype=np.uint8)
    nibbles[:, 0::2] = records["men"] & 15
    nibbles[:, 1::2] = records["men"] >> 4
    codes = np.where(nibbles >= BLACK_FLAG, nibbles - BLACK_FLAG + 6, nibbles)
    men = np.full((count, 32), NONE, dtype=np.uint8)
    squares = np.full((count, 32), NONE, dtype=np.uint8)
    order = np.cumsum(bits, axis=1) - 1  # each occupied square's place among the position's men
    rows, columns = np.nonzero(bits)
    places = order[rows, columns]
    squares[rows, places] = columns
    men[rows, places] = codes[rows, places]
    return men, squares
