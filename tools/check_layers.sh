#!/bin/sh
# Checks that the layers of src/ point down only: prints every include of a layer
# that the including layer may not use, and fails when there is one.
#   platform  the operating system alone; every layer may use it
#   board   the board alone
#   eval    board, eval            egtb    board, egtb
#   book    board, eval, book      search  board, eval, egtb, search
#   shell   anything
cd "$(dirname "$0")/.." || exit 1

grep -rE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.cpp' --include='*.h' src | sort |
  awk '
    BEGIN {
      allowed["platform"] = "platform"
      allowed["board"] = "platform board"
      allowed["eval"] = "platform board eval"
      allowed["egtb"] = "platform board egtb"
      allowed["book"] = "platform board eval book"
      allowed["search"] = "platform board eval egtb search"
    }
    {
      file = substr($0, 1, index($0, ":") - 1)
      split($0, quoted, "\"")
      included = quoted[2]
      split(file, parts, "/")
      layer = parts[2]
      if (!(layer in allowed)) next
      target = substr(included, 1, index(included, "/") - 1)
      if (index(" " allowed[layer] " ", " " target " ") > 0) next
      printf "%s: includes %s (%s may use only: %s)\n", file, included, layer, allowed[layer]
      ++violations
    }
    END {
      if (violations > 0) {
        printf "%d include(s) across the layers\n", violations
        exit 1
      }
    }'
