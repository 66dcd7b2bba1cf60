#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in "build" with
# warnings as errors, and in "build-asan" under AddressSanitizer and
# UndefinedBehaviorSanitizer; then the engine and window tests once more in "build-tsan"
# under ThreadSanitizer; last it makes the Debian package from "build" and checks it.
# Stops at the first stage that fails, with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

started=$SECONDS
stage_count=7
stage_number=0
stage_name=""
logs=$(mktemp -d)
passed=0
failed=0

elapsed()
{
    local seconds=$((SECONDS - started))
    printf '%d:%02d' $((seconds / 60)) $((seconds % 60))
}

stage()
{
    stage_number=$((stage_number + 1))
    stage_name=$1
    printf '\n==> [%d/%d] %s  (at %s)\n' "$stage_number" "$stage_count" "$stage_name" "$(elapsed)"
}

finish()
{
    local status=$?
    rm -rf "$logs"
    if ((status != 0)); then
        printf '\ntest.sh: FAILED in stage [%d/%d] %s after %s (exit status %d)\n' \
            "$stage_number" "$stage_count" "$stage_name" "$(elapsed)" "$status"
    fi
}
trap finish EXIT

# Runs ctest in the given build dir and adds its counts to the totals.
run_ctest()
{
    local dir=$1 log
    log="$logs/$(basename "$dir").log"
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j2 2>&1 | tee "$log"
    local line
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [[ "$line" =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
}

stage "Install missing packages"
scripts/setup.sh

stage "Build in build/ (warnings are errors)"
scripts/build.sh build -DPICTARO_BUILD_TESTS=ON -DPICTARO_WERROR=ON -DPICTARO_SANITIZE=OFF

stage "Run the tests in build/"
run_ctest build

stage "Build in build-asan/ (AddressSanitizer + UndefinedBehaviorSanitizer)"
# -O1 with line tables only: the sanitizers' checks are the same, their reports still name
# files and lines, and the build takes two thirds of the time it takes at -O2 with full
# debug information (a fault found here can be rebuilt with -g to look into).
scripts/build.sh build-asan -DPICTARO_BUILD_TESTS=ON -DPICTARO_SANITIZE=ON \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"

stage "Run the tests in build-asan/ under the sanitizers"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if [[ -f scripts/lsan.supp ]]; then
    # Leaks inside third-party libraries only; see the file for each entry.
    export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp:print_suppressions=0"
fi
run_ctest build-asan

stage "Build and run the engine and window tests in build-tsan/ under ThreadSanitizer"
scripts/tsan.sh build-tsan | tee "$logs/tsan.log"
passed=$((passed + $(grep -c '^tsan: .* clean$' "$logs/tsan.log")))

stage "Make the Debian package from build/ and check it (lintian, metadata, packaged run)"
deb=$(scripts/package.sh build | tail -n 1)
scripts/check_package.sh "$deb"

printf '\n==> All %d stages passed  (at %s)\n' "$stage_count" "$(elapsed)"
printf 'summary: %d passed, %d failed\n' "$passed" "$failed"
