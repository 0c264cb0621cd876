#!/bin/sh
# Prints the lines of test code, the lines of engine and tools code and their ratio.
# Counts the C++ files git knows (.cpp, .h, .hpp, .cc); the fuzz targets are tests;
# generated *_tables.cpp files are data, not code, and are left out.
cd "$(git rev-parse --show-toplevel)" || exit 1

count_lines() {
  git ls-files -- "$@" | grep -E '\.(cpp|h|hpp|cc)$' | grep -v '_tables\.cpp$' |
    while IFS= read -r file; do cat "$file"; done | wc -l
}

tests=$(count_lines tests fuzz)
code=$(count_lines src tools)
echo "test lines:             $tests"
echo "engine and tools lines: $code"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio:                  %.2f\n", (c > 0 ? t / c : 0) }'
