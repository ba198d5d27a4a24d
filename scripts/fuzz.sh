#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each one for a while.
#   scripts/fuzz.sh [seconds per target, default 20] [build folder, default build-fuzz]
# Crashing inputs are left in the build folder (crash-*); copy them to fuzz/corpus/ to keep them.
# Exit status 77 (ctest's SKIP_RETURN_CODE) when no clang here can build a fuzzer at all: nothing
# was run, which must not read as a pass. A target that fails to build is a failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-20}
build=${2:-$root/build-fuzz}
skip=77
# clang 16 or later: older ones lack std::source_location with Debian's libstdc++.
cxx=""
for c in clang++-16 clang++-17 clang++-18; do
  command -v "$c" >/dev/null && { cxx=$c; break; }
done
if [ -z "$cxx" ]; then
  echo "SKIPPED: clang++-16 or later not found; no fuzz target was built or run"
  exit $skip
fi
# The compiler alone is not enough: libFuzzer's runtime comes in a package of its own.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >"$probe/log" 2>&1; then
  cat "$probe/log"
  echo "SKIPPED: $cxx cannot link a libFuzzer target (libFuzzer's runtime is missing); no fuzz target was built or run"
  exit $skip
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
