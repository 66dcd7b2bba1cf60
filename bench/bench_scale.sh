#!/usr/bin/env bash
# Scale benchmarks: big lists and long runs, measured against their targets.
#
#   bench/bench_scale.sh [--no-longrun]
#
# Builds Release binaries with the bench programs into build-bench/, writes a folder tree
# of 100,000 files (80,000 of other types, 20,000 small JPEGs) into a temporary folder,
# and measures:
#   - listing the tree through Add Folder, in the core alone (bench_list) and in the
#     window (bench_table, offscreen), with the peak resident memory after it;
#   - removing 10,000 selected rows, in the core and through the window's table (one
#     block, and every other row), and a ctrl-click in such a selection;
#   - scrolling the window's table of 20,000 rows (mouse wheel, flick, scroll-bar jumps)
#     while a 5 ms timer records how long the GUI thread kept it waiting;
#   - batch runs over 100 and 2,000 photos (bench/bench_longrun.sh): peak memory, and
#     nothing left behind but the outputs; and runs in the window over 100 and 500.
# Every figure is the median of the rounds; it ends with one table of measure, target,
# figure and pass or fail.
#
# Environment:
#   RUNS=3            rounds of each list and table measurement
#   LONG_RUNS=1       rounds of each batch run (the 2,000-photo run takes some 15 minutes)
#   COUNT=2000        photos of the long batch run
#   WINDOW_COUNT=500  photos of the window's longer run (0 leaves the window's runs out)
#   BUILD_DIR=...     the Release build to use (default build-bench)
#   KEEP=1            keep the fixtures and every round's output in the temporary folder
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

runs=${RUNS:-3}
long_runs=${LONG_RUNS:-1}
count=${COUNT:-2000}
window_count=${WINDOW_COUNT:-500}
build=${BUILD_DIR:-$repo/build-bench}
with_longrun=1

for argument in "$@"; do
    case "$argument" in
    --no-longrun) with_longrun=0 ;;
    -h | --help)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "bench_scale: unknown argument $argument (try --help)" >&2
        exit 2
        ;;
    esac
done
for value in "$runs" "$long_runs" "$count"; do
    if ! [[ "$value" =~ ^[1-9][0-9]*$ ]]; then
        echo "bench_scale: RUNS, LONG_RUNS and COUNT are whole numbers above 0, not '$value'" >&2
        exit 2
    fi
done

# --- the programs ------------------------------------------------------------------------

echo "bench_scale: building Release binaries in $build" >&2
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTARO_BUILD_TESTS=OFF \
    -DPICTARO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target pictaro bench_fixture bench_list bench_table >&2
bench=$build/bench

work=$(mktemp -d)
if [[ -z "${KEEP:-}" ]]; then
    trap 'rm -rf "$work"' EXIT
else
    echo "bench_scale: keeping everything in $work" >&2
fi
export QT_QPA_PLATFORM=offscreen
# Preferences and Qt's runtime files stay in the work folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# --- the tree ----------------------------------------------------------------------------

tree=$work/tree
echo "bench_scale: writing the tree" >&2
"$bench/bench_fixture" tree "$tree" 20000 80000 >"$work/tree.kv"
files=$(find "$tree" -type f | wc -l)
# Reads every directory once, so that every round finds the tree in the page cache.
find "$tree" >/dev/null

# --- rounds ------------------------------------------------------------------------------

# Runs one program RUNS times; each round's name=value lines go to $work/TAG-N.kv.
rounds()
{
    local tag=$1
    shift
    local round
    for ((round = 1; round <= runs; ++round)); do
        echo "bench_scale: $tag, round $round of $runs" >&2
        if ! "$@" >"$work/$tag-$round.kv" 2>"$work/$tag-$round.err"; then
            echo "bench_scale: $tag failed in round $round:" >&2
            tail -n 20 "$work/$tag-$round.err" >&2
            exit 1
        fi
    done
}

