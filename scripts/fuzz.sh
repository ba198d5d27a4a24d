#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each one for a while.
#   scripts/fuzz.sh [seconds per target, default 20] [build folder, default build-fuzz]
# Crashing inputs are left in the build folder (crash-*); copy them to fuzz/corpus/ to keep them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
build=${2:-$root/build-fuzz}
# clang 16 or later: older ones lack std::source_location with Debian's libstdc++.
cxx=""
for c in clang++-16 clang++-17 clang++-18; do
  command -v "$c" >/dev/null && { cxx=$c; break; }
done
if [ -z "$cxx" ]; then
  echo "clang++-16 or later not found; fuzz targets skipped"
  exit 0
fi
CC=${cxx/++/} CXX=$cxx cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
for target in xlsx_reader_fuzzer xls_reader_fuzzer encrypted_package_fuzzer text_table_fuzzer docx_reader_fuzzer font_program_fuzzer; do
  corpus="$build/corpus/${target%_*_fuzzer}"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  (cd "$build" && "./$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -max_len=262144 "$corpus" "$root/fuzz/corpus/${target%_*_fuzzer}")
done
