# Sourced by test.sh --sanitize and .ci/run: how the sanitizer builds' programs report.
# Any report ends the program with a failure; leaks of the system's libraries (Mesa, SDL,
# FluidSynth, ...) are suppressed by library name, so a leak of our own still fails.
_sanitize_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$_sanitize_dir/lsan.supp:print_suppressions=0"
# Start-up and frames are several times slower: the e2e scripts stretch their waits.
export ZOLVANE_SLOW=4
unset _sanitize_dir
