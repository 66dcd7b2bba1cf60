#!/usr/bin/env bash
# Configures and builds Pictaro with CMake and Ninja.
#
#   scripts/build.sh [build-dir] [extra cmake arguments...]
#
# The build dir defaults to "build" (relative to the repository root) and the build type
# to RelWithDebInfo; a -DCMAKE_BUILD_TYPE=... among the extra arguments wins. Set
# PICTARO_TARGETS (space separated) to build only some targets, e.g. PICTARO_TARGETS=pictaro.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
if (($# > 0)); then
    shift
fi

jobs=${PICTARO_JOBS:-$(nproc 2>/dev/null || echo 2)}

echo "build: configuring $build_dir"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"

targets=()
if [[ -n "${PICTARO_TARGETS:-}" ]]; then
    read -r -a names <<<"$PICTARO_TARGETS"
    targets=(--target "${names[@]}")
fi

echo "build: compiling in $build_dir with $jobs jobs"
cmake --build "$build_dir" --parallel "$jobs" "${targets[@]}"
