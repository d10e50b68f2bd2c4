#!/usr/bin/env python3
"""Writes the benchmark's input trees for bench/unzip_bench.sh.

LARGE/big.bin: about 200 MiB, half text-like (compresses), half random
(does not), in 1 MiB blocks, much as an installer mixes resources and
compressed payloads. SMALL: 20,000 files of 200 to 4,000 bytes in 20 x 10
nested directories.
"""
import os
import random
import sys

large, small = sys.argv[1], sys.argv[2]
rng = random.Random(20240601)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10)))
         for _ in range(5000)]
text = ' '.join(rng.choice(words) for _ in range(120000)).encode()

os.makedirs(large, exist_ok=True)
with open(os.path.join(large, 'big.bin'), 'wb') as out:
    for block in range(200):
        start = (block * 7919) % (len(text) - 524288)
        out.write(text[start:start + 524288])
        out.write(os.urandom(524288))

for d in range(20):
    for e in range(10):
        folder = os.path.join(small, 'd%02d' % d, 'e%d' % e)
        os.makedirs(folder, exist_ok=True)
        for f in range(100):
            size = rng.randint(200, 4000)
            start = rng.randint(0, len(text) - size)
            with open(os.path.join(folder, 'f%03d.txt' % f), 'wb') as out:
                out.write(text[start:start + size])
