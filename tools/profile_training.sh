#!/bin/sh
# The training run of the profile-guided build: the speed index, then searches of
# middle-game and endgame positions to a fixed depth, the last on two threads. Each
# search runs in its own process, since the next command would end it.
#
#   tools/profile_training.sh ENGINE
set -eu
engine=${1:?usage: tools/profile_training.sh ENGINE}
search() {  # threads, depth, FEN
  printf 'uci\nsetoption name MaxThreads value %s\nposition fen %s\ngo depth %s\n' "$1" "$3" "$2" | "$engine" > /dev/null
}
echo si | "$engine" > /dev/null
search 1 13 "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R1BQ1RK1 w - - 0 9"
search 1 13 "r2q1rk1/1b1nbppp/pp1ppn2/8/2PNP3/1PN1B3/P3BPPP/R2Q1RK1 w - - 0 11"
search 1 20 "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
search 2 12 "r1bqr1k1/pp3ppp/2nb1n2/3p4/3P4/2NB1N2/PP3PPP/R1BQR1K1 w - - 0 11"
