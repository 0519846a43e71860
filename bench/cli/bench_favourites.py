#!/usr/bin/env python3
"""Times quorvel-favourites on 100,000 favourites: import from CSV into an empty file, export as CSV and as
JSON, and list --figure; and shows that the memory an import needs does not grow with its input (the largest
resident size of an import of 100,000 and of 400,000 rows).

    bench_favourites.py PATH/TO/quorvel-favourites [COUNT]

Names are random valid names of 3 to 14 characters with one of the four figures; the seed is fixed, so every
run times the same input. Each command runs three times (an import each time into a new, empty file) and the
best time counts, so that a busy moment of the machine does not.
"""
import os
import random
import subprocess
import sys
import tempfile
import time

SYMBOLS = "abcdefghijklmnopqrstuvwxyz0123456789-"
GOALS = {"import": 3.0, "export csv": 1.0, "export json": 1.0, "list --figure r": 0.5}


def make_csv(path, count, rng):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("name,figure,address\r\n")
        for _ in range(count):
            length = rng.randint(3, 14)
            name = rng.choice(SYMBOLS[:36]) + "".join(rng.choices(SYMBOLS, k=length - 1))
            f.write(f"{name},{rng.choice('rctp')},\r\n")


def timed(command, env, stdout=subprocess.DEVNULL):
    """Runs a command; returns (seconds, largest resident size in MiB, exit status)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    took = time.perf_counter() - start
    return took, usage.ru_maxrss / 1024.0, os.waitstatus_to_exitcode(status)


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: bench_favourites.py PATH/TO/quorvel-favourites [COUNT]")
    program = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    rng = random.Random(20261208)
    results = {}
    with tempfile.TemporaryDirectory() as work:
        csv = os.path.join(work, "in.csv")
        make_csv(csv, count, rng)
        big = os.path.join(work, "big.csv")
        make_csv(big, count * 4, rng)
        env = dict(os.environ)

        def fresh_dir(tag):
            folder = tempfile.mkdtemp(dir=work, prefix=tag)
            env["QUORVEL_DATA_DIR"] = folder
            return folder

        best = None
        for attempt in range(3):
            fresh_dir("import")
            took, rss, status = timed([program, "import", csv], env)
            if status != 0:
                sys.exit(f"import failed with status {status}")
            best = (took, rss) if best is None or took < best[0] else best
        results["import"] = best
        kept_dir = env["QUORVEL_DATA_DIR"]

        for name, command in [("export csv", [program, "export", os.path.join(work, "out.csv")]),
                              ("export json", [program, "export", os.path.join(work, "out.json")]),
                              ("list --figure r", [program, "list", "--figure", "r"])]:
            env["QUORVEL_DATA_DIR"] = kept_dir
            runs = [timed(command, env) for _ in range(3)]
            results[name] = min(runs)[:2]

        with open(os.path.join(work, "out.csv"), "rb") as f:
            exported = f.read().count(b"\n") - 1
        fresh_dir("big")
        took_big, rss_big, status = timed([program, "import", big], env)
        if status != 0:
            sys.exit(f"import of {count * 4} rows failed with status {status}")

    print(f"{count} rows in, {exported} distinct favourites kept")
    for name, (took, rss) in results.items():
        goal = GOALS[name]
        verdict = "ok" if took <= goal else "ABOVE THE GOAL"
        print(f"{name:16s} {took:6.3f} s  (goal {goal:.1f} s, {verdict})  max resident {rss:6.1f} MiB")
    print(f"import of {count * 4} rows: {took_big:6.3f} s, max resident {rss_big:6.1f} MiB "
          f"(against {results['import'][1]:.1f} MiB for {count})")


if __name__ == "__main__":
    main()
