#!/usr/bin/env bash
# Brings the same photos under 200,000 bytes in each output format Pictaro writes, and
# writes WebP with cwebp's own size targeting beside it: the wallpapers of Debian's
# mate-backgrounds package. Per side: the wall time, the full encodings per picture, how
# many outputs are under the limit, their mean size as a share of the limit, and the mean
# SSIM of each output against its source scaled to the output's size (bench_ssim, luma).
#
#   bench/bench_formats.sh
#
# Sides, each run once a round, in the same order every round:
#   JPEG       pictaro --batch --best --format jpeg --jobs 1 --limit 200KB --export DIR PHOTOS
#   WebP       the same with --format webp
#   AVIF       the same with --format avif
#   cwebp      cwebp -size 200000 -mt IN -o OUT.webp, one file at a time (default method 4;
#              -size makes it search the quality over several passes of its own)
# Pictaro runs with --stats: its "encodings" are the full encodings; the encodings of a
# reduced copy that place WebP and AVIF searches are counted with the estimates.
#
# Environment:
#   RUNS=3            timed rounds; the table shows the median round of each side; sizes
#                     and SSIM come from the last round's outputs
#   PICTARO_BIN=...   the binary to time (default build/pictaro, built when missing)
#   BENCH_SSIM=...    the SSIM program (default build-bench/bench/bench_ssim)
#   PHOTOS=...        the folder of pictures (default /usr/share/backgrounds/mate)
#   CWEBP=...         cwebp (default: cwebp from the path; Debian's webp package)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

limit_bytes=200000
limit_arg=200KB
runs=${RUNS:-3}
photos=${PHOTOS:-/usr/share/backgrounds/mate}

# shellcheck source=bench/bench_common.sh
source bench/bench_common.sh
bench_flags=()
bench_start_photos "$@"
bench_find_ssim
cwebp=${CWEBP:-$(command -v cwebp || true)}
if [[ -z "$cwebp" ]]; then
    echo "bench: cwebp is missing (scripts/setup.sh installs Debian's webp)" >&2
    exit 1
fi

# The files Pictaro takes from the folder that cwebp reads as well.
files=()
while IFS= read -r -d '' file; do
    shopt -s nocasematch
    [[ "$file" =~ \.(jpe?g|png)$ ]] && files+=("$file")
    shopt -u nocasematch
