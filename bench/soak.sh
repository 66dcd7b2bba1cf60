#!/usr/bin/env bash
# Soak test, not part of CI: RUNS runs of `pictaro --batch` over COUNT pictures, each
# stopped with Ctrl+C (SIGINT) after a random time, the same export folder every time.
# After each run it checks that every source is unchanged, that no working file
# (.pictaro-*) is left, that every output is a whole JPEG under the limit, and that the
# run's report adds up. Stops with a non-zero status at the first broken check.
#
#   bench/soak.sh                      # 2,000 pictures, 3 runs
#   COUNT=500 RUNS=5 MAX_STOP=20 bench/soak.sh
#
# Times `build/pictaro` (brought up to date first) or the binary named by PICTARO_BIN.
# Needs ImageMagick (convert, identify) to make and check the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${COUNT:-2000}
runs=${RUNS:-3}
max_stop=${MAX_STOP:-60} # seconds; each run is stopped after 1 to MAX_STOP seconds
limit_kb=30
limit=$((limit_kb * 1000))

if [[ -n "${PICTARO_BIN:-}" ]]; then
    pictaro=$PICTARO_BIN
else
    cmake --build build --target pictaro >/dev/null
    pictaro=$(pwd)/build/pictaro
fi
for tool in convert identify sha256sum; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in=$work/in
out=$work/out
mkdir -p "$in" "$out" "$work/config"
export XDG_CONFIG_HOME=$work/config

fail()
{
    echo "soak: FAILED: $*" >&2
    exit 1
}

# A few distinct noisy pictures, copied under COUNT names: 20 folders (two with spaces
# in their names), four types, and in every folder the same base name as JPEG and as
# PNG, so that outputs need "-2" names.
echo "soak: making $count pictures in $in"
seeds=()
for seed in $(seq 1 12); do
    base=$work/seed-$seed
    convert -size 480x360 -seed "$seed" plasma:fractal -attenuate 0.25 +noise Gaussian "$base.ppm"
    for type in jpg png bmp gif; do
        convert "$base.ppm" -quality 90 "$base.$type"
    done
    rm "$base.ppm"
    seeds+=("$base")
done
types=(jpg png bmp gif JPG)
for ((i = 0; i < count; i++)); do
    folder=$in/folder-$((i % 20))
    ((i % 20 == 3)) && folder="$in/with space $((i % 20))"
    ((i % 20 == 7)) && folder="$in/-dash/deeper/still deeper"
    mkdir -p "$folder"
    type=${types[$((i % ${#types[@]}))]}
    seed=${seeds[$((i % ${#seeds[@]}))]}
    source_type=$(echo "$type" | tr 'A-Z' 'a-z')
    # Pairs of pictures share a base name: IMG_n.jpg and IMG_n.png.
    cp "$seed.$source_type" "$folder/IMG_$((i / 2)).$type"
done
total=$(find "$in" -type f | wc -l)
(cd "$in" && find . -type f -print0 | xargs -0 sha256sum) >"$work/sources.sha256"
echo "soak: $total pictures, limit ${limit_kb}KB, $runs runs"

check_outputs()
{
    local bad
    bad=$(find "$out" -name '.pictaro-*')
    [[ -z "$bad" ]] || fail "working files left behind: $bad"
    (cd "$in" && sha256sum --quiet -c "$work/sources.sha256") || fail "a source changed"
    while IFS= read -r -d '' output; do
        local size
        size=$(stat -c %s "$output")
        ((size < limit)) || fail "$output has $size bytes, not under $limit"
        [[ $(head -c 2 "$output" | od -An -tx1 | tr -d ' ') == ffd8 ]] || fail "$output is no JPEG"
    done < <(find "$out" -type f -print0)
    # Whole pictures: ImageMagick reads each to its end.
    find "$out" -type f -print0 | xargs -0 -r -n 200 identify -regard-warnings >/dev/null 2>"$work/identify.err" ||
        fail "an output does not decode: $(head -n 3 "$work/identify.err")"
}

for ((run = 1; run <= runs; run++)); do
    stop_after=$((RANDOM % max_stop + 1))
    log=$work/run-$run.log
    started=$SECONDS
    "$pictaro" --batch --limit ${limit_kb}KB --export "$out" "$in" >"$log" 2>"$work/run-$run.err" &
    pid=$!
    while ((SECONDS - started < stop_after)) && kill -0 "$pid" 2>/dev/null; do
        sleep 0.2
    done
    kill -INT "$pid" 2>/dev/null || true
    status=0
    wait "$pid" || status=$?
    ((status <= 1)) || fail "run $run ended with status $status: $(tail -n 3 "$work/run-$run.err")"

    summary=$(tail -n 1 "$log")
    [[ "$summary" =~ ^([0-9]+)\ converted,\ ([0-9]+)\ failed(,\ ([0-9]+)\ not\ converted)? ]] ||
        fail "run $run has no summary: $summary"
    converted=${BASH_REMATCH[1]}
    failed=${BASH_REMATCH[2]}
    not_run=${BASH_REMATCH[4]:-0}
    ok_lines=$(grep -c '^OK ' "$log" || true)
    failed_lines=$(grep -c '^FAILED ' "$log" || true)
    ((converted + failed + not_run == total)) || fail "run $run: $summary does not add up to $total"
    ((ok_lines == converted && failed_lines == failed)) ||
        fail "run $run: $ok_lines OK lines and $failed_lines FAILED lines for \"$summary\""
    distinct=$(sed -n 's/^OK .* -> \(.*\) (.*)$/\1/p' "$log" | sort -u | wc -l)
    ((distinct == converted)) || fail "run $run: $converted converted jobs wrote $distinct outputs"
    check_outputs
    printf 'soak: run %d stopped after %ds (took %ds): %s; %d outputs in all, checks passed\n' \
        "$run" "$stop_after" $((SECONDS - started)) "$summary" "$(find "$out" -type f | wc -l)"
done
echo "soak: all $runs runs passed"
