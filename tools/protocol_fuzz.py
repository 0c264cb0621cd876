#!/usr/bin/env python3
"""Protocol fuzzer: feeds an engine binary valid, near-valid and random lines of both
protocols, starting searches and sending option changes, positions and console words
while they run, and checks after every batch that the engine still answers. It fails
on a crash, a hang, a sanitizer report or an unclean exit, and writes the session's
lines to a file from which the failure can be replayed (velt < file).

    tools/protocol_fuzz.py ENGINE [--lines N] [--seed S] [--batch K] [--keep DIR]
    tools/protocol_fuzz.py ENGINE --replay FILE...

--replay feeds kept sessions again (a failure's lines, or the regression sessions in
fuzz/sessions), waiting for the answer to each "isready", and to each "ping" that
follows "?", as the fuzzer did.
"""

import argparse
import os
import queue
import random
import re
import subprocess
import sys
import tempfile
import threading
import time

# How long a batch may take to be answered before the engine counts as hung (seconds,
# PROTOCOL_FUZZ_TIMEOUT). Sanitizer builds are slow and a batch may hold a short
# search per "go".
ANSWER_TIMEOUT_S = int(os.environ.get("PROTOCOL_FUZZ_TIMEOUT", "60"))
SESSION_LINES = 2500  # lines per engine process

# The small Syzygy tables the tests hold, for SyzygyPath and "egtpath syzygy".
SYZYGY_TEST_TABLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "egtb", "data", "syzygy")

FENS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    "8/8/8/8/8/8/6k1/4K2R w - - 0 1",
    "5Q2/8/8/3k4/8/8/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/8/r3Q1K1/8 w - - 0 1",
    "8/8/8/4k3/8/8/3PK3/8 w - - 0 1",
    "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq g3 0 2",
]
# Moves that are legal in the start position or after common first moves; mixed with
# others they give legal, illegal and impossible move lists.
MOVES = ["e2e4", "e7e5", "d2d4", "d7d5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1", "e8g8", "c2c4",
         "e4d5", "d8d5", "b1c3", "a7a8q", "e7e8n", "h2h4", "a2a3", "e1c1", "O-O", "Nf3", "e5",
         "0000", "e2e5", "z9z9", "e2e4e", "e1h1", "O-O-O", "0-0", ""]
UCI_OPTIONS = [("Hash", ["1", "16", "64", "0", "-3", "x"]),
               ("MaxThreads", ["1", "2", "4", "16", "0", "17"]),
               ("MultiPV", ["1", "3", "5", "0", "9"]),
               ("Ponder", ["true", "false", "maybe"]),
               ("OwnBook", ["true", "false"]),
               ("BookPath", ["VeltBook.bin", "missing/book.bin", "", "/dev/null", "."]),
               ("NalimovPath", ["", "missing", ".", "a;b;c"]),
               ("NalimovCache", ["1", "128", "0"]),
               ("SaveAnalysisFile", ["", "analysis.bin", "missing/dir/a.bin", "."]),
               ("SaveAnalysisMinDepth", ["0", "3", "32", "-1"]),
               ("PruningLevel", ["0", "-1000", "100", "50"]),
               ("DrawContemptScore", ["0", "-100", "100"]),
               ("MinEgtbDepth", ["2", "3", "100"]),
               ("PreserveHash", ["true", "false"]),
               ("CanResign", ["true", "false"]),
               ("EnableBookLearning", ["true", "false"]),
               ("UCI_Opponent", ["GM 2800 computer X", "none", ""]),
               ("Clear Hash", [None]), ("Delete Analysis File", [None]),
               ("Threads", ["1", "2"]), ("UCI_Chess960", ["true", "false"]), ("UCI_ShowWDL", ["true", "false"]),
               ("SyzygyPath", ["", "missing", SYZYGY_TEST_TABLES, SYZYGY_TEST_TABLES + ":missing"]),
               ("SyzygyProbeDepth", ["1", "100", "0"]), ("SyzygyProbeLimit", ["0", "4", "7", "9"]),
               ("Syzygy50MoveRule", ["true", "false"]), ("NoSuchOption", ["1"])]


def pick(rng, items):
    return items[rng.randrange(len(items))]


def number(rng):
    return pick(rng, ["0", "1", "3", "-1", "5", "20", "100", "999999999999", "x", "2147483648", "-0", "1e9"])


def move_list(rng):
    return " ".join(pick(rng, MOVES) for _ in range(rng.randrange(6)))


