#!/usr/bin/env bash
# Times Pictaro's batch mode against ImageMagick (and jpegoptim) on the same photos:
# the wallpapers of Debian's mate-backgrounds package, each to be brought under
# 200,000 bytes.
#
#   bench/bench_batch.sh [--no-jpegoptim]
#
# Environment:
#   RUNS=3            timed rounds; each round runs every side once, the table shows the
#                     median round of each side (and its best)
#   PICTARO_BIN=...   the binary to time (default build/pictaro, built when missing)
#   PHOTOS=...        the folder of pictures (default /usr/share/backgrounds/mate)
#   IM_CONVERT=...    ImageMagick's convert (default: convert-im6.q16, magick or convert)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

limit_bytes=200000
limit_arg=200KB
jpegoptim_kb=195 # jpegoptim counts kilobytes of 1024 bytes: 195 KiB = 199,680 bytes
runs=${RUNS:-3}
photos=${PHOTOS:-/usr/share/backgrounds/mate}
with_jpegoptim=1

# shellcheck source=bench/bench_common.sh
source bench/bench_common.sh
no_jpegoptim=0
bench_flags=(no_jpegoptim=--no-jpegoptim)
bench_read_arguments "$@"
if ((no_jpegoptim)); then
    with_jpegoptim=0
fi
bench_check_settings

# --- the programs -----------------------------------------------------------------------

bench_find_pictaro

bench_find_convert
if ((with_jpegoptim)) && ! command -v jpegoptim >/dev/null; then
    echo "bench: jpegoptim is missing, leaving it out (scripts/setup.sh installs it)" >&2
    with_jpegoptim=0
fi

# --- the pictures -----------------------------------------------------------------------

files=()
while IFS= read -r -d '' file; do
    files+=("$file")
done < <(find "$photos" -type f -print0 | LC_ALL=C sort -z)
jpegs=()
for file in "${files[@]}"; do
    shopt -s nocasematch
    if [[ "$file" == *.jpg || "$file" == *.jpeg ]]; then
        jpegs+=("$file")
    fi
    shopt -u nocasematch
