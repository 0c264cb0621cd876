#!/bin/sh
# Soak run: Velt against itself through the game driver, UCI against xboard at
# 2 s + 0.02 s a move, in four equal parts: one and two search threads, each without
# and with pondering. Fails on any illegal move, time loss, crash, wrong result line
# or game that could not start. The games are kept in OUT/soak-*.pgn.
#
#   tools/soak.sh BUILD_DIR [GAMES] [OUT]      (GAMES defaults to 1000, OUT to BUILD_DIR/soak)
set -eu
build=$(cd "${1:?usage: tools/soak.sh BUILD_DIR [GAMES] [OUT]}" && pwd)
games=${2:-1000}
out=${3:-$build/soak}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
positions="$source_dir/tests/e2e/data/match_positions.txt"
# Time the pipes themselves may take between the driver and an engine.
transport_ms=20
per_part=$(( (games + 3) / 4 ))
mkdir -p "$out"
status=0
for threads in 1 2; do
  for ponder in off on; do
    part="threads$threads-ponder-$ponder"
    # The engines run in the part's directory, so that its configuration file applies.
    dir="$out/$part"
    mkdir -p "$dir"
    printf 'MAX_THREADS = %s\n' "$threads" > "$dir/velt.cfg"
    flag=""
    [ "$ponder" = on ] && flag="-ponder"
    echo "soak: $per_part games, $part"
    (cd "$dir" && "$build/match" -e1 "$build/velt" -p1 uci -e2 "$build/velt" -p2 xboard -games "$per_part" \
      -tc 2+0.02 -maxplies 400 -transport "$transport_ms" -positions "$positions" -pgn "$out/soak-$part.pgn" \
      -results $flag) > "$out/$part.log" 2>&1 || status=1
    summary=$(grep '^summary ' "$out/$part.log" || echo "summary missing")
    echo "  $summary"
    case "$summary" in
      *" illegal=0 timeloss=0 crash=0 wrong_result=0 unplayed=0 "*) ;;
      *) status=1; grep -v '^game [0-9]*: ' "$out/$part.log" | grep -v '^summary ' | sed 's/^/  /' | head -20 ;;
    esac
  done
done
[ "$status" = 0 ] && echo "soak: clean" || echo "soak: FAILED (logs in $out)"
exit "$status"
