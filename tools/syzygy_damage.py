#!/usr/bin/env python3
"""Damaged Syzygy files against the engine: each case copies one file of a table set,
damages it, puts it alone in a folder with its table's other file (undamaged), has the
engine load that folder, search a position of that material (`go depth 8`) and, once the
search has ended, answer the console word `egtb`, then quit. A case passes when the engine answered both and
ended normally; it crashed when the engine died or ended with an error, hung when it
did not finish within the time limit. A sanitizer report on standard error counts as
a crash too.

Damage patterns, taken in turn for every file:
  truncated   the file cut at a random length (half of the cuts keep the size of a
              whole table file, 64 n + 16 bytes, so that only the reading can tell)
  header      1 to 16 bytes of the first 256 after the magic number set at random
  anywhere    1 to 64 bytes anywhere in the file set at random

  tools/syzygy_damage.py ENGINE [--tables DIR] [--count 1000] [--seed 1] [--jobs 2]
                         [--timeout 60] [--keep DIR] [--wine]

With --wine the engine is a Windows program run under Wine, handed Windows paths
(Z:\\...). Prints the cases by pattern and table, then one line per pattern with the
crashes and hangs, and keeps each failing case's folder below --keep.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from concurrent.futures import ThreadPoolExecutor

PATTERNS = ("truncated", "header", "anywhere")
PROGRESS_STEP = 25  # cases between two progress lines
MAGIC_BYTES = 4
HEADER_BYTES = 256
FILE_ALIGNMENT, CHECKSUM_BYTES = 64, 16
SANITIZER_REPORT = re.compile(r"AddressSanitizer|UndefinedBehaviorSanitizer|runtime error:")

# Moves of each piece letter as (file, rank) steps; sliders repeat theirs.
STEPS = {
    "N": [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)],
    "K": [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)],
    "B": [(1, 1), (-1, 1), (-1, -1), (1, -1)],
    "R": [(1, 0), (0, 1), (-1, 0), (0, -1)],
}
STEPS["Q"] = STEPS["B"] + STEPS["R"]
SLIDERS = "BRQ"


def attacks(board, square, piece):
    """Squares a piece (upper case white) on `square` attacks on `board` (square -> piece)."""
    file, rank = square % 8, square // 8
    letter = piece.upper()
    if letter == "P":
        forward = 1 if piece.isupper() else -1
        steps, slide = [(-1, forward), (1, forward)], False
    else:
        steps, slide = STEPS[letter], letter in SLIDERS
    for df, dr in steps:
        f, r = file + df, rank + dr
        while 0 <= f < 8 and 0 <= r < 8:
            yield r * 8 + f
            if not slide or (r * 8 + f) in board:
                break
            f, r = f + df, r + dr


def random_fen(stem, rng):
    """A random legal placement of a table's men ("KRBvKR": white first) as FEN."""
    sides = stem.split("v")
    for _ in range(10000):
        board = {}
        for colour, men in enumerate(sides):
            for letter in men:
                while True:
                    square = rng.randrange(64)
                    if square in board or (letter == "P" and square // 8 in (0, 7)):
                        continue
                    board[square] = letter if colour == 0 else letter.lower()
                    break
        white_to_move = rng.random() < 0.5
        # The side not to move must not be in check.
        waiting_king = "k" if white_to_move else "K"
        king_square = next(s for s, p in board.items() if p == waiting_king)
        movers = [(s, p) for s, p in board.items() if p.isupper() == white_to_move]
        if any(king_square in attacks(board, s, p) for s, p in movers):
            continue
        rows = []
        for rank in range(7, -1, -1):
            row, empty = "", 0
            for file in range(8):
                piece = board.get(rank * 8 + file)
                if piece is None:
                    empty += 1
                    continue
                row += (str(empty) if empty else "") + piece
                empty = 0
            rows.append(row + (str(empty) if empty else ""))
        return "/".join(rows) + (" w" if white_to_move else " b") + " - - 0 1"
    raise RuntimeError("no legal placement of " + stem)


def damage(data, pattern, rng):
    """The damaged bytes and a short description of the damage."""
    data = bytearray(data)
    if pattern == "truncated":
        if rng.random() < 0.5 and len(data) > FILE_ALIGNMENT + CHECKSUM_BYTES:
            lines = rng.randrange(1, (len(data) - CHECKSUM_BYTES) // FILE_ALIGNMENT)
            length = lines * FILE_ALIGNMENT + CHECKSUM_BYTES
        else:
            length = rng.randrange(0, len(data))
        return bytes(data[:length]), "cut to %d of %d bytes" % (length, len(data))
    if pattern == "header":
        end = min(len(data), MAGIC_BYTES + HEADER_BYTES)
        count = rng.randint(1, 16)
        for _ in range(count):
            data[rng.randrange(MAGIC_BYTES, end)] = rng.randrange(256)
        return bytes(data), "%d header bytes set" % count
    count = rng.randint(1, 64)
    for _ in range(count):
        data[rng.randrange(len(data))] = rng.randrange(256)
    return bytes(data), "%d bytes set" % count


def talk(command, search, after, timeout):
    """Sends `search` to the engine, waits for its "bestmove", then sends `after` (which
    asks "egtb" and quits) and waits for its end; (verdict, detail)."""
    proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, errors="replace")
    lines, errors = [], []
    searched = threading.Event()

    def read_output():
        for line in proc.stdout:
            lines.append(line)
            if line.startswith("bestmove"):
                searched.set()
        searched.set()

    readers = [threading.Thread(target=read_output), threading.Thread(target=lambda: errors.extend(proc.stderr))]
    for reader in readers:
        reader.start()
    deadline = time.monotonic() + timeout
    try:
        proc.stdin.write(search)
        proc.stdin.flush()
        searched.wait(timeout)
        proc.stdin.write(after)
        proc.stdin.close()
    except (BrokenPipeError, OSError):
        pass
    try:
        returncode = proc.wait(max(0.0, deadline - time.monotonic()))
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return "hang", "no end within %d s" % timeout
    finally:
        for reader in readers:
            reader.join()
    # "egtb" answers with a line at least (its Syzygy line only when tables are loaded).
    output = "".join(lines)
    answered = "bestmove" in output and output.split("bestmove", 1)[-1].partition("\n")[2].strip() != ""
    if SANITIZER_REPORT.search("".join(errors)):
        return "crash", "sanitizer report"
    if returncode != 0 or not answered:
        return "crash", "exit code %d%s" % (returncode, "" if answered else ", no answer")
    return "pass", ""


def engine_path(folder, wine):
    return "Z:" + folder.replace("/", "\\") if wine else folder


def run_case(args, case):
    """Runs one case; returns (case, verdict, detail)."""
    index, file_name, pattern = case
    rng = random.Random(args.seed * 1000003 + index)
    stem, suffix = os.path.splitext(file_name)
    partner = stem + (".rtbz" if suffix == ".rtbw" else ".rtbw")
    with open(os.path.join(args.tables, file_name), "rb") as original:
        damaged, description = damage(original.read(), pattern, rng)
    fen = random_fen(stem, rng)
    folder = tempfile.mkdtemp(prefix="velt-damage-")
    try:
        with open(os.path.join(folder, file_name), "wb") as out:
            out.write(damaged)
        if os.path.exists(os.path.join(args.tables, partner)):
            shutil.copy(os.path.join(args.tables, partner), folder)
        search = "uci\nsetoption name SyzygyPath value %s\nisready\nposition fen %s\ngo depth 8\n" % (
            engine_path(folder, args.wine), fen)
        commands = search + "egtb\nquit\n"
        command = (["wine"] if args.wine else []) + [args.engine]
        verdict, detail = talk(command, search, "egtb\nquit\n", args.timeout)
        if verdict != "pass" and args.keep:
            kept = os.path.join(args.keep, "%05d-%s-%s" % (index, pattern, file_name))
            shutil.copytree(folder, kept, dirs_exist_ok=True)
            with open(os.path.join(kept, "case.txt"), "w") as note:
                note.write("%s\n%s\n%s\n%s" % (description, fen, detail, commands))
        return case, verdict, "%s; %s; %s" % (description, fen, detail)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine")
    parser.add_argument("--tables", default=os.path.join(os.path.dirname(__file__), "../../shared/data/syzygy"))
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--first", type=int, default=0, help="number of the first case (to run a part)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=60)
    parser.add_argument("--keep", help="folder for the failing cases")
    parser.add_argument("--wine", action="store_true", help="run the engine under Wine")
    args = parser.parse_args()
    files = sorted(f for f in os.listdir(args.tables) if f.endswith((".rtbw", ".rtbz")))
    if not files:
        sys.exit("no Syzygy files in " + args.tables)
    # Every file in turn, and each file through the patterns in turn.
    cases = [(i, files[i % len(files)], PATTERNS[(i // len(files)) % len(PATTERNS)])
             for i in range(args.first, args.first + args.count)]
    tally = {pattern: {"pass": 0, "crash": 0, "hang": 0} for pattern in PATTERNS}
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for done, ((index, file_name, pattern), verdict, detail) in enumerate(
                pool.map(lambda c: run_case(args, c), cases), 1):
            tally[pattern][verdict] += 1
            if verdict != "pass":
                print("case %d %s %s: %s (%s)" % (index, pattern, file_name, verdict, detail), flush=True)
            if done % PROGRESS_STEP == 0:
                failed = sum(t["crash"] + t["hang"] for t in tally.values())
                print("%d cases done, up to case %d: %d crashed or hung" % (done, index, failed), flush=True)
    print("pattern     cases  crashes  hangs")
    for pattern in PATTERNS:
        counts = tally[pattern]
        total = sum(counts.values())
        if total:
            print("%-10s %6d %5d (%.1f %%) %3d (%.1f %%)" % (pattern, total, counts["crash"],
                                                           100.0 * counts["crash"] / total, counts["hang"],
                                                           100.0 * counts["hang"] / total))
    failures = sum(t["crash"] + t["hang"] for t in tally.values())
    print("%d cases over %d files: %d crashed or hung" % (len(cases), len(files), failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
