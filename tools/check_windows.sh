#!/bin/sh
# Tests the Windows engine under Wine: the end-to-end suite (the tests that drive the
# binary through standard input and output), perft on seven well-known positions and
# `si`, whose node counts must equal the Linux engine's, Syzygy tables named by Windows
# paths (the tablebase move, and won games against the Linux engine), and the files
# both engines write: the books and tablebases they build must be the same bytes, and
# an analysis file written by either must read the same on both.
#   tools/check_windows.sh <velt.exe> <Linux build directory with velt, velt_tests, match>
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
CHECK_NAME=check-windows
. "$source_dir/tools/engine_checks.sh"

# A first start sets the prefix up (several seconds), so that no test pays for it.
printf 'quit\n' | "$wine" "$exe" > /dev/null 2>&1

# The suites that start the engine; the game driver's (Match) stays on Linux.
echo "check-windows: end-to-end suite"
VELT_TEST_ENGINE=$exe VELT_TEST_LAUNCHER=$wine "$linux_build/velt_tests" \
  --gtest_filter='Uci*:Xboard*:Console*:CommandLine*:Garbage*:BookEndToEnd*:InspectAnalysisFile*:PerftCommand*:TablebaseEndToEnd*:SyzygyEndToEnd*' \
  || fail "end-to-end suite"

check_perft "$wine" "$exe"
check_si "$linux_build/velt" "$wine" "$exe"

# Syzygy with the shared 3-5-men tables, named by a Windows path list (drive letters,
# ";" between folders, the first one missing): in a won and a drawn position of each
# of five endings the Windows engine's "egtb" line must equal the Linux engine's, and
# its move must keep the verdict (the Linux engine, holding the same tables, judges
# the position after it); then each won position is played twice against the Linux
# engine through the game driver, and the winning side must win every game.
echo "check-windows: Syzygy"
tables=${SYZYGY_TABLES:-$source_dir/../shared/data/syzygy}
if [ ! -d "$tables" ]; then
  echo "  skipped: no Syzygy tables in $tables (set SYZYGY_TABLES to a 3-5-men set)"
else
  tables=$(cd "$tables" && pwd)
  # The side to move wins (draws): KQvKR, KRvKP, KBNvK, KRBvKR, KBBvKN.
  syzygy_positions='win 4Q3/8/8/6r1/7k/8/8/6K1 w - - 0 1
draw 8/5r2/1K1Q2k1/8/8/8/8/8 b - - 0 1
win 8/6k1/8/7p/8/K7/8/5R2 w - - 0 1
draw 8/6K1/8/8/8/4k3/3p4/6R1 w - - 0 1
win 8/8/8/3N4/2k3K1/5B2/8/8 w - - 0 1
draw 8/8/1Bk5/8/5N2/8/8/1K6 b - - 0 1
win 8/k7/2K3B1/8/3r4/8/6R1/8 w - - 0 1
draw R7/2K5/2B5/8/3k4/8/8/3r4 b - - 0 1
win 2k4K/n7/2B5/8/8/6B1/8/8 w - - 0 1
draw 5K2/8/8/4B3/1n6/2Bk4/8/8 b - - 0 1'
  windows_tables="Z:\\no\\such\\folder;Z:$(echo "$tables" | tr '/' '\\')"
  # Sends the lines of $2 to the engine started by the rest, waits for its "bestmove"
  # (at most a minute), then quits; its output goes to the file $1.
  answer() {
    out=$1 lines=$2
    shift 2
    rm -f "$out"
    { printf '%s\n' "$lines"; tries=0
      while ! grep -q '^bestmove' "$out" 2> /dev/null && [ "$tries" -lt 600 ]; do sleep 0.1; tries=$((tries + 1)); done
      printf 'quit\n'; } | "$@" > "$out" 2>&1
  }
  # The answer of "egtb" (the memory report also has a line "Syzygy: ...").
  verdict_line='^Syzygy: (.*, DTZ |not in tables)'
  kept=0
  while read -r verdict fen; do
    answer "$work/windows.out" "$(printf 'uci\nsetoption name SyzygyPath value %s\nposition fen %s\negtb\ngo depth 6\n' \
      "$windows_tables" "$fen")" "$wine" "$exe"
    windows_line=$(tr -d '\r' < "$work/windows.out" | grep -E "$verdict_line")
    move=$(tr -d '\r' < "$work/windows.out" | sed -n 's/^bestmove \([^ ]*\).*/\1/p')
    linux_line=$(printf 'uci\nsetoption name SyzygyPath value %s\nposition fen %s\negtb\nquit\n' "$tables" "$fen" |
                 "$linux_build/velt" | grep -E "$verdict_line")
    after=$(printf 'uci\nsetoption name SyzygyPath value %s\nposition fen %s moves %s\negtb\nquit\n' "$tables" "$fen" "$move" |
            "$linux_build/velt" | grep -E "$verdict_line")
    case $verdict in win) expected_after="Syzygy: loss," ;; *) expected_after="Syzygy: draw," ;; esac
    if [ -n "$windows_line" ] && [ "$windows_line" = "$linux_line" ] && [ "${after#"$expected_after"}" != "$after" ]; then
      kept=$((kept + 1))
      echo "  $verdict: $move keeps it ($windows_line; then $after)  $fen"
    else
      fail "Syzygy in $fen: Windows '$windows_line', Linux '$linux_line', after $move '$after'"
    fi
  done <<POSITIONS
$syzygy_positions
POSITIONS
  echo "  the tablebase move in $kept of 10 positions"
  mkdir -p "$work/windows-engine" "$work/linux-engine"
  printf 'SYZYGY_PATH %s\n' "$windows_tables" > "$work/windows-engine/velt.cfg"
  printf 'SYZYGY_PATH %s\n' "$tables" > "$work/linux-engine/velt.cfg"
  echo "$syzygy_positions" | sed -n 's/^win //p' > "$work/won.txt"
  summary=$("$linux_build/match" -e1 "cd $work/windows-engine && $wine $exe" -p1 uci \
              -e2 "cd $work/linux-engine && $linux_build/velt" -p2 uci -games 10 -tc 10+0.1 \
              -positions "$work/won.txt" -pgn "$work/syzygy-games.pgn" 2> "$work/match.log" | grep '^summary')
  echo "  games from the won positions, Windows engine first: $summary"
  case "$summary" in
    *" games=10 e1_wins=5 e2_wins=5 draws=0 "*) ;;
    *) fail "the winning side did not win every game: ${summary:-no summary} ($(tail -n 3 "$work/match.log"))" ;;
  esac
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

finish
