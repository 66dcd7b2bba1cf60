#!/usr/bin/env bash
# Long runs: shrinks 100 and then 2,000 photo-sized JPEGs (1600x1200, about 600 KB each)
# under 200 KB with `pictaro --batch`, and reports the peak resident memory of each run
# (from /usr/bin/time -v), the resident memory along the long run (sampled from /proc),
# and whether the export folder holds exactly the outputs and nothing else was left
# behind (no working files, nothing in TMPDIR, the sources untouched). Then the same in
# the window (bench_table run, offscreen) over 100 and 500 photos.
#
#   bench/bench_longrun.sh
#
# Environment:
#   COUNT=2000        pictures of the long run (the short run takes the first 100)
#   RUNS=1            runs of each size; the figures are the median run
#   WINDOW_COUNT=500  photos of the window's longer run (0 leaves the window out)
#   PICTARO_BIN=...   the binary to run (default build-bench/pictaro, a Release build
#                     with the bench programs, configured and built when missing)
#   BENCH_FIXTURE=... BENCH_TABLE=...   the bench programs (default from build-bench)
#   WORK=...          where the fixtures and outputs go (default: a fresh temporary folder,
#                     removed at the end)
#
# The last lines are name=value figures, for bench/bench_scale.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

count=${COUNT:-2000}
window_count=${WINDOW_COUNT:-500}
runs=${RUNS:-1}
short=100
limit_arg=200KB
limit_bytes=200000

for argument in "$@"; do
    case "$argument" in
    -h | --help)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "bench_longrun: unknown argument $argument (try --help)" >&2
        exit 2
        ;;
    esac
done
if ! [[ "$count" =~ ^[1-9][0-9]*$ ]] || ((count < short)); then
    echo "bench_longrun: COUNT must be a whole number of at least $short, not '$count'" >&2
    exit 2
fi
if ! [[ "$window_count" =~ ^[0-9]+$ ]] || ((window_count > count)) ||
    ((window_count > 0 && window_count < short)); then
    echo "bench_longrun: WINDOW_COUNT must be 0 or from $short to COUNT, not '$window_count'" >&2
    exit 2
fi
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
    echo "bench_longrun: RUNS must be a whole number above 0, not '$runs'" >&2
    exit 2
fi
if ! [[ -x /usr/bin/time ]]; then
    echo "bench_longrun: /usr/bin/time is missing (Debian package 'time')" >&2
    exit 1
fi

build=$repo/build-bench
if [[ -z "${PICTARO_BIN:-}" || -z "${BENCH_FIXTURE:-}" || -z "${BENCH_TABLE:-}" ]]; then
    if [[ ! -f $build/build.ninja ]]; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DPICTARO_BUILD_TESTS=OFF -DPICTARO_BUILD_BENCH=ON >&2
    fi
    cmake --build "$build" --target pictaro bench_fixture bench_table >&2
fi
pictaro=${PICTARO_BIN:-$build/pictaro}
fixture=${BENCH_FIXTURE:-$build/bench/bench_fixture}
table=${BENCH_TABLE:-$build/bench/bench_table}

if [[ -n "${WORK:-}" ]]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

# --- the pictures ------------------------------------------------------------------------

photos=$work/photos
if [[ ! -f $photos/photo-$(printf '%04d' "$count").jpg ]]; then
    rm -rf "$photos"
    "$fixture" photos "$photos" "$count" 1600x1200 >/dev/null
fi
# The first N pictures, as links in a folder of their own; prints the folder.
first_of()
{
    local n=$1 folder=$work/photos-$1 i name
    rm -rf "$folder"
    mkdir "$folder"
    for ((i = 1; i <= n; ++i)); do
        name=photo-$(printf '%04d' "$i").jpg
        ln "$photos/$name" "$folder/$name" 2>/dev/null || cp "$photos/$name" "$folder/$name"
    done
    echo "$folder"
}
first=$(first_of "$short")

# A listing of a folder that changes when any file in it is added, removed, renamed,
# resized or rewritten.
fingerprint()
{
    find "$1" -printf '%P %s %T@ %n\n' | LC_ALL=C sort | md5sum | cut -d ' ' -f 1
}

# --- one run -----------------------------------------------------------------------------