def uci_valid(rng):
    kind = rng.randrange(10)
    if kind == 0:
        return "position startpos moves " + move_list(rng)
    if kind == 1:
        return "position fen " + pick(rng, FENS) + (" moves " + move_list(rng) if rng.random() < 0.5 else "")
    if kind == 2:
        return pick(rng, ["go infinite", "go depth 4", "go depth 8", "go movetime 50", "go nodes 20000",
                          "go mate 2", "go wtime 300 btime 300 winc 10 binc 10", "go ponder wtime 500 btime 500",
                          "go searchmoves e2e4 d2d4 depth 5", "go movestogo 3 wtime 200 btime 9000"])
    if kind == 3:
        name, values = pick(rng, UCI_OPTIONS)
        value = pick(rng, values)
        return "setoption name %s" % name + ("" if value is None else " value %s" % value)
    return pick(rng, ["stop", "ponderhit", "isready", "ucinewgame", "debug on", "debug off", "uci", "stop"])


def xboard_valid(rng):
    kind = rng.randrange(10)
    if kind == 0:
        return "setboard " + pick(rng, FENS)
    if kind == 1:
        return pick(rng, MOVES) or "e2e4"
    if kind == 2:
        return pick(rng, ["go", "analyze", "exit", ".", "?", "force", "playother", "hint", "bk", "undo",
                          "remove", "new", "post", "nopost", "hard", "easy", "draw", "computer"])
    if kind == 3:
        return pick(rng, ["level 40 5 0", "level 0 0:02 0.05", "level 0 1 0", "st 1", "sd 3", "sd 6",
                          "time 100", "otim 100", "time 5", "memory 16", "cores 2", "result 1-0 {x}",
                          "name Tester", "ping 7", "option Hash=16", "egtpath syzygy missing", "egtpath syzygy " + SYZYGY_TEST_TABLES,
                          "variant normal", "variant fischerandom", "variant crazyhouse"])
    return pick(rng, ["ping 3", "force", "new", "post", "exit", "?"])


def console_word(rng):
    return pick(rng, ["board", "chk", "fen", "fen " + pick(rng, FENS), "fen garbage", "egtb", "perft 1",
                      "perft 2", "perft 3", "perft 0", "perft 99", "perft x", "fen 960 518", "fen 960 0", "fen 960 959",
                      "fen 960 960", "fen 960 x"])


def near_valid(rng, line):
    """A valid line broken in one place: cut, a word doubled, dropped or swapped, a
    number replaced, a letter's case changed, or control characters inserted."""
    words = line.split(" ")
    kind = rng.randrange(7)
    if kind == 0 and len(line) > 1:
        return line[:rng.randrange(1, len(line))]
    if kind == 1 and words:
        i = rng.randrange(len(words))
        words.insert(i, words[i])
    elif kind == 2 and len(words) > 1:
        del words[rng.randrange(len(words))]
    elif kind == 3 and len(words) > 1:
        i, j = rng.randrange(len(words)), rng.randrange(len(words))
        words[i], words[j] = words[j], words[i]
    elif kind == 4 and words:
        words[rng.randrange(len(words))] = number(rng)
    elif kind == 5:
        return line.swapcase()
    else:
        at = rng.randrange(len(line) + 1)
        return line[:at] + "".join(chr(rng.randrange(1, 32)) for _ in range(3)) + line[at:]
    return " ".join(words)


def random_line(rng):
    if rng.random() < 0.1:
        return "x" * rng.randrange(1000, 20000)  # overlong
    return "".join(chr(rng.randrange(1, 256)) for _ in range(rng.randrange(1, 80)))


def make_line(rng, uci):
    """One line, never holding a line feed (which would make it two)."""
    return pick_line(rng, uci).replace("\n", " ")


def pick_line(rng, uci):
    roll = rng.random()
    valid = uci_valid(rng) if uci else xboard_valid(rng)
    if roll < 0.55:
        return valid
    if roll < 0.65:
        return console_word(rng)
    if roll < 0.9:
        return near_valid(rng, valid)
    return random_line(rng)


def ends_session(line, uci):
    """Whether a line would end the session, switch the protocol or run the minutes-long
    speed index or bench: those are not fed. The engine splits words at blanks and tabs and
    reads the first word in any case."""
    words = re.split(r"[ \t]+", line.strip(" \t"))
    first = words[0].lower()
    return first in ("quit", "si", "bench", "uci" if not uci else "xboard") or (first == "xboard" and uci)


