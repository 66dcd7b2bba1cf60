#!/usr/bin/env bash
# Builds Pictaro's Debian package with CPack and prints its path on the last line.
#
#   scripts/package.sh [build-dir]
#
# The build dir defaults to "build". One that exists keeps its configuration (so CI
# packages the build its tests just ran in) and is only brought up to date; a new one is
# configured without the tests. Everything the install rules install goes into the
# package, under /usr. scripts/check_package.sh checks the result.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${1:-build}

configure=()
if [[ ! -f "$dir/CMakeCache.txt" ]]; then
    configure=(-DPICTARO_BUILD_TESTS=OFF)
fi
for option in PICTARO_SANITIZE PICTARO_TSAN; do
    if grep -qE "^$option:BOOL=(ON|TRUE|1)$" "$dir/CMakeCache.txt" 2>/dev/null; then
        echo "package: $dir is built with $option; package a normal build dir instead" >&2
        exit 1
    fi
done

scripts/build.sh "$dir" "${configure[@]}" >&2

echo "package: running CPack in $dir" >&2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! (cd "$dir" && cpack -G DEB -B "$PWD/packages") >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
cat "$log" >&2
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$log" | tail -n 1)
if [[ -z "$deb" || ! -f "$deb" ]]; then
    echo "package: CPack named no package" >&2
    exit 1
fi
echo "$deb"
