#!/usr/bin/env bash
# Compares what Pictaro's two ways of fitting and ImageMagick make of the same photos,
# each to be brought under 200,000 bytes: the wallpapers of Debian's mate-backgrounds
# package. Besides the wall time it measures how much of the limit each output uses and
# how close it stays to its source: the mean SSIM of each output against its source
# scaled to the output's size (bench_ssim, on the luma).
#
#   bench/bench_quality.sh [--per-picture]
#
#   --per-picture     also print each picture's output size and SSIM on every side
#
# Sides, each run once a round, in the same order every round:
#   Pictaro stepwise  pictaro --batch --stepwise --jobs 1 --limit 200KB --export DIR PHOTOS
#   Pictaro best      pictaro --batch --best --jobs 1 --limit 200KB --export DIR PHOTOS
#   ... --jobs N      the same two with N pictures at once, for each N of JOBS but 1
#   ImageMagick       convert IN -define jpeg:extent=200000b OUT.jpg, one file at a time
# A picture already under the limit is copied unchanged by Pictaro (the same bytes under
# a .jpg name), so its SSIM is 1. Pictaro runs with --stats, which gives the real
# encodings per picture and, in the best-quality mode, how far the size estimate was from
# the size of each encoding written. The outputs of several pictures at once are compared
# byte for byte with those of one at a time (they must be the same).
#
# Environment:
#   RUNS=3            timed rounds; the table shows the median round of each side (and its
#                     best); sizes and SSIM come from the last round's outputs
#   PICTARO_BIN=...   the binary to time (default build/pictaro, built when missing)
#   BENCH_SSIM=...    the SSIM program (default build-bench/bench/bench_ssim, built when
#                     missing)
#   PHOTOS=...        the folder of pictures (default /usr/share/backgrounds/mate)
#   IM_CONVERT=...    ImageMagick's convert (default: convert-im6.q16, magick or convert)
#   JOBS="1 2"        the numbers of pictures at once to run Pictaro's two modes with
#   SSIM_BEFORE=0.9672  the best-quality mode's mean SSIM before its size estimates; its
#                     target is to stay within 0.002 of it
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

limit_bytes=200000
limit_arg=200KB
runs=${RUNS:-3}
read -r -a jobs_list <<<"${JOBS:-1 2}"
ssim_before=${SSIM_BEFORE:-0.9672}
photos=${PHOTOS:-/usr/share/backgrounds/mate}
per_picture=0

# shellcheck source=bench/bench_common.sh
source bench/bench_common.sh
bench_flags=(per_picture=--per-picture)
bench_start_photos "$@"

# --- the programs -----------------------------------------------------------------------

bench_find_ssim
bench_find_convert

# --- the pictures -----------------------------------------------------------------------

# The files Pictaro takes from a folder, so that ImageMagick is given the same ones.
files=()
while IFS= read -r -d '' file; do
    shopt -s nocasematch
    if [[ "$file" =~ \.(jpe?g|png|gif|bmp|tiff|ico|icns|psd|raw)$ ]]; then
        files+=("$file")
    fi
    shopt -u nocasematch
