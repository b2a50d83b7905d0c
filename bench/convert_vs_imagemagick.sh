#!/usr/bin/env bash
# brevane-cli convert against its peers doing the same job in one process each, on the same
# pictures in one run: each picture's top-left 32x32 square (padded when smaller) as a 24-bit
# icon, the top-left pixel's colour transparent.
#   brevane-cli  convert -s 32 -b 24 (top-left is its default transparent colour)
#   mogrify      ImageMagick, one process: crop, extent, the top-left colour made transparent
#   Pillow       bench/pillow_convert.py, one process (Pillow stores the image as PNG)
#   Qt floor     bench/qt_floor: Qt's reader decodes each picture whole, its writer writes
#                the square; nothing else, one picture after the other
# Sets: the first 200, 2,000 and 10,000 of the mixed pictures (BMP, GIF, JPEG and PNG in turn,
# 16 to 256 pixels either way), and 200 JPEGs of 1600x1200. Each figure is the best of RUNS
# runs (default 3): pictures/s, wall seconds, peak resident memory, the load average (1 min)
# just before. Inputs and outputs are on tmpfs when /dev/shm exists, so that the disk's
# journal, busy with other work on a shared machine, does not set every tool's pace.
#
# Usage: bench/convert_vs_imagemagick.sh [BREVANE_CLI] [WORK_DIR]
#   BREVANE_CLI  default: build/dev/brevane-cli (qt_floor is looked for beside it, in bench/)
#   WORK_DIR     keeps the generated pictures between runs (default /dev/shm/brevane-bench)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$here/build/dev/brevane-cli}")
floor=$(dirname "$cli")/bench/qt_floor
work=${2:-/dev/shm/brevane-bench}
[[ -d /dev/shm || -n ${2:-} ]] || work=$(mktemp -d)
runs=${RUNS:-3}
python=/usr/bin/python3
mogrify=/usr/bin/mogrify
time_tool=/usr/bin/time
for tool in "$cli" "$floor" "$python" "$mogrify" "$time_tool"; do
    [[ -x $tool ]] || { echo "missing: $tool" >&2; exit 2; }
done
"$python" -c 'import PIL' 2>/dev/null || { echo "missing: python3-pil" >&2; exit 2; }

mkdir -p "$work"
work=$(realpath "$work")
make() { # KIND COUNT: generated once, reused while the count matches
    local dir=$work/$1
    if [[ ! -d $dir || $(ls "$dir" | wc -l) -ne $2 ]]; then
        echo "Generating $2 $1 pictures in $dir..."
        rm -rf "$dir"
        "$python" "$here/bench/make_bench_pictures.py" "$1" "$dir" "$2"
    fi
}
make mixed 10000
make photos 200

# "seconds kilobytes" of the best of $runs runs; each run writes into an empty folder.
best() {
    local out=$work/out i result best_s="" best_kb=""
    for ((i = 0; i < runs; i++)); do
        rm -rf "$out" && mkdir "$out"
        result=$("$time_tool" -f '%e %M' "$@" 2>&1 >/dev/null | tail -n 1)
        read -r s kb <<<"$result"
        if [[ -z $best_s ]] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then
            best_s=$s best_kb=$kb
        fi
    done
    echo "$best_s $best_kb"
}

load() { cut -d' ' -f1 /proc/loadavg; }

# SET_NAME COUNT DIR: measures every tool on the first COUNT pictures of DIR.
declare -A seconds kilobytes
measure_set() {
    local name=$1 count=$2 dir=$3 tool s kb l
    mapfile -t pictures < <(ls "$dir" | sort | head -n "$count")
    cd "$dir"
    printf '\n%s: %d pictures\n' "$name" "$count"
    printf '  %-12s %10s %9s %10s %6s\n' tool pictures/s seconds "peak MiB" load
    for tool in brevane mogrify pillow floor; do
        l=$(load)
        case $tool in
        brevane) read -r s kb < <(best "$cli" convert -o "$work/out" -s 32 -b 24 "${pictures[@]}") ;;
        mogrify) read -r s kb < <(best "$mogrify" -path "$work/out" -crop 32x32+0+0 +repage -background none \
            -extent 32x32 -alpha set -fill none -draw 'matte 0,0 replace' -format ico "${pictures[@]}") ;;
        pillow) read -r s kb < <(best "$python" "$here/bench/pillow_convert.py" 32 "$work/out" "${pictures[@]}") ;;
        floor) read -r s kb < <(best "$floor" 32 "$work/out" "${pictures[@]}") ;;
        esac
        seconds[$name.$tool]=$s kilobytes[$name.$tool]=$kb
        awk -v t="$tool" -v n="$count" -v s="$s" -v kb="$kb" -v l="$l" \
            'BEGIN { printf "  %-12s %10.0f %9.2f %10.1f %6s\n", t, (s > 0 ? n / s : 0), s, kb / 1024, l }'
    done
    awk -v b="${seconds[$name.brevane]}" -v m="${seconds[$name.mogrify]}" -v p="${seconds[$name.pillow]}" \
        -v f="${seconds[$name.floor]}" 'BEGIN {
        if (b <= 0) { print "  (too fast to time: use more pictures)"; exit }
        printf "  brevane-cli is %.2fx mogrify, %.2fx Pillow, %.2fx the faster of them, %.2fx the Qt floor\n",
            m / b, p / b, (m < p ? m : p) / b, f / b }'
}

echo "brevane-cli: $cli"
echo "machine: $(nproc) cores; load average now $(cut -d' ' -f1-3 /proc/loadavg)"
measure_set mixed-200 200 "$work/mixed"
measure_set mixed-2000 2000 "$work/mixed"
measure_set mixed-10000 10000 "$work/mixed"
measure_set photos-200 200 "$work/photos"

echo
awk -v s2="${seconds[mixed-2000.brevane]}" -v s10="${seconds[mixed-10000.brevane]}" \
    -v k2="${kilobytes[mixed-200.brevane]}" -v k10="${kilobytes[mixed-10000.brevane]}" 'BEGIN {
    r = (s10 / 10000) / (s2 / 2000)
    printf "brevane-cli time per picture, 10,000 against 2,000: %.2f (%s)\n", r,
        (r < 1.15 ? "linear" : "grows faster than the count")
    printf "brevane-cli peak memory, 10,000 against 200 pictures: %.1f against %.1f MiB (%+.1f %%)\n",
        k10 / 1024, k2 / 1024, 100 * (k10 - k2) / k2 }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$work/out"
