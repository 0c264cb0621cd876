#!/usr/bin/env python3
"""Time to a fixed depth: how long the engine takes to finish `go depth D` on the
six castled middle-game positions below (or positions given in a file, one FEN a
line), for each thread count asked. Each search runs in a fresh engine process with
a cleared hash table, so that the figures do not depend on the order of the runs.

With --repeat N every thread count searches every position N times, in rounds: each
round runs all positions at all thread counts once. A machine whose speed drifts
then slows all thread counts alike, and the spread of the per-round ratios shows how
far one figure can be trusted.

  tools/time_to_depth.py ENGINE [--depth 15] [--threads 1,2] [--hash 64] [--repeat 1]
                         [--positions FILE]
"""
import argparse
import statistics
import subprocess
import sys
import time

MIDDLE_GAMES = [
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R1BQ1RK1 w - - 0 9",
    "r2q1rk1/1b1nbppp/pp1ppn2/8/2PNP3/1PN1B3/P3BPPP/R2Q1RK1 w - - 0 11",
    "2rq1rk1/pb2bppp/1p2pn2/n2p4/2PP4/P1NBPN2/1B3PPP/R2QK2R w KQ - 0 12",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2N2Q2/PPP3PP/2KR1B1R w - - 0 13",
    "r4rk1/pp1nqppp/2pbpn2/3p4/2PP4/1PN1PN2/PB3PPP/R2Q1RK1 w - - 0 11",
    "r1bqr1k1/pp3ppp/2nb1n2/3p4/3P4/2NB1N2/PP3PPP/R1BQR1K1 w - - 0 11",
]


def search_time(engine, fen, depth, threads, hash_mb):
    """Seconds from `go` to `bestmove`, and the last node count reported."""
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(line):
        proc.stdin.write(line + "\n")
        proc.stdin.flush()

    def wait_for(word):
        for line in proc.stdout:
            if line.startswith(word):
                return line
        raise RuntimeError("engine ended before " + word)

    send("uci")
    wait_for("uciok")
    send("debug on")
    send(f"setoption name Threads value {threads}")
    send(f"setoption name Hash value {hash_mb}")
    send("ucinewgame")
    send("position fen " + fen)
    send("isready")
    wait_for("readyok")
    start = time.monotonic()
    send(f"go depth {depth}")
    nodes = 0
    counters = {}
    for line in proc.stdout:
        words = line.split()
        if words[:3] == ["info", "string", "parallel"]:
            counters = parallel_counters(words[3:])
        elif words and words[0] == "info" and "nodes" in words:
            nodes = int(words[words.index("nodes") + 1])
        if line.startswith("bestmove"):
            break
    elapsed = time.monotonic() - start
    send("quit")
    proc.wait()
    return elapsed, nodes, counters


def parallel_counters(words):
    """The counters of the debug line: name value pairs, the waits a list by thread."""
    counters = {}
    name = None
    for word in words:
        if word.isdigit() and name is not None:
            if name == "wait_ms":
                counters.setdefault(name, []).append(int(word))
            else:
                counters[name] = int(word)
        else:
            name = word
    return counters


def add_counters(total, counters, seconds):
    for name, value in counters.items():
        if name == "wait_ms":
            waits = total.setdefault(name, [0] * len(value))
            for i, ms in enumerate(value):
                waits[i] += ms
        else:
            total[name] = total.get(name, 0) + value
    total["seconds"] = total.get("seconds", 0.0) + seconds


def counter_summary(total):
    if not total.get("wait_ms"):
        return ""
    seconds = total["seconds"]
    waits = " ".join(f"{ms / 10 / seconds:.0f}%" for ms in total["wait_ms"])
    return (f"splits {total.get('splits', 0)} copies {total.get('copies', 0)} "
            f"abandoned {total.get('abandoned', 0)} ({total.get('abandoned_nodes', 0)} nodes) "
            f"split time {total.get('split_us', 0) / 1000:.0f} ms, waiting by thread {waits}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine")
    parser.add_argument("--depth", type=int, default=15)
    parser.add_argument("--threads", default="1,2")
    parser.add_argument("--hash", type=int, default=64)
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--positions")
    args = parser.parse_args()
    fens = MIDDLE_GAMES
    if args.positions:
        with open(args.positions) as f:
            fens = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    counts = [int(t) for t in args.threads.split(",")]
    # seconds[t][r][p] and nodes[t][p] (summed over rounds) by thread count
    seconds = {t: [[0.0] * len(fens) for _ in range(args.repeat)] for t in counts}
    nodes = {t: [0] * len(fens) for t in counts}
    counter_totals = {t: {} for t in counts}
    for round_index in range(args.repeat):
        for p, fen in enumerate(fens):
            row = []
            for threads in counts:
                run_seconds, run_nodes, counters = search_time(args.engine, fen, args.depth, threads, args.hash)
                seconds[threads][round_index][p] = run_seconds
                nodes[threads][p] += run_nodes
                add_counters(counter_totals[threads], counters, run_seconds)
                row.append(f"{threads}t {run_seconds:6.2f} s {run_nodes:>10} nodes")
            print(f"round {round_index + 1}: " + " | ".join(row), " ", fen, flush=True)
    base = counts[0]
    round_totals = {t: [sum(r) for r in seconds[t]] for t in counts}
    mean = {t: statistics.fmean(round_totals[t]) for t in counts}
    parts = []
    for t in counts:
        ratios = [total / base_total for total, base_total in zip(round_totals[t], round_totals[base])]
        spread = f" {min(ratios):.2f}-{max(ratios):.2f} by round" if args.repeat > 1 and t != base else ""
        parts.append(f"{t} threads {mean[t]:.2f} s (ratio {mean[t] / mean[base]:.2f}{spread})")
    print("total per round: " + ", ".join(parts))
    print("nodes per search: " + ", ".join(
        f"{t} threads {sum(nodes[t]) // (args.repeat * len(fens))}" for t in counts))
    for threads in counts:
        summary = counter_summary(counter_totals[threads])
        if summary:
            print(f"{threads} threads: {summary}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
