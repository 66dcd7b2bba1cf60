#!/usr/bin/env bash
# Builds the fuzz targets of the PSD, raw and HEIF readers and of the second reader with
# clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer), makes their seed
# corpora and fuzzes each target in turn, one process at a time and at the lowest
# priority.
#
#   fuzz/run.sh [seconds per target] [psd|raw|heif|second ...]
#
# 1800 seconds a target and every target unless told otherwise. Everything goes to
# build-fuzz/ (PICTARO_FUZZ_BUILD overrides): the growing corpora in corpus/, the inputs
# that crashed, hung or ran out of memory in artifacts/, the output in fuzz_<target>.log.
# To replay one input: build-fuzz/fuzz_psd build-fuzz/artifacts/psd-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-1800}
if (($# > 0)); then
    shift
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(psd raw heif second)
fi
build=${PICTARO_FUZZ_BUILD:-build-fuzz}

if ! command -v clang++-14 >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null |
    grep -q "install ok installed"; then
    sudo=()
    if ((EUID != 0)); then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        clang-14 libclang-rt-14-dev
fi

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

# Seeds: small documents in every colour mode and depth ImageMagick writes, and DNG files
# from the tests' writer.
seeds=$build/seeds
if [[ ! -d $seeds/psd || ! -d $seeds/raw ]]; then
    mkdir -p "$seeds/psd" "$seeds/raw"
    picture=(-size 16x12 plasma:fractal -seed 1)
    convert "${picture[@]}" -depth 8 -type TrueColor "$seeds/psd/rgb8.psd"
    convert "${picture[@]}" -depth 16 -type TrueColor "$seeds/psd/rgb16.psd"
    convert "${picture[@]}" -depth 8 -type TrueColor -compress None "$seeds/psd/rgb8-raw.psd"
    convert "${picture[@]}" -depth 8 -colorspace Gray "$seeds/psd/grey8.psd"
    convert "${picture[@]}" -depth 16 -colorspace Gray "$seeds/psd/grey16.psd"
    convert "${picture[@]}" -depth 8 -colorspace CMYK "$seeds/psd/cmyk8.psd"
    convert "${picture[@]}" -depth 16 -colorspace CMYK "$seeds/psd/cmyk16.psd"
    convert "${picture[@]}" -depth 8 -colorspace Lab "$seeds/psd/lab8.psd"
    convert "${picture[@]}" -depth 8 -colors 16 -type Palette "$seeds/psd/indexed.psd"
    convert "${picture[@]}" -monochrome "$seeds/psd/bitmap.psd"
    convert "${picture[@]}" -depth 8 -alpha set -channel A -evaluate set 50% +channel \
        "$seeds/psd/rgba.psd"
    convert "${picture[@]}" -depth 8 \( -size 8x6 xc:red \) -type TrueColor "$seeds/psd/layers.psd"
    convert "${picture[@]}" -depth 8 -type TrueColor "psb:$seeds/psd/large.psb"
    "$build/fuzz_seed_dng" "$seeds/raw"
    # Files that crashed LibRaw itself, kept with the tests.
    cp tests/engine/formats/libraw-crash-*.raw "$seeds/raw/"
fi

# HEIF seeds: HEIC from heif-enc (8 and 10 bits, with transparency, with a thumbnail)
# and AVIF from ImageMagick. Second reader seeds: the first byte picks the coder (BMP,
# ICO, TIFF, GIF, JPEG, PNG, WebP, ICNS), the file follows.
if [[ ! -d $seeds/heif || ! -d $seeds/second ]]; then
    mkdir -p "$seeds/heif" "$seeds/second" "$seeds/work"
    work=$seeds/work
    convert -size 16x12 plasma:fractal -seed 1 -depth 8 "$work/p8.png"
    convert "$work/p8.png" -depth 16 "$work/p16.png"
    convert "$work/p8.png" -alpha set -channel A -evaluate set 50% +channel "$work/pa.png"
    heif-enc -q 50 -o "$seeds/heif/rgb8.heic" "$work/p8.png" >/dev/null
    heif-enc -q 50 -b 10 -o "$seeds/heif/rgb10.heic" "$work/p16.png" >/dev/null
    heif-enc -q 50 -o "$seeds/heif/alpha.heic" "$work/pa.png" >/dev/null
    heif-enc -q 50 -t 8 -o "$seeds/heif/thumbnail.heic" "$work/p8.png" >/dev/null
    convert "$work/p8.png" -quality 50 "$seeds/heif/rgb8.avif"
    seed() { # coder index, name, file
        { printf "\\x$(printf '%02x' "$1")"; cat "$3"; } >"$seeds/second/$2"
    }
    for format in bmp2 bmp3 bmp4; do
        convert "$work/p8.png" -define bmp:format=$format "$work/$format.bmp"
        seed 0 "$format.bmp" "$work/$format.bmp"
    done
    convert "$work/p8.png" -colors 16 -compress RLE "bmp3:$work/rle.bmp"
    seed 0 rle.bmp "$work/rle.bmp"
    convert "$work/p8.png" -define icon:auto-resize=16 "$work/icon.ico"
    seed 1 icon.ico "$work/icon.ico"
    convert "$work/p8.png" -depth 16 "$work/rgb16.tif"
    seed 2 rgb16.tif "$work/rgb16.tif"
    convert "$work/p8.png" -depth 16 -interlace plane "$work/planar16.tif"
    seed 2 planar16.tif "$work/planar16.tif"
    convert "$work/p8.png" -colors 32 "$work/p.gif"
    seed 3 p.gif "$work/p.gif"
    convert "$work/p8.png" -quality 50 "$work/p.jpg"
    seed 4 p.jpg "$work/p.jpg"
    seed 5 p.png "$work/pa.png"
    convert "$work/p8.png" -quality 50 "$work/p.webp"
    seed 6 p.webp "$work/p.webp"
    convert "$work/p8.png" -resize 256x256! "$work/icon256.png"
    png2icns "$work/p.icns" "$work/icon256.png" >/dev/null
    seed 7 p.icns "$work/p.icns"
    rm -r "$work"
fi

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    echo "fuzz: $target for $seconds s (log in $build/fuzz_$target.log)"
    # One job, lowest priority: the machine is shared. A decode that takes over 10 s
    # counts as a hang; the engine's allocation limit is 1 GB, so 4 GB of RSS is a leak.
    # Inputs may grow to 64 KB at once: the seeds are whole files, larger than the
    # inputs libFuzzer would otherwise start from.
    # The HEIF reader and the second reader run libraries that crash on some input in
    # this process (in Pictaro they run in pictaro-decode): those targets go on after a
    # finding, in one child process at a time.
    # LeakSanitizer's check at the end of a process fails in one that ran ImageMagick
    # (its tracer crashes), so the second reader's target runs without it; the libraries'
    # own known leaks are in lsan.supp.
    going_on=()
    if [[ $target == heif || $target == second ]]; then
        going_on=(-fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1)
    fi
    if [[ $target == second ]]; then
        going_on+=(-detect_leaks=0)
    fi
    LSAN_OPTIONS=suppressions=fuzz/lsan.supp \
    nice -n 19 "$build/fuzz_$target" "${going_on[@]}" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=4096 -max_len=65536 -len_control=0 -dict="fuzz/$target.dict" \
        -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$corpus" "$seeds/$target" \
        >"$build/fuzz_$target.log" 2>&1 || echo "fuzz: $target stopped with a finding"
    tail -n 20 "$build/fuzz_$target.log"
done
