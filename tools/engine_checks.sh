# Checks of an engine built for another system, run through a launcher (Wine, qemu),
# shared by tools/check_windows.sh and tools/check_arm64.sh, which set CHECK_NAME and
# source this file. Each check prints its results, calls `fail` for each failure, and
# takes the command that starts the engine as its last arguments; `finish` ends the
# script with the verdict.

failures=0
fail() { echo "$CHECK_NAME: FAILED: $*" >&2; failures=$((failures + 1)); }
finish() {
  if [ "$failures" -gt 0 ]; then echo "$CHECK_NAME: $failures failure(s)" >&2; exit 1; fi
  echo "$CHECK_NAME: passed"
  exit 0
}

# perft on seven well-known positions: the published leaf counts.
check_perft() {
  echo "$CHECK_NAME: perft"
  while IFS=';' read -r fen depth expected; do
    result=$(printf 'fen %s\nperft %s\nquit\n' "$fen" "$depth" | "$@" 2>&1 | tr -d '\r' |
             sed -n 's/^Nodes searched: //p')
    if [ "$result" = "$expected" ]; then echo "  $depth $expected  $fen"; else fail "perft $depth of $fen: '$result', expected $expected"; fi
  done <<'POSITIONS'
rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -;5;4865609
r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -;4;4085603
8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -;5;674624
r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -;4;422333
r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -;4;422333
rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -;4;2103487
r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w -;4;3894594
POSITIONS
}

# `si`: the same node counts as the native engine ($1); the speeds are shown side by side.
check_si() {
  echo "$CHECK_NAME: si"
  native=$1
  shift
  si_lines() { printf 'si\nquit\n' | "$@" 2>&1 | tr -d '\r' | grep -iE 'nodes|knps|speed index'; }
  native_si=$(si_lines "$native")
  other_si=$(si_lines "$@")
  echo "  native:"; echo "$native_si" | sed 's/^/    /'
  echo "  $CHECK_NAME:"; echo "$other_si" | sed 's/^/    /'
  counts() { echo "$1" | grep -oE '[Nn]odes[^0-9]*[0-9]+' | grep -oE '[0-9]+$'; }
  if [ -z "$(counts "$native_si")" ] || [ "$(counts "$native_si")" != "$(counts "$other_si")" ]; then
    fail "si node counts differ"
  fi
}