# The median over the rounds of TAG of the figure NAME.
median()
{
    local tag=$1 name=$2
    cat "$work/$tag"-[0-9]*.kv | sed -n "s/^$name=//p" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

rounds list "$bench/bench_list" "$tree" 10000 contiguous
rounds list-alternate "$bench/bench_list" "$tree" 10000 alternate
rounds window-block "$bench/bench_table" remove "$tree" 10000 contiguous
rounds window-alternate "$bench/bench_table" remove "$tree" 10000 alternate
rounds scroll "$bench/bench_table" scroll "$tree"

if ((with_longrun)); then
    echo "bench_scale: batch runs over 100 and $count photos" >&2
    PICTARO_BIN=$build/pictaro BENCH_FIXTURE=$bench/bench_fixture BENCH_TABLE=$bench/bench_table \
        WORK=$work/longrun WINDOW_COUNT=$window_count \
        RUNS=$long_runs COUNT=$count bench/bench_longrun.sh >"$work/longrun.out" 2>"$work/longrun.err" || {
        echo "bench_scale: bench_longrun.sh failed:" >&2
        tail -n 20 "$work/longrun.err" >&2
        exit 1
    }
fi

# --- the table ---------------------------------------------------------------------------

verdict()
{
    # verdict FIGURE OP LIMIT: PASS when FIGURE OP LIMIT holds.
    awk -v f="$1" -v op="$2" -v l="$3" 'BEGIN {
        ok = (op == "<") ? (f < l) : (op == "<=") ? (f <= l) : (f == l)
        print ok ? "pass" : "FAIL" }'
}

row()
{
    printf '| %-56s | %-16s | %-22s | %-4s |\n' "$@"
}

mb()
{
    awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'
}

ms()
{
    awk -v v="$1" 'BEGIN { printf (v < 10 ? "%.1f ms" : "%.0f ms"), v }'
}

list_ms=$(median list list_ms)
list_hwm=$(median list hwm_after_list_kb)
per_job=$(median list bytes_per_job)
list_remove=$(median list remove_ms)
list_remove_alt=$(median list-alternate remove_ms)
window_list=$(median window-block window_list_paint_ms)
window_hwm=$(median window-block hwm_after_list_kb)
block_remove=$(median window-block remove_paint_ms)
alt_remove=$(median window-alternate remove_paint_ms)
alt_click=$(median window-alternate deselect_click_ms)
alt_select=$(median window-alternate select_ms)
scroll_max=$(median scroll scroll_block_max_ms)
scroll_p99=$(median scroll scroll_block_p99_ms)
scroll_cpu=$(median scroll scroll_paint_cpu_max_ms)
scroll_queued=$(median scroll scroll_paint_queued_max_ms)
idle_max=$(median scroll idle_block_max_ms)
scroll_hwm=$(median scroll hwm_end_kb)
cached=$(median scroll thumbnails_cached)
thumb_bytes=$(median scroll thumbnail_bytes)
bound_mb=$(median scroll cache_bound_mb)
read_count=$(median scroll thumbnails_read)
steps=$(awk -v a="$(median scroll wheel_steps)" -v b="$(median scroll page_steps)" \
    -v c="$(median scroll jumps)" 'BEGIN { printf "%d", a + b + c }')
cache_mb=$(awk -v n="$cached" -v b="$thumb_bytes" 'BEGIN { printf "%.1f", n * b / 1048576 }')

