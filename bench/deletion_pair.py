#!/usr/bin/env python3
"""Times two programs that each delete the same data folder, side by side: before every run
the folder is made afresh (FOLDERS folders of FILES files each, nothing at its top level),
then A, B, A, B... run, and the median wall time of each is printed, in seconds, as "A B".
A run that leaves anything of the folder behind stops the measurement.

    deletion_pair.py RUNS UNIX_FOLDER FOLDERS FILES "command A" "command B"
"""
import os
import shutil
import statistics
import shlex
import sys

from interleave import wall_time


def make_tree(folder, folders, files):
    shutil.rmtree(folder, ignore_errors=True)
    for f in range(folders):
        sub = os.path.join(folder, f"set{f:03}")
        os.makedirs(sub)
        for n in range(files):
            with open(os.path.join(sub, f"driver{n:04}.bak"), "wb") as out:
                out.write(b"backup %d %d\n" % (f, n))


def main(runs, folder, folders, files, a, b):
    commands = [shlex.split(a), shlex.split(b)]
    times = [[], []]
    for run in range(runs + 1):  # the first round warms the caches
        for side, command in enumerate(commands):
            make_tree(folder, folders, files)
            elapsed = wall_time(command)
            if os.path.lexists(folder):
                sys.exit(f"deletion_pair: {command[-1]} left {folder} behind")
            if run:
                times[side].append(elapsed)
    print(f"{statistics.median(times[0]):.4f} {statistics.median(times[1]):.4f}")


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5],
         sys.argv[6])
