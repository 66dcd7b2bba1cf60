#!/usr/bin/env bash
# One budget for a whole set against the simple alternative: the same pictures brought
# under one total (--total) and, each on its own, under the total divided by the number of
# pictures (--limit). Both run the best-quality fitting. For each side it prints the sum of
# the files written against the total, the share of the total used and the mean SSIM of
# the outputs against their sources scaled to the outputs' sizes (bench_ssim, on the luma).
# The budget must give the higher mean SSIM and use at least 95 % of the total.
#
#   bench/bench_budget.sh [--per-picture]
#
# Environment:
#   TOTAL=3MB         the total, with KB or MB (thousands)
#   PICTARO_BIN=...   the binary (default build/pictaro, built when missing)
#   BENCH_SSIM=...    the SSIM program (default build-bench/bench/bench_ssim, built when
#                     missing)
#   PHOTOS=...        the folder of pictures (default /usr/share/backgrounds/mate)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

total_arg=${TOTAL:-3MB}
photos=${PHOTOS:-/usr/share/backgrounds/mate}
runs=1
per_picture=0
# shellcheck source=bench/bench_common.sh
source bench/bench_common.sh
bench_flags=(per_picture=--per-picture)
bench_start_photos "$@"
bench_find_ssim

number=${total_arg//[^0-9]/}
unit=${total_arg//[0-9 ]/}
case "${unit^^}" in
KB) total_bytes=$((number * 1000)) ;;
MB) total_bytes=$((number * 1000000)) ;;
*)
    echo "bench: TOTAL takes a whole number with KB or MB, not '$total_arg'" >&2
    exit 2
    ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"

count=$(find "$photos" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) | wc -l)
each_bytes=$((total_bytes / count))

# Runs one side; its "source<TAB>output" pairs go to $work/SIDE.pairs.
run_side()
{
    local side=$1 status=0
    shift
    mkdir -p "$work/$side"
    HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
        "$pictaro" --batch --best "$@" --export "$work/$side" "$photos" \
        >"$work/$side.out" 2>"$work/$side.err" || status=$?
    if ((status > 1)); then
        echo "bench: pictaro ($side) ended with status $status:" >&2
        cat "$work/$side.err" >&2
        exit 1
    fi
    sed -n 's/^OK      \(.*\) -> \(.*\) (.*)$/\1\t\2/p' "$work/$side.out" >"$work/$side.pairs"
}

run_side budget --total "$total_arg"
run_side each --limit "$((each_bytes / 1000))KB"

summary()
{
    local side=$1 label=$2 written ok failed mean
    written=$(cut -f 2 "$work/$side.pairs" | tr '\n' '\0' | xargs -0 -r du -cb | tail -n 1 | cut -f 1)
    ok=$(wc -l <"$work/$side.pairs")
    failed=$(grep -c '^FAILED' "$work/$side.out" || true)
    "$ssim" --pairs "$work/$side.pairs" >"$work/$side.ssim"
    mean=$(awk '$1 != "nan" { s += $1; n++ } END { if (n) printf "%.4f", s / n; else print "-" }' \
        "$work/$side.ssim")
    printf '%-34s %12s %8s %6s %7s %8s\n' "$label" "$written" \
        "$(awk -v w="$written" -v t="$total_bytes" 'BEGIN { printf "%.1f %%", 100 * w / t }')" \
        "$ok" "$failed" "$mean"
    if ((per_picture)); then
        paste "$work/$side.pairs" "$work/$side.ssim" | while IFS=$'\t' read -r source output value; do
            printf '    %-40s %9s %s\n' "${source#"$photos"/}" "$(stat -c %s "$output")" "$value"
        done
    fi
}

echo "$count pictures from $photos; total $total_bytes bytes ($total_arg)"
printf '%-34s %12s %8s %6s %7s %8s\n' "side" "bytes" "used" "ok" "failed" "SSIM"
summary budget "--total $total_arg"
summary each "--limit $((each_bytes / 1000))KB (total / $count)"
