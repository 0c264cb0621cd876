#!/bin/sh
# Tests the Linux aarch64 engine under qemu-user: `si`, whose node counts must equal
# the native engine's, perft on seven well-known positions, and a short game against
# the native engine through the game driver (no illegal move, time loss or crash).
#   tools/check_arm64.sh <aarch64 velt> <native build directory with velt and match>
set -u
engine=$1
native_build=$2
qemu=$(command -v qemu-aarch64) || { echo "check-arm64: skipped: qemu-aarch64 is not installed" >&2; exit 0; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
engine=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")
native_build=$(cd "$native_build" && pwd)
# The C library of the cross-compiler's system, for a program that is not static.
sysroot=/usr/aarch64-linux-gnu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
CHECK_NAME=check-arm64
. "$source_dir/tools/engine_checks.sh"

check_si "$native_build/velt" "$qemu" -L "$sysroot" "$engine"
check_perft "$qemu" -L "$sysroot" "$engine"

# Two games from one opening, colours swapped, at a clock that leaves the emulated
# engine (several times slower) time to think; the driver checks every move.
echo "check-arm64: games against the native engine"
head -n 1 "$source_dir/tests/e2e/data/match_positions.txt" > "$work/positions.txt"
summary=$("$native_build/match" -e1 "$qemu -L $sysroot $engine" -p1 uci -e2 "$native_build/velt" -p2 uci \
            -games 2 -tc 20+0.2 -positions "$work/positions.txt" -pgn "$work/games.pgn" 2> "$work/match.log" |
          grep '^summary')
echo "  $summary"
case "$summary" in
  *" games=2 "*" illegal=0 timeloss=0 crash=0 "*) ;;
  *) fail "the games against the native engine: ${summary:-no summary} ($(tail -n 3 "$work/match.log"))" ;;
esac

finish
