# shellcheck shell=bash disable=SC2154,SC2034 # runs, photos, repo, files, sides and run_round_side come from the script that sources this; what it sets is read there
# What the photo benches share: the checks of their settings, finding the programs they
# time, the work folder and the timed rounds. Sourced from the repository's root with
# `repo`, `runs` and `photos` set; not a script of its own.

# Reads the calling script's arguments: --help prints the comment at its top; each
# NAME=FLAG in the array `bench_flags` sets NAME to 1 when FLAG is given; anything else
# ends the script with status 2.
bench_read_arguments() {
    local argument pair known
    for argument in "$@"; do
        if [[ "$argument" == -h || "$argument" == --help ]]; then
            sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
            exit 0
        fi
        known=0
        for pair in "${bench_flags[@]}"; do
            if [[ "$argument" == "${pair#*=}" ]]; then
                printf -v "${pair%%=*}" 1
                known=1
            fi
        done
        if ((!known)); then
            echo "bench: unknown argument $argument (try --help)" >&2
            exit 2
        fi
    done
}

bench_check_settings()
{
    if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
        echo "bench: RUNS must be a whole number above 0, not '$runs'" >&2
        exit 2
    fi
    if ! [[ -d "$photos" ]]; then
        echo "bench: no folder $photos (scripts/setup.sh installs mate-backgrounds)" >&2
        exit 1
    fi
}

# The start of a photo bench, after its defaults and `bench_flags` are set: its arguments
# read, its settings checked, `photos` made absolute (Pictaro reports its
# sources as it was given them; absolute, they read the same from here) and `pictaro`
# found.
bench_start_photos()
{
    bench_read_arguments "$@"
    bench_check_settings
    photos=$(cd "$photos" && pwd)
    bench_find_pictaro
}

# Sets `ssim`: BENCH_SSIM, or build-bench's bench_ssim brought up to date. The bench
# programs exist only in a tree configured with them; an existing tree keeps its generator
# and build type.
bench_find_ssim()
{
    if [[ -n "${BENCH_SSIM:-}" ]]; then
        ssim=$BENCH_SSIM
    else
        ssim=$repo/build-bench/bench/bench_ssim
        if ! grep -qs '^PICTARO_BUILD_BENCH:BOOL=ON' build-bench/CMakeCache.txt; then
            if [[ -f build-bench/CMakeCache.txt ]]; then
                cmake -S "$repo" -B build-bench -DPICTARO_BUILD_BENCH=ON >/dev/null
            else
                cmake -S "$repo" -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
                    -DPICTARO_BUILD_TESTS=OFF -DPICTARO_BUILD_BENCH=ON >/dev/null
            fi
        fi
        cmake --build build-bench --target bench_ssim >&2
    fi
    if ! [[ -x "$ssim" ]]; then
        echo "bench: $ssim is not an executable" >&2
        exit 1
    fi
}

# Sets `pictaro` (absolute) and `build_type`: PICTARO_BIN, or build/pictaro brought up to
# date (built as Release when there is no build yet).
bench_find_pictaro()
{
    if [[ -n "${PICTARO_BIN:-}" ]]; then
        pictaro=$PICTARO_BIN
    else
        pictaro=$repo/build/pictaro
        if [[ -f build/build.ninja ]]; then
            # Brings the existing build up to date and keeps its configuration.
            cmake --build build --target pictaro >&2
        else
            PICTARO_TARGETS=pictaro scripts/build.sh build -DCMAKE_BUILD_TYPE=Release \
                -DPICTARO_BUILD_TESTS=OFF >&2
        fi
    fi
    if ! [[ -x "$pictaro" ]]; then
        echo "bench: $pictaro is not an executable" >&2
        exit 1
    fi
    pictaro=$(cd "$(dirname "$pictaro")" && pwd)/$(basename "$pictaro")

    build_type=unknown
    local cache
    cache=$(dirname "$pictaro")/CMakeCache.txt
    if [[ -f "$cache" ]]; then
        build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache")
        if grep -q '^PICTARO_SANITIZE:BOOL=ON' "$cache"; then
            build_type="$build_type + sanitizers"
            echo "bench: warning: $pictaro is a sanitizer build; its times mean little" >&2
        fi
    fi
}

# Sets `convert`: IM_CONVERT, or ImageMagick's convert.
bench_find_convert()
{
    convert=${IM_CONVERT:-$(command -v convert-im6.q16 || command -v magick || command -v convert || true)}
    if [[ -z "$convert" ]]; then
        echo "bench: ImageMagick's convert is missing (scripts/setup.sh installs it)" >&2
        exit 1
    fi
}

# Makes the work folder `work` (removed at exit) and reads every picture of `files` once,
# so that no side pays for a cold disk cache.
bench_prepare_work()
{
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # Pictaro reads its defaults (quality floor 60, smallest box 320x240) from a preferences
    # store of its own here, never from the user's.
    mkdir -p "$work/home"
    cat "${files[@]}" >/dev/null
}

now_us()
{
    local stamp=${EPOCHREALTIME//[!0-9]/}
    echo "$stamp"
}

# Runs `pictaro --batch --stats` with SIDE's output folder, its own settings and the rest
# of the arguments, its output in SIDE-ROUND.out and .err. Status 1 is a run with failed
# pictures, which the table shows; anything else is a run that never started, and timing
# it would mean nothing.
bench_run_pictaro()
{
    local side=$1 round=$2 status=0
    shift 2
    HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
        "$pictaro" --batch --stats --export "$work/$side" "$@" \
        >"$work/$side-$round.out" 2>"$work/$side-$round.err" || status=$?
    if ((status > 1)); then
        echo "bench: pictaro for $side ended with status $status:" >&2
        cat "$work/$side-$round.err" >&2
        exit 1
    fi
}

# Runs one side into a fresh output folder and prints its wall time in microseconds; the
# calling script's `run_round_side SIDE ROUND` does the side's work.
timed()
{
    local side=$1 round=$2 start end
    rm -rf "${work:?}/$side"
    mkdir "$work/$side"
    start=$(now_us)
    run_round_side "$side" "$round"
    end=$(now_us)
    echo $((end - start))
}

# Runs `runs` rounds of every side in `sides`, each through `timed SIDE
# ROUND` (which prints microseconds), in the same order every round; fills `times`.
bench_rounds()
{
    local round side all
    for ((round = 1; round <= runs; ++round)); do
        for side in "${sides[@]}"; do
            # shellcheck disable=SC2004 # times is the sourcing script's associative array
            times[$side]+="$(timed "$side" "$round") "
        done
        printf 'round %d/%d:' "$round" "$runs"
        for side in "${sides[@]}"; do
            read -r -a all <<<"${times[$side]}"
            printf '  %s %.2f s' "$side" "$(awk -v us="${all[-1]}" 'BEGIN { print us / 1e6 }')"
        done
        echo
    done
}

bench_machine()
{
    echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
}
