#!/usr/bin/env bash
# Builds the whole project under AddressSanitizer with UndefinedBehaviorSanitizer, and
# under ThreadSanitizer, each in its own build folder, and runs every test in each.
#   scripts/sanitize.sh            both
#   scripts/sanitize.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer only
#   scripts/sanitize.sh tsan       ThreadSanitizer only
# Environment: JOBS (build and test jobs, default 4), CTEST_ARGS (extra ctest arguments,
# e.g. "-R test_media"), EXCLUDE (a regular expression of tests to leave out besides
# test_layers, which runs a shell script over the sources and nothing sanitized).
# Exits non-zero when a build fails or any test fails or reports.
# Suppressions (scripts/sanitize/*.supp) cover only libraries built without the
# sanitizers (Qt, FFmpeg, FluidSynth, SDL, fontconfig, GLib); each says why.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-4}
supp="$root/scripts/sanitize"
which=${1:-all}

launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Debug keeps Qt's own assertions on (a QChar out of range, an index past a container's
# end); -O1 keeps the tests' real-time parts near real speed.
build() {
    local dir=$1 flags=$2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVB2_WERROR=ON "${launcher[@]}" \
        -DCMAKE_C_FLAGS="-O1 $flags" -DCMAKE_CXX_FLAGS="-O1 $flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$flags" -DVB2_TEST_FUNCTION_TIMEOUT_MS=60000 >/dev/null
    cmake --build "$dir" -j"$jobs"
}

run_tests() {
    local dir=$1
    # Sanitized code runs several times slower: twice the per-test-function limit, set
    # at configure time (ctest's own environment for each test would override one
    # exported here).
    local exclude='^test_layers$'
    [ -n "${EXCLUDE:-}" ] && exclude="$exclude|$EXCLUDE"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        ctest -j"$jobs" --output-on-failure -E "$exclude" ${CTEST_ARGS:-})
}

status=0
if [ "$which" = all ] || [ "$which" = asan ]; then
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer (build-asan)"
    build build-asan "-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$supp/asan.supp"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp"
    run_tests build-asan || status=1
    unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi
if [ "$which" = all ] || [ "$which" = tsan ]; then
    echo "== ThreadSanitizer (build-tsan)"
    build build-tsan "-fsanitize=thread"
    # die_after_fork=0: the sound-server tests start their servers with QProcess after the
    # engine's threads run; the child only execs, which is safe.
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$supp/tsan.supp:print_suppressions=0"
    run_tests build-tsan || status=1
    unset TSAN_OPTIONS
fi
[ $status -eq 0 ] && echo "sanitize: all tests passed" || echo "sanitize: FAILED"
exit $status
