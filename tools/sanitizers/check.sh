#!/usr/bin/env bash
# Builds vexlo-merge and the CLI, office and pool tests with a sanitizer (address: ASan with
# UBSan, into build-asan; thread: TSan, into build-tsan) and runs them, then a few quick ends of
# a --pdf run. Reports land in build-<mode>/sanitizer-logs/. Usage: tools/sanitizers/check.sh MODE
set -uo pipefail
mode=${1:?address or thread}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
case "$mode" in
  address) preset=asan ;;
  thread) preset=tsan ;;
  *) echo "MODE: address or thread" >&2; exit 2 ;;
esac
build="$root/build-$preset"
logs="$build/sanitizer-logs"
source "$root/tools/sanitizers/env.sh"
# Every report also goes to a file per process, so that children's reports are kept.
export ASAN_OPTIONS="$ASAN_OPTIONS:log_path=$logs/asan" TSAN_OPTIONS="$TSAN_OPTIONS:log_path=$logs/tsan"
export UBSAN_OPTIONS="$UBSAN_OPTIONS:log_path=$logs/ubsan" QT_QPA_PLATFORM=offscreen
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake --preset "$preset" -S "$root" "${launcher[@]}" >/dev/null || exit 1
targets=(vexlo-merge cli_test cli_binary_test output_test joined_pdf_test doc_base_test page_batch_test)
cmake --build "$build" --target "${targets[@]}" || exit 1
rm -rf "$logs" && mkdir -p "$logs"
status=0
for test in $(find "$build/tests" -type f -executable \( -name 'cli*_test' -o -name output_test \
    -o -name joined_pdf_test -o -name doc_base_test -o -name page_batch_test \) | sort); do
  "$test" --gtest_brief=1 ${GTEST_FILTER:+--gtest_filter="$GTEST_FILTER"} || { echo "FAILED: $test"; status=1; }
done
CLI="$build/vexlo-merge" "$root/bench/quick_end_bench.sh" "${RUNS:-20}" || status=1
reports=$(ls "$logs" 2>/dev/null | wc -l)
echo "sanitizer reports: $reports (in $logs)"
[ "$reports" -eq 0 ] || status=1
exit $status
