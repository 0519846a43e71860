#!/usr/bin/env python3
"""Times quorvel-code --json over two lists of generated names and prints names per second beside the time
of merely copying the same input with cat.

    bench_cli.py PATH/TO/quorvel-code [COUNT]

The mostly valid list: about two thirds of the names are valid; the rest carry the faults people type:
capitals, blanks, dots, accented letters, leading hyphens, and names longer than forty characters. Lengths
run from 1 to 60 characters.

The fault-heavy list: lengths from 1 to 60 characters drawn uniformly, each character drawn uniformly from
44 characters of which four are not name symbols ("$", blank, "Ñ", "é"), so a name has about three
corrections and many are also cut at forty characters. Its report is about 1.15 KB of JSON a name.

The seeds are fixed, so every run times the same input. Each command runs three times and the best time
counts, so that a busy moment of the machine does not.
"""
import os
import random
import resource
import subprocess
import sys
import tempfile
import time

VALID = "abcdefghijklmnopqrstuvwxyz0123456789-"
FAULTY = " ._/$!ñéçü@ABCXYZ"
HEAVY = "abcdefghijklmnopqrstuvwxyz0123456789-$ ABCÑé"
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


def make_heavy_name(rng):
    return "".join(rng.choices(HEAVY, k=rng.randint(1, 60)))


def needs_correction(name):
    return any(c not in VALID for c in name) or name.startswith("-") or len(name) > 40


def best_time(command, stdin_path):
    """The best wall-clock time of three runs, and the best processor time (user and system) of the same
    runs, which a machine shared with other work disturbs less."""
    best = None
    best_cpu = None
    for _ in range(3):
        with open(stdin_path, "rb") as stdin:
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run(command, stdin=stdin, stdout=subprocess.DEVNULL, check=True)
            took = time.perf_counter() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        best = took if best is None else min(best, took)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
    return best, best_cpu


def bench(coder, title, names, work):
    count = len(names)
    path = os.path.join(work, "names.txt")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(names) + "\n")
    size = os.path.getsize(path)

    # One untimed run checks that every name gives exactly one line, counting them as they come so that a
    # report of more than a gigabyte is never held in memory.
    lines = 0
    out_bytes = 0
    with open(path, "rb") as stdin:
        proc = subprocess.Popen([coder, "--json"], stdin=stdin, stdout=subprocess.PIPE)
        while block := proc.stdout.read(1 << 20):
            lines += block.count(b"\n")
            out_bytes += len(block)
        if proc.wait() != 0:
            sys.exit(f"quorvel-code failed on the {title} list")
    if lines != count:
        sys.exit(f"quorvel-code wrote {lines} lines for {count} names")

    coder_s, coder_cpu = best_time([coder, "--json"], path)
    cat_s, cat_cpu = best_time(["cat"], path)
    rate = count / coder_s
    faulty = sum(1 for n in names if needs_correction(n))
    print(f"{title}: {count} names ({faulty} needing correction), {size} bytes in, {out_bytes} bytes of JSON out")
    print(f"  quorvel-code --json: {coder_s:.3f} s  {rate:,.0f} names/s  {out_bytes / coder_s / 1e6:,.0f} MB/s"
          f"  (goal: {GOAL:,} names/s){'  below the goal' if rate < GOAL else ''}")
    print(f"                       processor time {coder_cpu:.3f} s  {count / max(coder_cpu, 1e-9):,.0f} names/s")
    print(f"  cat:                 {cat_s:.3f} s  processor time {cat_cpu:.3f} s")
    return rate >= GOAL


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: bench_cli.py PATH/TO/quorvel-code [COUNT]")
    coder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    with tempfile.TemporaryDirectory() as work:
        rng = random.Random(20240611)
        bench(coder, "mostly valid", [make_name(rng) for _ in range(count)], work)
        rng = random.Random(20261208)
        bench(coder, "fault-heavy", [make_heavy_name(rng) for _ in range(count)], work)


if __name__ == "__main__":
    main()