# Runs Pictaro over a folder; prints "peak_kb wall_s verdict" and leaves the RSS samples
# ("pictures_done rss_kb" lines) in $work/samples-$label.
run_once()
{
    local label=$1 source=$2 expected=$3
    local out=$work/out-$label tmp=$work/tmp-$label home=$work/home-$label
    rm -rf "$out" "$tmp" "$home"
    mkdir -p "$tmp" "$home"
    local before
    before=$(fingerprint "$source")
    local samples=$work/samples-$label
    : >"$samples"

    TMPDIR=$tmp HOME=$home XDG_CONFIG_HOME=$home/.config \
        /usr/bin/time -v -o "$work/time-$label" \
        "$pictaro" --batch --stepwise --limit "$limit_arg" --export "$out" "$source" \
        >"$work/log-$label" 2>"$work/err-$label" &
    local timer=$!
    local child=""
    while kill -0 "$timer" 2>/dev/null; do
        if [[ -z "$child" ]]; then
            child=$(pgrep -P "$timer" | head -n 1 || true)
        fi
        if [[ -n "$child" && -r /proc/$child/status ]]; then
            local rss
            rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$child/status" 2>/dev/null || true)
            if [[ -n "$rss" ]]; then
                echo "$(grep -c '^OK' "$work/log-$label" || true) $rss" >>"$samples"
            fi
        fi
        sleep 1
    done
    local status=0
    wait "$timer" || status=$?

    local peak wall
    peak=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time-$label")
    wall=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time-$label" |
        awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; printf "%.1f", s }')

    # What must hold once the run is over.
    local problems=()
    ((status == 0)) || problems+=("exit status $status")
    local outputs others over
    outputs=$(find "$out" -mindepth 1 -maxdepth 1 -type f -name 'photo-*.jpg' | wc -l)
    others=$(find "$out" -mindepth 1 ! -name 'photo-*.jpg' | wc -l)
    over=$(find "$out" -type f -size "+$((limit_bytes - 1))c" | wc -l)
    ((outputs == expected)) || problems+=("$outputs outputs for $expected pictures")
    ((others == 0)) || problems+=("$others other files in the export folder: $(find "$out" -mindepth 1 ! -name 'photo-*.jpg' -printf '%P ' | head -c 200)")
    ((over == 0)) || problems+=("$over outputs not under $limit_bytes bytes")
    local missing=0 name
    for name in "$source"/*.jpg; do
        [[ -f "$out/${name##*/}" ]] || missing=$((missing + 1))
    done
    ((missing == 0)) || problems+=("$missing sources without an output of their name")
    local leftovers
    leftovers=$(find "$tmp" -mindepth 1 -printf '%P ' | head -c 200)
    [[ -z "$leftovers" ]] || problems+=("left in TMPDIR: $leftovers")
    [[ "$(fingerprint "$source")" == "$before" ]] || problems+=("the source folder changed")

    local verdict=clean
    if ((${#problems[@]} > 0)); then
        verdict="NOT-CLEAN"
        printf 'bench_longrun: %s: %s\n' "$label" "${problems[@]}" >&2
    fi
    echo "$peak $wall $verdict"
}

# Prints the median "peak wall verdict" of the runs of one size (by peak).
median_run()
{
    sort -n -k 1,1 | awk '{ line[NR] = $0 } END { print line[int((NR + 1) / 2)] }'
}

# Runs RUNNER (run_once or window_once) RUNS times over SIZE pictures of SOURCE; prints
# the median run's line, marked NOT-CLEAN when any run was not clean, not just the median.
median_of_runs()
{
    local what=$1 runner=$2 size=$3 source=$4 run line lines="" median
    for ((run = 1; run <= runs; ++run)); do
        echo "bench_longrun: $what$size pictures, run $run of $runs" >&2
        line=$("$runner" "$size-$run" "$source" "$size")
        echo "bench_longrun:   peak ${line%% *} KB, $(echo "$line" | cut -d ' ' -f 2) s, $(echo "$line" | cut -d ' ' -f 3)" >&2
        lines+="$line"$'\n'
    done
    median=$(printf '%s' "$lines" | median_run)
    if grep -q NOT-CLEAN <<<"$lines"; then
        median="${median% *} NOT-CLEAN"
    fi
    echo "$median"
}

declare -A result
for size in "$short" "$count"; do
    source=$photos
    if ((size == short)); then
        source=$first
    fi
    result[$size]=$(median_of_runs "" run_once "$size" "$source")
done

# The window: Resize over the list, the end alert answered; the peak RSS of the process.
window_once()
{
    local label=window-$1 source=$2 expected=$3
    local out=$work/out-$label home=$work/home-$label
    rm -rf "$out" "$home"
    mkdir -p "$out" "$home"
    if ! HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=offscreen \
        "$table" run "$source" "$out" >"$work/log-$label" 2>"$work/err-$label"; then
        echo "bench_longrun: the window's run over $expected photos failed:" >&2
        tail -n 5 "$work/err-$label" >&2
        echo "0 0 NOT-CLEAN"
        return
    fi
    local peak wall verdict=clean
    peak=$(sed -n 's/^hwm_end_kb=//p' "$work/log-$label")
    wall=$(sed -n 's/^run_s=//p' "$work/log-$label")
    if (($(find "$out" -mindepth 1 -maxdepth 1 -type f -name 'photo-*.jpg' | wc -l) != expected)) ||
        (($(find "$out" -mindepth 1 ! -name 'photo-*.jpg' | wc -l) != 0)); then
        verdict=NOT-CLEAN
        echo "bench_longrun: the window's export folder is not exactly the outputs" >&2
    fi
    echo "$peak $wall $verdict"
}

declare -A window_result
if ((window_count > 0)); then
    window_source=$(first_of "$window_count")
    for size in "$short" "$window_count"; do
        source=$window_source
        if ((size == short)); then
            source=$first
        fi
        window_result[$size]=$(median_of_runs "the window, " window_once "$size" "$source")
    done
fi

read -r peak_short wall_short clean_short <<<"${result[$short]}"
read -r peak_long wall_long clean_long <<<"${result[$count]}"

# The resident memory of the long run's first run as it went: at about a quarter, a half,
# three quarters of the pictures and at the end.
profile=$(awk -v n="$count" '
    { done = $1; rss = $2; for (q = 1; q <= 4; ++q) if (!(q in at) && done >= n * q / 4) at[q] = rss; last = rss }
    END { for (q = 1; q <= 4; ++q) printf "%s%s", (q > 1 ? " " : ""), (q in at ? at[q] : last); print "" }
' "$work/samples-$count-1")

echo
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), shared with other jobs"
echo "Pictaro: $pictaro; limit $limit_arg; $runs run(s) of each size, median by peak"
echo "Long run: RSS at 1/4, 1/2, 3/4 and all of $count pictures: $(awk '{ for (i = 1; i <= NF; ++i) printf "%s%.0f MB", (i > 1 ? ", " : ""), $i / 1024 }' <<<"$profile")"
printf '| %-22s | %12s | %8s | %-9s |\n' "run" "peak RSS MB" "wall s" "leftovers"
printf '| %-22s | %12s | %8s | %-9s |\n' "----------------------" "------------" "--------" "---------"
printf '| %-22s | %12.1f | %8s | %-9s |\n' "$short pictures" "$(awk -v k="$peak_short" 'BEGIN { print k / 1024 }')" "$wall_short" "$clean_short"
printf '| %-22s | %12.1f | %8s | %-9s |\n' "$count pictures" "$(awk -v k="$peak_long" 'BEGIN { print k / 1024 }')" "$wall_long" "$clean_long"
if ((window_count > 0)); then
    for size in "$short" "$window_count"; do
        read -r peak wall clean <<<"${window_result[$size]}"
        printf '| %-22s | %12.1f | %8s | %-9s |\n' "window, $size pictures" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$wall" "$clean"
    done
fi
echo
echo "longrun_short_count=$short"
echo "longrun_long_count=$count"
echo "longrun_short_peak_kb=$peak_short"
echo "longrun_long_peak_kb=$peak_long"
echo "longrun_short_wall_s=$wall_short"
echo "longrun_long_wall_s=$wall_long"
echo "longrun_short_clean=$clean_short"
echo "longrun_long_clean=$clean_long"
echo "longrun_profile_kb=${profile// /,}"
if ((window_count > 0)); then
    read -r peak _ clean <<<"${window_result[$short]}"
    echo "longrun_window_short_peak_kb=$peak"
    echo "longrun_window_short_clean=$clean"
    read -r peak _ clean <<<"${window_result[$window_count]}"
    echo "longrun_window_long_count=$window_count"
    echo "longrun_window_long_peak_kb=$peak"
    echo "longrun_window_long_clean=$clean"
fi
