#!/bin/sh
# Searches at 2, 4 and 16 threads under ThreadSanitizer while a front end sends what
# it may send during a search: option changes, "isready", "ponderhit", "stop", the
# xboard status request, "hint" and "move now"; and a search that its node limit stops. Fails on any report of the sanitizer.
# Usage: search_session.sh <engine built with -fsanitize=thread>
engine=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 report_signal_unsafe=0"
status=0

uci_session() {
  echo uci
  echo "debug on"
  echo "setoption name MaxThreads value $1"
  echo isready
  echo "position startpos moves e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6"
  echo "go infinite"
  sleep 3
  echo "setoption name Hash value 8"
  echo "setoption name MultiPV value 2"
  echo "setoption name MaxThreads value 3"
  echo isready
  sleep 2
  echo stop
  echo "position startpos moves e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3"
  echo "go ponder wtime 30000 btime 30000"
  sleep 3
  echo ponderhit
  sleep 2
  echo stop
  echo "position startpos moves d2d4 g8f6 c2c4 e7e6"
  echo "go wtime 4000 btime 4000"
  sleep 4
  echo "position startpos moves e2e4"
  echo "go nodes 400000"
  sleep 3
  echo isready
  echo quit
}

xboard_session() {
  echo xboard
  echo "protover 2"
  echo "memory 16"
  echo "cores 3"
  echo post
  echo new
  echo force
  echo e2e4
  echo e7e5
  echo analyze
  sleep 3
  echo .
  echo nopost
  echo post
  echo hint
  sleep 1
  echo g1f3
  sleep 2
  echo undo
  sleep 2
  echo exit
  echo "st 2"
  echo go
  sleep 1
  echo "time 3000"
  echo "otim 3000"
  echo "sd 30"
  echo easy
  echo hard
  echo ping 7
  sleep 1
  echo "?"
  sleep 3
  echo quit
}

run() {
  name=$1
  shift
  "$@" | "$engine" > "$name.log" 2>&1
  code=$?
  if [ $code -ne 0 ] || grep -q "ThreadSanitizer" "$name.log"; then
    echo "FAIL: $name (exit $code)"
    sed -n '/WARNING: ThreadSanitizer/,/SUMMARY/p' "$name.log" | head -60
    status=1
  else
    echo "ok: $name"
  fi
}

for threads in 2 4 16; do
  run "uci-$threads" uci_session "$threads"
done
echo "MAX_THREADS = 4" > velt.cfg
run xboard-4 xboard_session
exit $status
