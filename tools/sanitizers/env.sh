# Sourced by check.sh: the sanitizers' run-time options, with the suppressions of this folder.
# The suppressions name LibreOffice's (UNO's) own libraries and headers only, never our code.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:${ASAN_EXTRA:-}"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$here/ubsan.supp:print_stacktrace=1:halt_on_error=0"
export TSAN_OPTIONS="suppressions=$here/tsan.supp:second_deadlock_stack=1:halt_on_error=0:${TSAN_EXTRA:-}"