done < <(find "$photos" -type f -print0 | LC_ALL=C sort -z)
if ((${#files[@]} == 0)); then
    echo "bench: no pictures in $photos" >&2
    exit 1
fi
input_bytes=$(du -cb "${files[@]}" | tail -n 1 | cut -f 1)

# ImageMagick's output names, given as Pictaro gives them: a base name that is taken
# already gets -2, -3 and so on, so that no output replaces another.
declare -A taken
magick_outputs=()
for file in "${files[@]}"; do
    name=${file##*/}
    base=${name%.*}
    candidate=$base
    number=1
    while [[ -n "${taken[$candidate]:-}" ]]; do
        number=$((number + 1))
        candidate=$base-$number
    done
    taken[$candidate]=1
    magick_outputs+=("$candidate.jpg")
done

bench_prepare_work

# A Pictaro side is its mode, with "-jN" for N pictures at once.
mode_of()
{
    echo "${1%-j*}"
}

jobs_of()
{
    if [[ "$1" == *-j* ]]; then echo "${1##*-j}"; else echo 1; fi
}

run_pictaro()
{
    bench_run_pictaro "$1" "$2" "--$(mode_of "$1")" --jobs "$(jobs_of "$1")" \
        --limit "$limit_arg" "$photos"
}

run_magick()
{
    local i
    : >"$work/magick.pairs"
    for i in "${!files[@]}"; do
        if "$convert" "${files[i]}" -define "jpeg:extent=${limit_bytes}b" \
            "$work/magick/${magick_outputs[i]}" 2>>"$work/magick.err"; then
            printf '%s\t%s\n' "${files[i]}" "$work/magick/${magick_outputs[i]}" \
                >>"$work/magick.pairs"
        fi
    done
}

# One side's work in a round, timed by bench_common.sh.
run_round_side()
{
    case "$1" in
    magick) run_magick ;;
    *) run_pictaro "$1" "$2" ;;
    esac
}

sides=(stepwise best)
declare -A label=([stepwise]="Pictaro stepwise" [best]="Pictaro best quality" [magick]="ImageMagick")
for n in "${jobs_list[@]}"; do
    if ! [[ "$n" =~ ^[1-9][0-9]*$ ]]; then
        echo "bench: JOBS must list whole numbers above 0, not '$n'" >&2
        exit 2
    fi
    if ((n > 1)); then
        sides+=("stepwise-j$n" "best-j$n")
        label[stepwise-j$n]="Pictaro stepwise, $n at once"
        label[best-j$n]="Pictaro best, $n at once"
    fi
done
sides+=(magick)
pictaro_sides=("${sides[@]:0:${#sides[@]}-1}")

echo "Shrinking ${#files[@]} pictures from $photos, $((input_bytes / 1000)) KB in all,"
echo "each under $limit_bytes bytes; rounds: $runs."
echo

declare -A times
bench_rounds
last=$runs

# --- sources of the outputs -------------------------------------------------------------

# Pictaro's report names the source and the output of every picture it converted:
#   OK      SOURCE -> FOLDER/NAME.jpg (DETAIL)
pictaro_pairs()
{
    local side=$1 line rest output
    local arrow=" -> $work/$side/"
    while IFS= read -r line; do
        [[ "$line" == OK\ * && "$line" == *"$arrow"* ]] || continue
        rest=${line#OK}
        rest=${rest#"${rest%%[! ]*}"}
        output=${rest#*"$arrow"}
        printf '%s\t%s\n' "${rest%%"$arrow"*}" "$work/$side/${output% (*}"
    done <"$work/$side-$last.out"
}

# An output that the report does not name (a changed report format) is matched by its
# base name, when exactly one source has it.
declare -A source_of_base
for file in "${files[@]}"; do
    name=${file##*/}
    base=${name%.*}
    if [[ -v "source_of_base[$base]" ]]; then
        source_of_base[$base]=""
    else
        source_of_base[$base]=$file
    fi
done

complete_pairs()
{
    local side=$1 output base unmatched=0
    local -A listed=()
    while IFS=$'\t' read -r _ output; do
        listed[$output]=1
    done <"$work/$side.pairs"
    while IFS= read -r -d '' output; do
        [[ -z "${listed[$output]:-}" ]] || continue
        base=${output##*/}
        base=${base%.jpg}
        if [[ -n "${source_of_base[$base]:-}" ]]; then
            printf '%s\t%s\n' "${source_of_base[$base]}" "$output" >>"$work/$side.pairs"
        else
            unmatched=$((unmatched + 1))
        fi
    done < <(find "$work/$side" -type f -print0 | LC_ALL=C sort -z)
    if ((unmatched > 0)); then
        echo "bench: $unmatched outputs of ${label[$side]} have no known source; their SSIM is left out" >&2
    fi
}

for side in "${pictaro_sides[@]}"; do
    pictaro_pairs "$side" >"$work/$side.pairs"
done
for side in "${sides[@]}"; do
    complete_pairs "$side"
done

# --- SSIM -------------------------------------------------------------------------------

# Several pictures at once must write what one at a time writes; when they do, their
# outputs are not measured again.
declare -A same_as_one
for side in "${pictaro_sides[@]}"; do
    [[ "$side" == *-j* ]] || continue
    if diff -rq "$work/$(mode_of "$side")" "$work/$side" >/dev/null; then
        same_as_one[$side]=yes
    else
        same_as_one[$side]=NO
        echo "bench: ${label[$side]} wrote other outputs than one at a time" >&2
    fi
done

echo >&2
echo "bench: SSIM of the last round's outputs ($(cat "$work"/{stepwise,best,magick}.pairs | wc -l) pairs)" >&2
ssim_start=$(now_us)
for side in "${sides[@]}"; do
    if [[ "${same_as_one[$side]:-}" == yes ]]; then
        cp "$work/$(mode_of "$side").ssim" "$work/$side.ssim"
        continue
    fi
    # A pair it cannot read gives "nan" and a message; the mean leaves it out.
    "$ssim" --pairs "$work/$side.pairs" >"$work/$side.ssim" 2>>"$work/ssim.err" || true
done
ssim_s=$(awk -v us=$(($(now_us) - ssim_start)) 'BEGIN { printf "%.1f", us / 1e6 }')
# libpng's note on the sRGB profile that several of these wallpapers embed says nothing
# about the measure.
grep -v 'known incorrect sRGB profile' "$work/ssim.err" | sed 's/^/bench: /' >&2 || true

# --- the table --------------------------------------------------------------------------

# Prints "median_us best_us" for the given side.
median_of()
{
    local value
    for value in ${times[$1]}; do
        echo "$value"
    done | sort -n | awk '{ value[NR] = $1 } END { print value[int((NR + 1) / 2)], value[1] }'
}

outputs()
{
    find "$work/$1" -type f | wc -l
}

under_limit()
{
    find "$work/$1" -type f -size "-${limit_bytes}c" | wc -l
}

mean_bytes()
{
    find "$work/$1" -type f -printf '%s\n' | awk '{ sum += $1 } END { printf "%d", NR ? sum / NR : 0 }'
}

# Prints "mean measured": the mean SSIM over the outputs it could measure.
mean_ssim()
{
    awk '$1 != "nan" { sum += $1; ++n } END { if (n) printf "%.4f %d", sum / n, n; else print "- 0" }' \
        "$work/$1.ssim"
}

seconds()
{
    awk -v us="$1" 'BEGIN { printf "%.2f", us / 1e6 }'
}

row()
{
    printf '| %-30s | %6s | %6s | %5s | %7s | %11s | %7s | %7s | %9s | %7s | %13s |\n' "$@"
}

# From a Pictaro side's --stats and report: "encodings_per_picture error_mean error_max",
# over the pictures it encoded (not those copied unchanged); "-" where there is none.
codec_figures()
{
    local side=$1 encodings encoded
    encodings=$(sed -n 's/^codec: \([0-9]*\) encodings.*/\1/p' "$work/$side-$last.err")
    encoded=$(grep -c '^OK .*(.*, quality [0-9]*' "$work/$side-$last.out" || true)
    awk -v n="${encodings:-0}" -v p="$encoded" 'BEGIN { if (p > 0) printf "%.2f", n / p; else printf "-" }'
    printf ' '
    sed -n 's/.*error at the quality written: mean \([0-9.]*\) %, largest \([0-9.]*\) %.*/\1 \2/p' \
        "$work/$side-$last.err" | grep . || echo "- -"
}

declare -A wall best count under bytes ssim_mean ssim_count per_picture error_mean error_max
for side in "${sides[@]}"; do
    read -r median fastest <<<"$(median_of "$side")"
    wall[$side]=$median
    best[$side]=$fastest
    count[$side]=$(outputs "$side")
    under[$side]=$(under_limit "$side")
    bytes[$side]=$(mean_bytes "$side")
    read -r mean measured <<<"$(mean_ssim "$side")"
    ssim_mean[$side]=$mean
    ssim_count[$side]=$measured
    per_picture[$side]=-
    error_mean[$side]=-
    error_max[$side]=-
    if [[ "$side" != magick ]]; then
        read -r per_picture[$side] error_mean[$side] error_max[$side] <<<"$(codec_figures "$side")"
    fi
done

echo
bench_machine
echo "Pictaro: ${pictaro#"$repo/"} ($build_type)"
echo "ImageMagick: $("$convert" -version | sed -n 's/^Version: ImageMagick \([^ ]*\).*/\1/p')"
echo "SSIM: ${ssim#"$repo/"}, luma, 11x11 Gaussian window (sigma 1.5), against the source"
echo "      scaled to the output's size; $ssim_s s for the last round's outputs"
for side in stepwise best; do
    echo "${label[$side]}: $(tail -n 1 "$work/$side-$last.out"), $(grep -c 'copied unchanged' "$work/$side-$last.out" || true) copied unchanged"
done
echo
row "side (median of $runs)" "wall s" "best s" "x IM" "outputs" "under limit" "mean B" "% limit" \
    "mean SSIM" "enc/pic" "est. error %"
row "------------------------------" "-----:" "-----:" "----:" "------:" "----------:" "------:" \
    "------:" "--------:" "------:" "------------:"
for side in "${sides[@]}"; do
    measured=${ssim_mean[$side]}
    if ((ssim_count[$side] != count[$side])); then
        measured="$measured (${ssim_count[$side]})"
    fi
    error=-
    if [[ "${error_mean[$side]}" != - ]]; then
        error="${error_mean[$side]} / ${error_max[$side]}"
    fi
    row "${label[$side]}" "$(seconds "${wall[$side]}")" "$(seconds "${best[$side]}")" \
        "$(awk -v s="${wall[$side]}" -v m="${wall[magick]}" 'BEGIN { printf "%.2f", s / m }')" \
        "${count[$side]}" "${under[$side]}" "${bytes[$side]}" \
        "$(awk -v b="${bytes[$side]}" -v l="$limit_bytes" 'BEGIN { printf "%.1f", b * 100 / l }')" \
        "$measured" "${per_picture[$side]}" "$error"
done
echo "(x IM: wall time over ImageMagick's; enc/pic: real encodings per picture encoded;"
echo " est. error: the size estimate against the real size of each encoding written, mean / largest)"
for side in "${pictaro_sides[@]}"; do
    if [[ -n "${same_as_one[$side]:-}" ]]; then
        echo "${label[$side]}: the same bytes as one at a time: ${same_as_one[$side]}"
    fi
done
if ((ssim_count[stepwise] != count[stepwise] || ssim_count[best] != count[best] ||
    ssim_count[magick] != count[magick])); then
    echo "(in brackets: how many outputs the mean SSIM covers, where not all)"
fi
echo


verdict()
{
    if (($1)); then echo "met"; else echo "MISSED"; fi
}
# Judged on the exact ratio, not on the rounded one printed.
time_ratio=$(awk -v b="${wall[best]}" -v m="${wall[magick]}" 'BEGIN { printf "%.3f", b / m }')
share=$(awk -v b="${bytes[best]}" -v l="$limit_bytes" 'BEGIN { printf "%.1f", b * 100 / l }')
met_time=$(awk -v b="${wall[best]}" -v m="${wall[magick]}" 'BEGIN { print (b <= 0.18 * m) }')
met_under=$(("${under[best]}" == ${#files[@]}))
met_ssim=$(awk -v b="${ssim_mean[best]}" -v m="${ssim_mean[magick]}" -v before="$ssim_before" \
    'BEGIN { print (b != "-" && m != "-" && b + 0 >= m + 0 && b + 0 >= before - 0.002) }')
# A picture already under the limit is copied as it is, and one that fits at quality 100
# cannot use more bytes: the size target is judged on the pictures the best-quality mode
# encoded below the top quality, where bytes buy quality.
awk -v arrow=" -> $work/best/" '
    $1 == "OK" && index($0, arrow) && match($0, /quality [0-9]+,/) {
        quality = substr($0, RSTART + 8, RLENGTH - 9)
        if (quality + 0 < 100) {
            line = $0
            sub(/^OK +/, "", line)
            print substr(line, 1, index(line, arrow) - 1)
        }
    }' "$work/best-$last.out" >"$work/fitted.sources"
fitted_count=$(wc -l <"$work/fitted.sources")
# Prints the mean size of a side's outputs of the pictures in fitted.sources.
fitted_mean()
{
    local source output
    while IFS=$'\t' read -r source output; do
        if grep -qxF -- "$source" "$work/fitted.sources"; then
            stat -c %s "$output"
        fi
    done <"$work/$1.pairs" | awk '{ sum += $1 } END { printf "%d", NR ? sum / NR : 0 }'
}
declare -A fitted_bytes
for side in "${sides[@]}"; do
    fitted_bytes[$side]=$(fitted_mean "$side")
done
fitted_share=$(awk -v b="${fitted_bytes[best]}" -v l="$limit_bytes" 'BEGIN { printf "%.1f", b * 100 / l }')
met_size=$(awk -v b="${fitted_bytes[best]}" -v l="$limit_bytes" -v n="$fitted_count" \
    'BEGIN { print (n > 0 && b >= 0.95 * l && b < l) }')
echo "Targets of the best-quality mode:"
echo "- wall time at most 0.18 x ImageMagick's: ${time_ratio} x, $(verdict "$met_time")"
echo "- every picture under the limit: ${under[best]} of ${#files[@]}, $(verdict "$met_under")"
echo "- mean SSIM at least ImageMagick's and within 0.002 of $ssim_before: ${ssim_mean[best]}" \
    "against ${ssim_mean[magick]}, $(verdict "$met_ssim")"
echo "- mean size within 5 % under the limit, over the $fitted_count pictures encoded below quality 100:"
echo "  ${fitted_share} % (stepwise $(awk -v b="${fitted_bytes[stepwise]}" -v l="$limit_bytes" 'BEGIN { printf "%.1f", b * 100 / l }') %," \
    "ImageMagick $(awk -v b="${fitted_bytes[magick]}" -v l="$limit_bytes" 'BEGIN { printf "%.1f", b * 100 / l }') %;" \
    "over all outputs ${share} %), $(verdict "$met_size")"
echo "Targets met: $((met_time + met_under + met_ssim + met_size)) of 4"
stepwise_ratio=$(awk -v s="${wall[stepwise]}" -v m="${wall[magick]}" 'BEGIN { printf "%.3f", s / m }')
met_stepwise=$(awk -v s="${wall[stepwise]}" -v m="${wall[magick]}" 'BEGIN { print (s <= 0.9 * m) }')
echo "Stepwise: wall time at most 0.9 x ImageMagick's: ${stepwise_ratio} x, $(verdict "$met_stepwise")"
# The sources' decoding in the last round of each mode, from --stats: the time the worker
# waited for decodes (the sources' and the steps' files), against the round's wall time.
for side in best stepwise; do
    last_wall=$(echo "${times[$side]}" | awk '{ print $NF }')
    sed -n 's/^codec: .*, \([0-9]*\) decodings \([0-9.]*\) ms$/\1 \2/p' "$work/$side-$last.err" |
        awk -v side="${label[$side]}" -v wall="$last_wall" '{
            printf "%s: %d decodings waited for %.2f s, %.0f %% of the last round'"'"'s wall time\n",
                side, $1, $2 / 1000, $2 / 10 / (wall / 1e6) }'
done

if ((per_picture)); then
    declare -A picture_bytes picture_ssim
    for side in "${sides[@]}"; do
        mapfile -t measured <"$work/$side.ssim"
        i=0
        while IFS=$'\t' read -r source output; do
            picture_bytes[$side,$source]=$(stat -c %s "$output")
            picture_ssim[$side,$source]=${measured[i]:-nan}
            i=$((i + 1))
        done <"$work/$side.pairs"
    done
    echo
    printf '| %-40s | %16s | %16s | %16s |\n' "picture: KB, SSIM" "stepwise" "best quality" "ImageMagick"
    printf '| %-40s | %16s | %16s | %16s |\n' "----------------------------------------" \
        "---------------:" "---------------:" "---------------:"
    for file in "${files[@]}"; do
        cells=()
        # The sides of several pictures at once wrote the same bytes (checked above).
        for side in stepwise best magick; do
            if [[ -v "picture_bytes[$side,$file]" ]]; then
                cells+=("$(awk -v b="${picture_bytes[$side,$file]}" 'BEGIN { printf "%.1f", b / 1000 }'), ${picture_ssim[$side,$file]}")
            else
                cells+=("-")
            fi
        done
        printf '| %-40s | %16s | %16s | %16s |\n' "${file#"$photos/"}" "${cells[@]}"
    done
fi
