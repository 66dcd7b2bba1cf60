#!/usr/bin/env bash
# Builds the engine and window tests under ThreadSanitizer in "build-tsan" (or the folder
# given first) and runs them; a data race fails its test and the script. scripts/test.sh
# runs it as its last stage (about 3 minutes on 2 cores).
# Qt itself is not built with ThreadSanitizer: tests/support/KPTsanHandOver.cpp tells it
# how Qt hands work between threads, and scripts/tsan.supp silences what it reports
# inside Qt's own code, never a race in Pictaro's.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
dir=${1:-build-tsan}

tests=(test_fitter test_bestfit test_placement test_batchrun test_faults test_mainwindow test_windowfaults)

cmake -S . -B "$dir" -G Ninja -DPICTARO_TSAN=ON -DPICTARO_SANITIZE=OFF -DPICTARO_BUILD_TESTS=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target "${tests[@]}"

# ThreadSanitizer needs the address space layout it was built for; newer kernels hand
# out more random bits than it supports, so run the tests without randomisation.
run=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    run=(setarch "$(uname -m)" -R)
fi
# Calls made inside Qt's own (uninstrumented) libraries are not judged; QProcess forks
# from a process with threads, which the tests only use to start other programs.
export TSAN_OPTIONS="suppressions=$repo/scripts/tsan.supp:halt_on_error=1:ignore_noninstrumented_modules=1:die_after_fork=0:second_deadlock_stack=1:print_suppressions=0"
cd "$dir/tests"
export QT_QPA_PLATFORM=offscreen HOME="$PWD/home" XDG_CONFIG_HOME="$PWD/home/.config"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# Two at a time, as ctest -j2 runs them (ctest cannot put setarch in front of a test).
check()
{
    local name=$1
    if "${run[@]}" "./$name" >"$logs/$name.log" 2>&1; then
        printf 'tsan: %-18s clean\n' "$name"
    else
        printf 'tsan: %-18s FAILED\n' "$name"
        cat "$logs/$name.log"
        return 1
    fi
}
status=0
for ((i = 0; i < ${#tests[@]}; i += 2)); do
    check "${tests[i]}" &
    first=$!
    if ((i + 1 < ${#tests[@]})); then
        check "${tests[i + 1]}" || status=1
    fi
    wait "$first" || status=1
done
exit "$status"