done < <(find "$photos" -type f -print0 | LC_ALL=C sort -z)
if ((${#files[@]} == 0)); then
    echo "bench: no pictures in $photos" >&2
    exit 1
fi
bench_prepare_work

run_pictaro()
{
    bench_run_pictaro "$1" "$2" --best --format "$1" --jobs 1 --limit "$limit_arg" "${files[@]}"
}

run_cwebp()
{
    local i
    : >"$work/cwebp.pairs"
    for i in "${!files[@]}"; do
        local out
        out=$work/cwebp/$(printf '%03d' "$i").webp
        if "$cwebp" -quiet -mt -size "$limit_bytes" "${files[i]}" -o "$out" 2>>"$work/cwebp.err"; then
            printf '%s\t%s\n' "${files[i]}" "$out" >>"$work/cwebp.pairs"
        fi
    done
}

# One side's work in a round, timed by bench_common.sh.
run_round_side()
{
    case "$1" in
    cwebp) run_cwebp ;;
    *) run_pictaro "$1" "$2" ;;
    esac
}

sides=(jpeg webp avif cwebp)
declare -A label=([jpeg]="Pictaro JPEG, best quality" [webp]="Pictaro WebP" [avif]="Pictaro AVIF"
    [cwebp]="cwebp -size 200000")
echo "Shrinking ${#files[@]} pictures from $photos, each under $limit_bytes bytes; rounds: $runs."
declare -A times
bench_rounds
last=$runs

# Pictaro's report: "OK      SOURCE -> FOLDER/NAME.EXT (DETAIL)".
for side in jpeg webp avif; do
    arrow=" -> $work/$side/"
    while IFS= read -r line; do
        [[ "$line" == OK\ * && "$line" == *"$arrow"* ]] || continue
        rest=${line#OK}
        rest=${rest#"${rest%%[! ]*}"}
        output=${rest#*"$arrow"}
        printf '%s\t%s\n' "${rest%%"$arrow"*}" "$work/$side/${output% (*}"
    done <"$work/$side-$last.out" >"$work/$side.pairs"
done
for side in "${sides[@]}"; do
    "$ssim" --pairs "$work/$side.pairs" >"$work/$side.ssim" 2>>"$work/ssim.err" || true
done

median_of()
{
    local value
    for value in ${times[$1]}; do echo "$value"; done | sort -n |
        awk '{ value[NR] = $1 } END { print value[int((NR + 1) / 2)] }'
}

row()
{
    printf '| %-28s | %7s | %7s | %7s | %11s | %7s | %9s |\n' "$@"
}

echo
bench_machine
echo "Pictaro: ${pictaro#"$repo/"} ($build_type); cwebp $("$cwebp" -version | head -n 1)"
echo
row "side (median of $runs)" "wall s" "enc/pic" "outputs" "under limit" "% limit" "mean SSIM"
row "----------------------------" "------:" "------:" "------:" "----------:" "------:" "--------:"
declare -A wall ssim_mean per_picture_of under_of
for side in "${sides[@]}"; do
    wall[$side]=$(median_of "$side")
    outputs=$(find "$work/$side" -type f | wc -l)
    under=$(find "$work/$side" -type f -size "-${limit_bytes}c" | wc -l)
    share=$(find "$work/$side" -type f -printf '%s\n' |
        awk -v l="$limit_bytes" '{ s += $1 } END { printf "%.1f", NR ? s * 100 / NR / l : 0 }')
    ssim_mean[$side]=$(awk '$1 != "nan" { s += $1; ++n } END { if (n) printf "%.4f", s / n; else print "-" }' \
        "$work/$side.ssim")
    per_picture=-
    if [[ "$side" != cwebp ]]; then
        encodings=$(sed -n 's/^codec: \([0-9]*\) encodings.*/\1/p' "$work/$side-$last.err")
        encoded=$(grep -c '^OK .*quality [0-9]*' "$work/$side-$last.out" || true)
        per_picture=$(awk -v n="${encodings:-0}" -v p="$encoded" 'BEGIN { if (p) printf "%.2f", n / p; else print "-" }')
    fi
    per_picture_of[$side]=$per_picture
    under_of[$side]=$under
    row "${label[$side]}" "$(awk -v us="${wall[$side]}" 'BEGIN { printf "%.2f", us / 1e6 }')" \
        "$per_picture" "$outputs" "$under" "$share" "${ssim_mean[$side]}"
done
echo "(enc/pic: full encodings per picture encoded; cwebp's passes are its own)"
echo
better()
{
    awk -v a="$1" -v b="$2" 'BEGIN { print (a != "-" && b != "-" && a + 0 > b + 0) ? "met" : "MISSED" }'
}
echo "Goals:"
verdict=met
counts=
for side in jpeg webp avif; do
    ((under_of[$side] == ${#files[@]})) || verdict=MISSED
    counts+="${counts:+, }$side ${under_of[$side]} of ${#files[@]}"
done
echo "- every picture written and under the limit in each format: $counts, $verdict"
echo "- WebP mean SSIM above Pictaro's best JPEG: ${ssim_mean[webp]} against ${ssim_mean[jpeg]}, $(better "${ssim_mean[webp]}" "${ssim_mean[jpeg]}")"
echo "- AVIF mean SSIM above Pictaro's best JPEG: ${ssim_mean[avif]} against ${ssim_mean[jpeg]}, $(better "${ssim_mean[avif]}" "${ssim_mean[jpeg]}")"
echo "- WebP in at most cwebp's time: $(awk -v a="${wall[webp]}" -v b="${wall[cwebp]}" 'BEGIN { printf "%.2f x, %s", a / b, a <= b ? "met" : "MISSED" }')"
echo "- AVIF in at most 3 full encodings a picture: ${per_picture_of[avif]}, $(awk -v n="${per_picture_of[avif]}" 'BEGIN { print (n != "-" && n + 0 <= 3) ? "met" : "MISSED" }')"
grep -v 'known incorrect sRGB profile' "$work/ssim.err" | sed 's/^/bench: /' >&2 || true
