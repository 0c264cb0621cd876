#!/bin/sh
# Tests the Windows engine under Wine: the end-to-end suite (the tests that drive the
# binary through standard input and output), perft on seven well-known positions and
# `si`, whose node counts must equal the Linux engine's, and the files both engines
# write: the books and tablebases they build must be the same bytes, and an analysis
# file written by either must read the same on both.
#   tools/check_windows.sh <velt.exe> <Linux build directory with velt and velt_tests>
# Wine keeps its own prefix in the directory of velt.exe (set up on the first run).
set -u
exe=$1
linux_build=$2
wine=$(command -v wine) || { echo "check-windows: skipped: wine is not installed" >&2; exit 0; }
WINEPREFIX=$(cd "$(dirname "$exe")" && pwd)/wine
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
source_dir=$(cd "$(dirname "$0")/.." && pwd)
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
linux_build=$(cd "$linux_build" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
failures=0
fail() { echo "check-windows: FAILED: $*" >&2; failures=$((failures + 1)); }

# A first start sets the prefix up (several seconds), so that no test pays for it.
printf 'quit\n' | "$wine" "$exe" > /dev/null 2>&1

# The suites that start the engine; the game driver's (Match) stays on Linux.
echo "check-windows: end-to-end suite"
VELT_TEST_ENGINE=$exe VELT_TEST_LAUNCHER=$wine "$linux_build/velt_tests" \
  --gtest_filter='Uci*:Xboard*:Console*:CommandLine*:Garbage*:BookEndToEnd*:InspectAnalysisFile*:PerftCommand*:TablebaseEndToEnd*' \
  || fail "end-to-end suite"

# <FEN>;<depth>;<leaf count>: the published counts of the usual test positions.
echo "check-windows: perft"
while IFS=';' read -r fen depth expected; do
  result=$(printf 'fen %s\nperft %s\nquit\n' "$fen" "$depth" | "$wine" "$exe" 2>&1 | tr -d '\r' |
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

# `si`: the same node counts as the Linux engine; the speeds are shown side by side.
echo "check-windows: si"
si_lines() { printf 'si\nquit\n' | "$@" 2>&1 | tr -d '\r' | grep -iE 'nodes|knps|speed index'; }
linux_si=$(si_lines "$linux_build/velt")
windows_si=$(si_lines "$wine" "$exe")
echo "  Linux:";   echo "$linux_si" | sed 's/^/    /'
echo "  Windows:"; echo "$windows_si" | sed 's/^/    /'
counts() { echo "$1" | grep -oE '[Nn]odes[^0-9]*[0-9]+' | grep -oE '[0-9]+$'; }
if [ -z "$(counts "$linux_si")" ] || [ "$(counts "$linux_si")" != "$(counts "$windows_si")" ]; then
  fail "si node counts differ"
fi

# A book from the same 200 games, the Windows engine reading them with Windows line ends.
echo "check-windows: books"
mkdir -p "$work/linux" "$work/windows"
awk '/^\[Event /{ games++ } games <= 200' "$source_dir/data/selfplay.pgn" > "$work/games.pgn"
sed 's/$/\r/' "$work/games.pgn" > "$work/games-crlf.pgn"
(cd "$work/linux" && "$linux_build/velt" /CB ../games.pgn > book.log)
(cd "$work/windows" && "$wine" "$exe" /CB ../games-crlf.pgn > book.log 2>&1)
if [ -s "$work/linux/VeltBook.bin" ] && cmp "$work/linux/VeltBook.bin" "$work/windows/VeltBook.bin"; then
  echo "  identical books of $(wc -c < "$work/linux/VeltBook.bin") bytes"
else
  fail "the books differ"
fi

# An analysis file written by each engine (a pawn ending analysed for the 10 s that
# make it save; where the search stands then depends on the speed, so the two files
# differ), each shown by both engines: the same file must read the same on both.
echo "check-windows: analysis files"
analyse() {
  { printf 'uci\nsetoption name MaxThreads value 1\nsetoption name Hash value 8\n'
    printf 'setoption name SaveAnalysisFile value analysis.dat\nposition fen 8/8/8/8/8/4k3/4P3/4K3 w - - 0 1\n'
    printf 'isready\ngo infinite\n'; sleep 12; printf 'stop\nquit\n'; } | "$@" > analysis.log 2>&1
}
(cd "$work/linux" && analyse "$linux_build/velt")
(cd "$work/windows" && analyse "$wine" "$exe")
for writer in linux windows; do
  (cd "$work" && "$linux_build/velt" /AI $writer/analysis.dat > shown-by-linux.txt)
  (cd "$work" && "$wine" "$exe" /AI $writer/analysis.dat 2>&1 | tr -d '\r' > shown-by-windows.txt)
  if [ -s "$work/$writer/analysis.dat" ] && grep -q '^ *[0-9][0-9]* *-*[0-9]' "$work/shown-by-linux.txt" &&
     cmp -s "$work/shown-by-linux.txt" "$work/shown-by-windows.txt"; then
    echo "  the file of the $writer engine ($(wc -c < "$work/$writer/analysis.dat") bytes) reads the same on both"
  else
    fail "the analysis file of the $writer engine reads differently (or was not written)"
  fi
done

# The three-men tablebases, generated and compressed by the tools of each system.
echo "check-windows: tablebases"
windows_tools=$(dirname "$exe")
for system in linux windows; do mkdir -p "$work/$system/tb"; done
(cd "$work/linux/tb" && "$linux_build/tbgen" -d . 3 > tbgen.log && "$linux_build/tbcompress" -o . ./*.nbw ./*.nbb > tbcompress.log)
(cd "$work/windows/tb" && "$wine" "$windows_tools/tbgen.exe" -d . 3 > tbgen.log 2>&1 &&
  "$wine" "$windows_tools/tbcompress.exe" -o . ./*.nbw ./*.nbb > tbcompress.log 2>&1)
tables=$(cd "$work/linux/tb" && ls ./*.nbw ./*.nbb ./*.emd 2>/dev/null)
same=0
for table in $tables; do
  if cmp -s "$work/linux/tb/$table" "$work/windows/tb/$table"; then same=$((same + 1)); else fail "tablebase $table differs"; fi
done
if [ "$same" -gt 0 ]; then echo "  $same identical tablebase files"; else fail "no tablebase files were made"; fi

if [ "$failures" -gt 0 ]; then echo "check-windows: $failures failure(s)" >&2; exit 1; fi
echo "check-windows: passed"
