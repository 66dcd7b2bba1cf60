#!/usr/bin/env bash
# The time from adding a folder of camera photos to the last of their thumbnails shown:
# bench_table's thumbnails mode (the real window, offscreen) over COUNT photos of 4000x3000
# made from the wallpapers of Debian's mate-backgrounds package, each with the 160x120
# thumbnail a camera stores in its EXIF block. The table is shown a page at a time, each
# page once its thumbnails have all arrived.
#
#   bench/bench_thumbnails.sh
#
# Environment:
#   RUNS=3            rounds; the median is printed with every round's figure
#   COUNT=300         photos in the folder (links to the few made from the wallpapers)
#   BENCH_TABLE=...   the bench_table program (default build-bench/bench/bench_table)
#   PHOTOS=...        the folder of wallpapers (default /usr/share/backgrounds/mate)
#   IM_CONVERT=...    ImageMagick's convert (default: convert-im6.q16, magick or convert)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

runs=${RUNS:-3}
count=${COUNT:-300}
photos=${PHOTOS:-/usr/share/backgrounds/mate}
table=${BENCH_TABLE:-$repo/build-bench/bench/bench_table}

# shellcheck source=bench/bench_common.sh
source bench/bench_common.sh
bench_flags=()
bench_read_arguments "$@"
bench_check_settings
if ! [[ "$count" =~ ^[1-9][0-9]*$ ]]; then
    echo "bench: COUNT must be a whole number above 0, not '$count'" >&2
    exit 2
fi
if ! [[ -x "$table" ]]; then
    echo "bench: $table is not an executable (configure with -DPICTARO_BUILD_BENCH=ON)" >&2
    exit 1
fi
if ! command -v exiftool >/dev/null; then
    echo "bench: exiftool is missing (scripts/setup.sh installs it)" >&2
    exit 1
fi
bench_find_convert

files=()
while IFS= read -r -d '' file; do
    files+=("$file")
done < <(find "$photos" -type f -iname '*.jpg' -print0 | LC_ALL=C sort -z)
if ((${#files[@]} == 0)); then
    echo "bench: no JPEGs in $photos" >&2
    exit 1
fi
bench_prepare_work

# The photos as a camera writes them: 4:3, quality 92, a 160x120 thumbnail in the EXIF
# (the wallpapers' own metadata left out: some of it is more than one segment holds).
mkdir -p "$work/made" "$work/folder"
made=()
for file in "${files[@]}"; do
    out=$work/made/$(basename "${file%.*}").jpg
    "$convert" "$file" -strip -resize '4000x3000^' -gravity center -extent 4000x3000 -quality 92 "$out"
    "$convert" "$out" -resize 160x120 "$work/made/thumbnail.jpg"
    exiftool -q -overwrite_original '-ThumbnailImage<='"$work/made/thumbnail.jpg" \
        -Orientation=1 -n "$out"
    made+=("$out")
done
for ((i = 0; i < count; ++i)); do
    from=${made[$((i % ${#made[@]}))]}
    to=$(printf '%s/photo-%04d.jpg' "$work/folder" "$i")
    ln "$from" "$to" 2>/dev/null || cp "$from" "$to"
done
cat "$work/folder"/* >/dev/null

values=()
for ((round = 1; round <= runs; ++round)); do
    HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
        "$table" thumbnails "$work/folder" >"$work/round.out"
    value=$(sed -n 's/^last_thumbnail_ms=//p' "$work/round.out")
    values+=("$value")
    echo "round $round/$runs: last thumbnail after $value ms"
done
bench_machine
printf '%s\n' "${values[@]}" | sort -g |
    awk -v n="$count" '{ v[NR] = $1 } END { printf "last of %d thumbnails shown: median %.0f ms\n", n, v[int((NR + 1) / 2)] }'
