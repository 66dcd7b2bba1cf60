#!/usr/bin/env bash
# Installs what is missing, builds Pictaro into "build" and starts it with the given
# arguments, for example:
#
#   scripts/run.sh --batch --limit 500KB --export ~/Pictures/small ~/Photos
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

"$repo/scripts/setup.sh" >&2
# Only the program itself: the tests are built by scripts/test.sh.
PICTARO_TARGETS=pictaro "$repo/scripts/build.sh" build >&2

# Paths given as arguments stay relative to the folder this script was started from.
exec "$repo/build/pictaro" "$@"