class Engine:
    def __init__(self, binary, directory):
        self.process = subprocess.Popen([os.path.abspath(binary)], cwd=directory, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, bufsize=0)
        self.lines = queue.Queue()
        self.errors = []
        threading.Thread(target=self._read, args=(self.process.stdout, self.lines.put), daemon=True).start()
        threading.Thread(target=self._read, args=(self.process.stderr, self.errors.append), daemon=True).start()

    @staticmethod
    def _read(stream, sink):
        for raw in iter(stream.readline, b""):
            sink(raw.decode("latin-1").rstrip("\r\n"))
        sink(None)

    def send(self, line):
        try:
            self.process.stdin.write(line.encode("latin-1", "replace") + b"\n")
            return True
        except (BrokenPipeError, OSError):
            return False

    def wait_for(self, expected):
        deadline = time.monotonic() + ANSWER_TIMEOUT_S
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return "no answer within %d s" % ANSWER_TIMEOUT_S
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                return "output ended (exit code %s)" % self.process.wait()
            if line == expected:
                return None

    def finish(self):
        self.send("quit")
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            code = self.process.wait(timeout=ANSWER_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return "did not leave on quit"
        return None if code == 0 else "exit code %d" % code


SANITIZER_MARKS = ("AddressSanitizer", "UndefinedBehaviorSanitizer", "runtime error:", "LeakSanitizer",
                   "ThreadSanitizer")


def run_session(binary, rng, uci, lines, batch, keep):
    """One engine process; returns (lines sent, failure text or None)."""
    with tempfile.TemporaryDirectory() as directory:
        engine = Engine(binary, directory)
        sent = ["uci"] if uci else ["xboard", "protover 2"]
        for line in sent:
            engine.send(line)
        failure = engine.wait_for("uciok" if uci else "feature done=1")
        count = 0
        sync = 0
        while failure is None and count < lines:
            for _ in range(batch):
                line = make_line(rng, uci)
                if ends_session(line, uci):
                    continue
                sent.append(line)
                engine.send(line)
                count += 1
            # Every batch ends with a question the engine must answer: "isready" even
            # while a search runs; "?" first in xboard, so that a search for its own
            # move ends now and "ping" does not wait for the clock.
            sync += 1
            closing = ["isready"] if uci else ["?", "ping %d" % sync]
            for line in closing:
                sent.append(line)
                engine.send(line)
            failure = engine.wait_for("readyok" if uci else "pong %d" % sync)
        if failure is None:
            failure = engine.finish()
        else:
            engine.process.kill()
            engine.process.wait()
        time.sleep(0.05)  # let the stderr reader take the last lines
        reports = [e for e in engine.errors if e and any(mark in e for mark in SANITIZER_MARKS)]
        if reports and failure is None:
            failure = "sanitizer: " + reports[0]
        if failure is not None:
            os.makedirs(keep, exist_ok=True)
            path = os.path.join(keep, "protocol-fuzz-%d.txt" % os.getpid())
            with open(path, "w", encoding="latin-1", errors="replace") as replay:
                replay.write("\n".join(sent) + "\nquit\n")
            failure += " (lines in %s)" % path
            for error in engine.errors[:20]:
                if error:
                    print("  stderr: " + error, file=sys.stderr)
        return count, failure


def replay(binary, path):
    """Feeds one kept session; returns the failure text or None."""
    with open(path, encoding="latin-1", newline="") as kept:
        lines = kept.read().split("\n")
    with tempfile.TemporaryDirectory() as directory:
        engine = Engine(binary, directory)
        failure = None
        for number, line in enumerate(lines, 1):
            if line == "quit":
                break
            engine.send(line)
            expected = {"uci": "uciok", "protover 2": "feature done=1", "isready": "readyok"}.get(line)
            if line.startswith("ping ") and re.fullmatch(r"ping \d+", line) and number > 2:
                expected = "pong " + line[5:]
            if expected and not (line.startswith("ping ") and lines[number - 2] != "?"):
                failure = engine.wait_for(expected)
                if failure:
                    failure = "line %d (%s): %s" % (number, line, failure)
                    break
        if failure:
            engine.process.kill()
            return failure
        return engine.finish()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("engine")
    parser.add_argument("--lines", type=int, default=100000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--batch", type=int, default=40)
    parser.add_argument("--keep", default=".", help="where a failing session's lines are written")
    parser.add_argument("--replay", nargs="+", metavar="FILE", help="kept sessions to feed again")
    args = parser.parse_args()
    if args.replay:
        failures = 0
        for path in args.replay:
            failure = replay(args.engine, path)
            print("replay %s: %s" % (path, failure or "clean"))
            failures += failure is not None
        return 1 if failures else 0
    rng = random.Random(args.seed)
    total = 0
    sessions = 0
    start = time.monotonic()
    while total < args.lines:
        uci = sessions % 2 == 0
        count, failure = run_session(args.engine, rng, uci, min(SESSION_LINES, args.lines - total), args.batch,
                                     args.keep)
        total += count
        sessions += 1
        if failure is not None:
            print("protocol fuzz: %s session %d failed after %d lines in all: %s"
                  % ("uci" if uci else "xboard", sessions, total, failure))
            return 1
    print("protocol fuzz: %d lines in %d sessions (both protocols, seed %d), no crash, hang or sanitizer report, "
          "%.0f s" % (total, sessions, args.seed, time.monotonic() - start))
    return 0


if __name__ == "__main__":
    sys.exit(main())