done
if ((${#files[@]} == 0)); then
    echo "bench: no pictures in $photos" >&2
    exit 1
fi
input_bytes=$(du -cb "${files[@]}" | tail -n 1 | cut -f 1)

bench_prepare_work

run_pictaro()
{
    local round=$1
    HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
        "$pictaro" --batch --stepwise --stats --limit "$limit_arg" --export "$work/pictaro" "$photos" \
        >"$work/pictaro-$round.out" 2>"$work/pictaro-$round.err" || true
}

run_magick()
{
    local file name
    for file in "${files[@]}"; do
        name=${file##*/}
        "$convert" "$file" -define "jpeg:extent=${limit_bytes}b" "$work/magick/${name%.*}.jpg" \
            2>>"$work/magick.err" || true
    done
}

run_jpegoptim()
{
    jpegoptim --quiet --size="$jpegoptim_kb" --dest="$work/jpegoptim" "${jpegs[@]}" \
        >/dev/null 2>>"$work/jpegoptim.err" || true
}

# One side's work in a round, timed by bench_common.sh.
run_round_side()
{
    case "$1" in
    pictaro) run_pictaro "$2" ;;
    magick) run_magick ;;
    jpegoptim) run_jpegoptim ;;
    esac
}

sides=(pictaro magick)
if ((with_jpegoptim)); then
    sides+=(jpegoptim)
fi

echo "Shrinking ${#files[@]} pictures (${#jpegs[@]} JPEG) from $photos, $((input_bytes / 1000)) KB in all,"
echo "each under $limit_bytes bytes; rounds: $runs."
echo

declare -A times
bench_rounds

# Prints "median_us best_us median_round" for the given side.
median_of()
{
    local round=0 value
    for value in ${times[$1]}; do
        round=$((round + 1))
        echo "$value $round"
    done | sort -n -k 1,1 | awk '
        { value[NR] = $1; round[NR] = $2 }
        END { m = int((NR + 1) / 2); print value[m], value[1], round[m] }'
}

outputs()
{
    find "$work/$1" -type f | wc -l
}

under_limit()
{
    find "$work/$1" -type f -size "-${limit_bytes}c" | wc -l
}

output_kb()
{
    find "$work/$1" -type f -printf '%s\n' | awk '{ sum += $1 } END { printf "%d", sum / 1000 }'
}

read -r pictaro_us pictaro_best pictaro_round <<<"$(median_of pictaro)"
read -r magick_us magick_best _ <<<"$(median_of magick)"

codec_line=$(grep -E '^codec: ' "$work/pictaro-$pictaro_round.err" | tail -n 1 || true)
if [[ "$codec_line" =~ ^codec:\ ([0-9]+)\ encodings\ ([0-9.]+)\ ms,\ ([0-9]+)\ decodings\ ([0-9.]+)\ ms ]]; then
    encodings=${BASH_REMATCH[1]}
    encode_ms=${BASH_REMATCH[2]}
    decodings=${BASH_REMATCH[3]}
    decode_ms=${BASH_REMATCH[4]}
else
    echo "bench: Pictaro printed no codec line; its stderr was:" >&2
    cat "$work/pictaro-$pictaro_round.err" >&2
    exit 1
fi
summary=$(tail -n 1 "$work/pictaro-$pictaro_round.out")

seconds()
{
    awk -v us="$1" 'BEGIN { printf "%.2f", us / 1e6 }'
}

row()
{
    printf '| %-22s | %9s | %8s | %7s | %11s | %9s |\n' "$@"
}

echo
bench_machine
echo "Pictaro: ${pictaro#"$repo/"} ($build_type)"
echo "ImageMagick: $("$convert" -version | sed -n 's/^Version: ImageMagick \([^ ]*\).*/\1/p')"
if ((with_jpegoptim)); then
    echo "jpegoptim: $(jpegoptim --version | sed -n '1s/^jpegoptim \([^ ]*\).*/\1/p') (JPEG inputs only: --size=$jpegoptim_kb)"
fi
echo "Pictaro's own report: $summary"
if ((with_jpegoptim)); then
    echo "(jpegoptim writes no file for a JPEG it leaves as it is, never scales, and aims near"
    echo " its target rather than always under it.)"
fi
echo
row "side (median of $runs)" "wall s" "best s" "outputs" "under limit" "output KB"
row "----------------------" "---------" "--------" "-------" "-----------" "---------"
row "Pictaro" "$(seconds "$pictaro_us")" "$(seconds "$pictaro_best")" \
    "$(outputs pictaro)" "$(under_limit pictaro)" "$(output_kb pictaro)"
row "ImageMagick" "$(seconds "$magick_us")" "$(seconds "$magick_best")" \
    "$(outputs magick)" "$(under_limit magick)" "$(output_kb magick)"
if ((with_jpegoptim)); then
    read -r jpegoptim_us jpegoptim_best _ <<<"$(median_of jpegoptim)"
    row "jpegoptim (JPEG only)" "$(seconds "$jpegoptim_us")" "$(seconds "$jpegoptim_best")" \
        "$(outputs jpegoptim)" "$(under_limit jpegoptim)" "$(output_kb jpegoptim)"
fi
echo
awk -v p="$pictaro_us" -v m="$magick_us" -v enc="$encode_ms" -v dec="$decode_ms" \
    -v ne="$encodings" -v nd="$decodings" 'BEGIN {
        wall = p / 1000; codec = enc + dec
        printf "Wall time ratio Pictaro / ImageMagick: %.2f (under 1: Pictaro is faster)\n", p / m
        printf "Pictaro codec time: %.0f ms (%d encodings %.0f ms, %d decodings %.0f ms)\n", codec, ne, enc, nd, dec
        printf "Pictaro overhead outside the codec: %.1f%% of %.0f ms wall time\n", (wall - codec) * 100 / wall, wall
    }'
