#!/bin/sh
# Makes the corpus the material imbalance grid and the win/draw/loss model are fitted
# from: the engine against itself through the game driver at a fixed node count (each
# move within a quarter either way, so that the two games of a pair differ), from the
# book's lines (plies 8 to 14 of data/selfplay.pgn) and random legal openings of six
# plies, with the driver's adjudication, two games at once. The games depend only on
# the engine, the seed and the counts: the same command plays the same games (the
# thinking times in the move comments aside).
#
#   tools/make_corpus.sh [OUT_DIR [SEED [GAMES [NODES]]]]
#
# Defaults: build/corpus, seed 59, 13000 games, 4000 nodes. Run in the source tree
# after `cmake --build build --target velt match corpus_openings`; it writes
# OUT_DIR/openings.txt and OUT_DIR/corpus.pgn (through a temporary file, renamed once
# the match is over), OUT_DIR/match.log, and OUT_DIR/sample.pgn: the first 100 games
# without their thinking times, as data/corpus_sample.pgn holds them for the tests.
set -eu
out=${1:-build/corpus}
seed=${2:-59}
games=${3:-13000}
nodes=${4:-4000}
for program in build/velt build/match build/corpus_openings; do
  [ -x "$program" ] || { echo "make_corpus: $program is missing; build it first" >&2; exit 1; }
done
mkdir -p "$out"
build/corpus_openings data/selfplay.pgn 8 14 6000 6 "$seed" > "$out/openings.txt.tmp"
mv "$out/openings.txt.tmp" "$out/openings.txt"
build/match -e1 build/velt -p1 uci -e2 build/velt -p2 uci -games "$games" -nodes "$nodes" -nodevary 25 \
            -positions "$out/openings.txt" -pgn "$out/corpus.pgn.tmp" -concurrency 2 > "$out/match.log"
mv "$out/corpus.pgn.tmp" "$out/corpus.pgn"
awk '/^\[Event /{n++} n<=100' "$out/corpus.pgn" | sed -E 's/ [0-9]+\.[0-9]{3}s\}/}/g' > "$out/sample.pgn"
tail -n 1 "$out/match.log"
