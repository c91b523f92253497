#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/.

fuzz_store reads its input with libFuzzer's FuzzedDataProvider: numbers
come from the end of the input, texts from the front. So a seed is
    text1 \\| text2 \\| ...   (each text ended by a backslash and one byte)
    ... field2 field1          (two bytes each, low byte first)
    image seed                 (eight bytes)
Field numbers: 0-255 the fuel-map cells, 256 rev limit, 257-273 warm-up,
274-290 full load, 291-299 acceleration, 300-308 idle speed, 309 the
control constant.

fuzz_edit reads its choices (seeds, table, selection, operation, flags)
from the end of the input and texts from the front: any bytes make a run.

fuzz_roundtrip reads the image's table bytes first (374 of them, ascending
offsets), then the other bytes.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RL, WE, FLE, AE, IS, CC = 256, 257, 274, 291, 300, 309


def store_seed(seed, edits):
    texts = b"".join(text.encode("utf-8").replace(b"\\", b"\\\\") + b"\\|" for _, text in edits)
    fields = b"".join(struct.pack("<H", field) for field, _ in reversed(edits))
    return texts + fields + struct.pack("<Q", seed)


STORE_SEEDS = {
    "unedited": store_seed(1, []),
    "legal_edits": store_seed(2, [(RL, "255"), (WE, "1 2"), (CC, "1.99"), (0, "1023"), (255, " 767.4"),
                                  (FLE + 3, "2.5"), (AE + 8, "3.5"), (IS, "+007")]),
    "byte_table_stops": store_seed(3, [(WE + 5, "256"), (FLE, "2.5"), (RL, "12")]),
    "fuel_packing_stops": store_seed(4, [(100, "1024"), (7, "999"), (CC, ".5")]),
    "fuel_conversion_stops": store_seed(5, [(3, "1023.7"), (200, "40000"), (9, "-0.4")]),
    "pasted_junk": store_seed(6, [(RL, "-0"), (WE + 1, "+.5e3"), (FLE + 16, "abc"), (AE, "\t\n 1\t2"),
                                  (IS + 8, "1" + "0" * 400), (CC, "0." + "0" * 400 + "1"), (17, "١٢"),
                                  (18, "½"), (19, "--5"), (20, "1.2.3")]),
}

ROUNDTRIP_SEEDS = {
    "zeros": bytes(374),
    "ones": bytes([0xFF]) * 374,
    "ramp": bytes(i & 0xFF for i in range(4096)),
    "control_constants": bytes([0, 1, 64, 127, 128, 129, 192, 254, 255]) * 42,
}

EDIT_SEEDS = {
    "zeros": bytes(64),
    "ones": bytes([0xFF]) * 64,
    "ramp": bytes(range(64)),
    "halves": b"12.5\x00" * 12,
}


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


write("fuzz_store", STORE_SEEDS)
write("fuzz_roundtrip", ROUNDTRIP_SEEDS)
write("fuzz_edit", EDIT_SEEDS)
