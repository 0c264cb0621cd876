#!/usr/bin/env python3
"""Nodes per second of two builds, measured side by side: each round runs `si` in
both at the same time, each pinned to a core of its own, and swaps the cores for the
next round. A host whose speed drifts, or another guest that takes the machine for a
second, then slows both alike, and the ratio of a round stays trustworthy where runs
one after the other differ by 15 %. The two builds must search the same tree: a round
whose node counts differ stops the comparison.

With --stockfish the second program is a Stockfish, run with `bench 16 1 13`, for the
engine's speed as a multiple of Stockfish's.

  tools/speed_compare.py ENGINE_A ENGINE_B [--rounds 20] [--stockfish]

Prints each round's speeds and B / A (A / B against a Stockfish: how many times its
speed Velt runs at), then the mean ratio with its 95 % margin.
Linux only (core pinning); needs two cores.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

SI_SPEED = re.compile(r"Avg KNPS for this machine is ([0-9.]+)")
SI_NODES = re.compile(r"Position \d+ ->.*Nodes: (\d+)")
STOCKFISH_SPEED = re.compile(r"Nodes/second\s*:\s*(\d+)")


def start(command, core, stockfish):
    """Starts one benchmark pinned to `core`; its output is read by finish()."""
    if stockfish:
        args, feed = [command, "bench", "16", "1", "13"], ""
    else:
        args, feed = [command], "si\nquit\n"
    proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, preexec_fn=lambda: os.sched_setaffinity(0, {core}))
    proc.stdin.write(feed)
    proc.stdin.close()
    return proc


def finish(proc, stockfish):
    """(knps, node counts) of a finished benchmark; node counts only for si."""
    output = proc.stdout.read()
    proc.wait()
    if stockfish:
        match = STOCKFISH_SPEED.search(output)
        if not match:
            raise RuntimeError("no 'Nodes/second' in Stockfish's bench output")
        return int(match.group(1)) / 1000, None
    match = SI_SPEED.search(output)
    if not match:
        raise RuntimeError("no speed line in the si output:\n" + output[-500:])
    return float(match.group(1)), SI_NODES.findall(output)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine_a")
    parser.add_argument("engine_b")
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--stockfish", action="store_true", help="ENGINE_B is a Stockfish: run its bench")
    args = parser.parse_args()
    if len(os.sched_getaffinity(0)) < 2:
        print("speed_compare: needs two cores", file=sys.stderr)
        return 2
    cores = sorted(os.sched_getaffinity(0))[:2]
    label = "A/B" if args.stockfish else "B/A"
    ratios = []
    speeds_a, speeds_b = [], []
    for round_index in range(args.rounds):
        core_a, core_b = cores if round_index % 2 == 0 else cores[::-1]
        try:
            proc_a = start(args.engine_a, core_a, False)
            proc_b = start(args.engine_b, core_b, args.stockfish)
            knps_a, nodes_a = finish(proc_a, False)
            knps_b, nodes_b = finish(proc_b, args.stockfish)
        except (OSError, RuntimeError) as error:
            print(f"speed_compare: {error}", file=sys.stderr)
            return 2
        if nodes_b is not None and nodes_a != nodes_b:
            print(f"speed_compare: the builds searched different trees: {nodes_a} against {nodes_b}",
                  file=sys.stderr)
            return 1
        ratios.append(knps_a / knps_b if args.stockfish else knps_b / knps_a)
        speeds_a.append(knps_a)
        speeds_b.append(knps_b)
        print(f"round {round_index + 1}: A {knps_a:8.1f} knps  B {knps_b:8.1f} knps  {label} {ratios[-1]:.3f}",
              flush=True)
    mean = statistics.fmean(ratios)
    margin = 1.96 * statistics.stdev(ratios) / len(ratios) ** 0.5 if len(ratios) > 1 else float("nan")
    print(f"mean: A {statistics.fmean(speeds_a):.1f} knps, B {statistics.fmean(speeds_b):.1f} knps, "
          f"{label} {mean:.3f} +- {margin:.3f} (95 %, {len(ratios)} rounds)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
