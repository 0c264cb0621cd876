#!/usr/bin/env python3
"""Time to a fixed depth: how long the engine takes to finish `go depth D` on the
six castled middle-game positions below (or positions given in a file, one FEN a
line), for each thread count asked. Each search runs in a fresh engine process with
a cleared hash table, so that the figures do not depend on the order of the runs.

  tools/time_to_depth.py ENGINE [--depth 15] [--threads 1,2] [--hash 64] [--positions FILE]
"""
import argparse
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
    send(f"setoption name Threads value {threads}")
    send(f"setoption name Hash value {hash_mb}")
    send("ucinewgame")
    send("position fen " + fen)
    send("isready")
    wait_for("readyok")
    start = time.monotonic()
    send(f"go depth {depth}")
    nodes = 0
    for line in proc.stdout:
        words = line.split()
        if "nodes" in words:
            nodes = int(words[words.index("nodes") + 1])
        if line.startswith("bestmove"):
            break
    elapsed = time.monotonic() - start
    send("quit")
    proc.wait()
    return elapsed, nodes


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine")
    parser.add_argument("--depth", type=int, default=15)
    parser.add_argument("--threads", default="1,2")
    parser.add_argument("--hash", type=int, default=64)
    parser.add_argument("--positions")
    args = parser.parse_args()
    fens = MIDDLE_GAMES
    if args.positions:
        with open(args.positions) as f:
            fens = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    counts = [int(t) for t in args.threads.split(",")]
    totals = {t: 0.0 for t in counts}
    for fen in fens:
        row = []
        for threads in counts:
            seconds, nodes = search_time(args.engine, fen, args.depth, threads, args.hash)
            totals[threads] += seconds
            row.append(f"{threads}t {seconds:6.2f} s {nodes:>10} nodes")
        print(" | ".join(row), " ", fen, flush=True)
    base = totals[counts[0]]
    print("total: " + ", ".join(f"{t} threads {totals[t]:.2f} s (ratio {totals[t] / base:.2f})" for t in counts))
    return 0


if __name__ == "__main__":
    sys.exit(main())
