#!/usr/bin/env python3
"""Times quorvel-code --json over generated names and prints names per second beside the time of merely
copying the same input with cat.

    bench_cli.py PATH/TO/quorvel-code [COUNT]

About two thirds of the names are valid; the rest carry the faults people type: capitals, blanks, dots,
accented letters, leading hyphens, and names longer than forty characters. Lengths run from 1 to 60
characters. The seed is fixed, so every run times the same input. Each command runs three times and the
best time counts, so that a busy moment of the machine does not.
"""
import os
import random
import subprocess
import sys
import tempfile
import time

VALID = "abcdefghijklmnopqrstuvwxyz0123456789-"
FAULTY = " ._/$!ñéçü@ABCXYZ"
GOAL = 1_000_000


def make_name(rng):
    length = rng.randint(1, 60) if rng.random() < 0.3 else rng.randint(1, 20)
    chars = rng.choices(VALID, k=length)
    if chars[0] == "-" and rng.random() < 0.5:
        chars[0] = "q"
    if rng.random() < 0.33:
        for _ in range(rng.randint(1, 3)):
            chars[rng.randrange(length)] = rng.choice(FAULTY)
    return "".join(chars)


def best_time(command, stdin_path):
    best = None
    for _ in range(3):
        with open(stdin_path, "rb") as stdin:
            start = time.perf_counter()
            subprocess.run(command, stdin=stdin, stdout=subprocess.DEVNULL, check=True)
            took = time.perf_counter() - start
        best = took if best is None else min(best, took)
    return best


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: bench_cli.py PATH/TO/quorvel-code [COUNT]")
    coder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    rng = random.Random(20240611)
    names = [make_name(rng) for _ in range(count)]
    faulty = sum(1 for n in names if any(c not in VALID for c in n) or n.startswith("-") or len(n) > 40)

    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "names.txt")
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(names) + "\n")
        size = os.path.getsize(path)

        # One untimed run checks that every name gives exactly one line.
        with open(path, "rb") as stdin:
            out = subprocess.run([coder, "--json"], stdin=stdin, stdout=subprocess.PIPE, check=True).stdout
        lines = out.count(b"\n")
        if lines != count:
            sys.exit(f"quorvel-code wrote {lines} lines for {count} names")

        coder_s = best_time([coder, "--json"], path)
        cat_s = best_time(["cat"], path)

    rate = count / coder_s
    print(f"input: {count} names ({faulty} needing correction), {size} bytes")
    print(f"quorvel-code --json: {coder_s:.3f} s  {rate:,.0f} names/s  (goal: {GOAL:,} names/s)")
    print(f"cat:                 {cat_s:.3f} s")
    if rate < GOAL:
        print("below the goal")


if __name__ == "__main__":
    main()