echo
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n 1); shared with other jobs,"
echo "so wall times vary between rounds. Figures: median of $runs rounds ($long_runs for the batch runs)."
echo "Tree: $files files in $(sed -n 's/^folders=//p' "$work/tree.kv") folders, $(sed -n 's/^pictures=//p' "$work/tree.kv") of them 640x480 JPEGs (page cache warm)."
echo "Scroll: $steps steps of 16 ms over $(median scroll jobs) rows, $(median scroll rows_per_page) rows a page; $read_count thumbnails read;"
echo "        the GUI thread's own CPU time per step peaked at $(ms "$scroll_cpu"), its wait for a free core at $(ms "$scroll_queued");"
echo "        idle (no scrolling) the timer was $(ms "$idle_max") late at most."
echo "Selecting 10,000 scattered rows at once (Qt's own selection model, not a user's action): $(ms "$alt_select")."
echo
row "measure" "target" "figure" ""
row "--------------------------------------------------------" "----------------" "----------------------" "----"
row "list the tree (Add Folder), core" "< 2 s" "$(ms "$list_ms")" "$(verdict "$list_ms" "<" 2000)"
row "list the tree in the window, with its first repaint" "< 2 s" "$(ms "$window_list")" "$(verdict "$window_list" "<" 2000)"
row "peak RSS with 20,000 jobs listed, core" "< 200 MB" "$(mb "$list_hwm")" "$(verdict "$list_hwm" "<" 204800)"
row "peak RSS with 20,000 jobs listed, window" "< 200 MB" "$(mb "$window_hwm")" "$(verdict "$window_hwm" "<" 204800)"
row "  memory per listed job, core (80,000 other files: none)" "grows by job" "$(printf '%.0f B' "$per_job")" "-"
row "remove 10,000 selected jobs, core (block / every other)" "< 1 s" "$(ms "$list_remove") / $(ms "$list_remove_alt")" "$(verdict "$(awk -v a="$list_remove" -v b="$list_remove_alt" 'BEGIN { print (a > b ? a : b) }')" "<" 1000)"
row "remove 10,000 rows in the window, one block, + repaint" "< 1 s" "$(ms "$block_remove")" "$(verdict "$block_remove" "<" 1000)"
row "remove 10,000 rows in the window, every other row" "< 1 s" "$(ms "$alt_remove")" "$(verdict "$alt_remove" "<" 1000)"
row "ctrl-click in a selection of 10,000 scattered rows" "< 50 ms" "$(ms "$alt_click")" "$(verdict "$alt_click" "<" 50)"
row "scroll 20,000 rows: longest GUI-thread block" "< 50 ms" "$(ms "$scroll_max")" "$(verdict "$scroll_max" "<" 50)"
row "scroll 20,000 rows: 99th percentile of blocks" "< 50 ms" "$(ms "$scroll_p99")" "$(verdict "$scroll_p99" "<" 50)"
row "scroll: the GUI thread's own work per step, longest" "< 50 ms" "$(ms "$scroll_cpu")" "$(verdict "$scroll_cpu" "<" 50)"
row "scroll: thumbnail cache after the whole table" "<= ${bound_mb%.*} MB bound" "$cached x $((thumb_bytes / 1000)) KB = $cache_mb MB" "$(verdict "$cache_mb" "<=" "$bound_mb")"
row "peak RSS after scrolling the whole table" "< 200 MB" "$(mb "$scroll_hwm")" "$(verdict "$scroll_hwm" "<" 204800)"
if ((with_longrun)); then
    kv()
    {
        sed -n "s/^$1=//p" "$work/longrun.out"
    }
    short_count=$(kv longrun_short_count)
    short_peak=$(kv longrun_short_peak_kb)
    long_peak=$(kv longrun_long_peak_kb)
    flat_limit=$(awk -v s="$short_peak" 'BEGIN { print s * 1.1 }')
    row "batch run, peak RSS at $short_count photos" "(reference)" "$(mb "$short_peak")" "-"
    row "batch run, peak RSS at $(kv longrun_long_count) photos" "<= 1.1 x at 100" "$(mb "$long_peak")" "$(verdict "$long_peak" "<=" "$flat_limit")"
    row "  RSS along it, at 1/4, 1/2, 3/4, all (MB)" "flat" "$(kv longrun_profile_kb | awk -F, '{ for (i = 1; i <= NF; ++i) printf "%s%.0f", (i > 1 ? " " : ""), $i / 1024 }')" "-"
    if ((window_count > 0)); then
        window_short=$(kv longrun_window_short_peak_kb)
        window_long=$(kv longrun_window_long_peak_kb)
        window_limit=$(awk -v s="$window_short" 'BEGIN { print s * 1.1 }')
        row "window run, peak RSS at $short_count photos" "(reference)" "$(mb "$window_short")" "-"
        row "window run, peak RSS at $window_count photos" "<= 1.1 x at 100" "$(mb "$window_long")" "$(verdict "$window_long" "<=" "$window_limit")"
    fi
    clean="clean"
    for name in longrun_short_clean longrun_long_clean longrun_window_short_clean longrun_window_long_clean; do
        value=$(kv "$name")
        [[ -z "$value" || "$value" == clean ]] || clean="NOT clean"
    done
    row "export folder holds exactly the outputs; no leftovers" "nothing else" "$clean" "$(verdict "$([[ $clean == clean ]] && echo 1 || echo 0)" "==" 1)"
fi
