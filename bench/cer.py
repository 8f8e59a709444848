#!/usr/bin/env python3
"""Character error rate of a text against the reference it should read:
edit distance over code points, blanks and line breaks left out, divided by
the reference's length.  With --order-free the characters are compared as
multisets, so only misread, missing and extra characters count, not their
order.
    bench/cer.py REFERENCE.txt TEXT.txt [--order-free]      prints the rate in %"""
import collections
import sys


def chars(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return [c for c in f.read() if not c.isspace()]


def distance(a, b):
    prev = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        cur = [i] + [0] * len(b)
        for j, cb in enumerate(b, 1):
            cur[j] = min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca != cb))
        prev = cur
    return prev[-1]


def order_free(a, b):
    ca, cb = collections.Counter(a), collections.Counter(b)
    return max(sum((ca - cb).values()), sum((cb - ca).values()))


if __name__ == "__main__":
    ref, text = chars(sys.argv[1]), chars(sys.argv[2])
    d = order_free(ref, text) if "--order-free" in sys.argv[3:] else distance(ref, text)
    print(f"{100.0 * d / max(len(ref), 1):.1f}")
