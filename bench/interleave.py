#!/usr/bin/env python3
"""Times two commands side by side: A, B, A, B... and prints the median wall time of each, in
seconds, as "A B". Alternating keeps slow drifts of the machine from favouring either.

    interleave.py RUNS "command A" "command B"
"""
import shlex
import statistics
import subprocess
import sys
import time


def wall_time(command):
    start = time.perf_counter()
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main(runs, a, b):
    commands = [shlex.split(a), shlex.split(b)]
    for command in commands:  # warm the caches for both
        wall_time(command)
    times = [[], []]
    for _ in range(runs):
        for side, command in enumerate(commands):
            times[side].append(wall_time(command))
    print(f"{statistics.median(times[0]):.4f} {statistics.median(times[1]):.4f}")


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2], sys.argv[3])
