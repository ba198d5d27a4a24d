#!/usr/bin/env bash
# Builds the .docx reader fuzzer with clang and runs it for the given seconds (default 600),
# seeded with the committed fixtures and the regression cases in fuzz/word_docx_corpus.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds="${1:-600}"
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 -DVEXLO_BUILD_FUZZ=ON -DVEXLO_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build "$build" --target word_docx_fuzz -j 1
work=$(mktemp -d)
cp "$root"/tests/data/word/*.docx "$root"/tests/data/word/fuzz/* "$work"/
cd "$root/fuzz"
"$build/fuzz/word_docx_fuzz" -max_total_time="$seconds" -rss_limit_mb=2560 -timeout=20 \
  -artifact_prefix="$root/fuzz/word_docx_corpus/" "$work" "$root/fuzz/word_docx_corpus"
rm -rf "$work"
