#!/usr/bin/env bash
# Multi-size and 256-pixel 32-bit icons from large pictures: brevane-cli against ImageMagick
# doing the same work, in one run.
#   1. one 1024x1024 PNG with alpha to 16, 24, 32, 48 and 256 pixels in one icon:
#      `brevane-cli multi --from` against `convert IN -define icon:auto-resize=256,48,32,24,16 OUT.ico`;
#   2. COUNT photos of 1600x1200 to 256-pixel 32-bit icons:
#      `brevane-cli convert --fit -b 32 -s 256` against `mogrify -format ico -define icon:auto-resize=256`.
# Prints wall and processor time and peak memory of each, and the machine's load around the run.
#
# Usage: bench/modern_vs_imagemagick.sh [BREVANE_CLI] [COUNT] [PICTURE_DIR]
#   BREVANE_CLI  default: build/dev/brevane-cli (from the repository root)
#   COUNT        default: 200
#   PICTURE_DIR  keeps the generated pictures there and reuses them when it already holds them
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$here/build/dev/brevane-cli}
count=${2:-200}
magick_convert=/usr/bin/convert
magick_mogrify=/usr/bin/mogrify
time_tool=/usr/bin/time

for tool in "$cli" "$magick_convert" "$magick_mogrify" "$time_tool"; do
    [[ -x $tool ]] || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pictures_dir=$(realpath -m "${3:-$work/in}")
mkdir -p "$pictures_dir/photos" "$work/out_brevane" "$work/out_magick"

big=$pictures_dir/big.png
if [[ ! -f $big ]]; then
    echo "Generating the 1024x1024 picture..."
    "$magick_convert" -size 1024x1024 -seed 7 plasma:fractal -alpha set -channel A -fx 'hypot(i-512,j-512)<480' +channel \
        "$big"
fi
existing=$(ls "$pictures_dir/photos" | wc -l)
if [[ $existing -ne $count ]]; then
    rm -f "$pictures_dir"/photos/*
    echo "Generating $count photos of 1600x1200 (once; give PICTURE_DIR to keep them)..."
    # A few plasma scenes, each written in many differently blurred and tinted versions.
    args=()
    for ((i = 0; i < count; i++)); do
        args+=("(" scene$((i % 8)).mpc -modulate 100,$((80 + i % 40)),$((90 + i % 20)) -blur 0x$((i % 3))
            -quality 88 -write "$pictures_dir/photos/p$(printf %04d "$i").jpg" +delete ")")
    done
    (
        cd "$work"
        for s in 0 1 2 3 4 5 6 7; do
            "$magick_convert" -size 1600x1200 -seed $((s + 1)) plasma:fractal "scene$s.mpc"
        done
        "$magick_convert" "${args[@]}" -size 1x1 xc:black null.png
    )
fi
mapfile -t photos < <(ls "$pictures_dir"/photos/*.jpg | sort)

# "wall cpu kilobytes": wall-clock and user+system seconds, peak resident memory.
measure() {
    "$time_tool" -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -n 1 | awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }'
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
read -r bm_s bm_cpu bm_kb < <(measure "$cli" multi -o "$work/out_brevane/big.ico" --from "$big")
read -r mm_s mm_cpu mm_kb < <(measure "$magick_convert" "$big" -define icon:auto-resize=256,48,32,24,16 \
    "$work/out_magick/big.ico")
read -r bc_s bc_cpu bc_kb < <(measure "$cli" convert -o "$work/out_brevane" --fit -b 32 -s 256 "${photos[@]}")
read -r mc_s mc_cpu mc_kb < <(measure "$magick_mogrify" -path "$work/out_magick" -format ico \
    -define icon:auto-resize=256 "${photos[@]}")
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
printf 'machine: %s processors, load average %s before, %s after\n' "$(nproc)" "$load_before" "$load_after"
printf 'icons written: brevane-cli %d, ImageMagick %d\n' "$(ls "$work/out_brevane" | wc -l)" \
    "$(ls "$work/out_magick" | wc -l)"
printf '                                              wall    processor    peak memory\n'
printf 'multi --from 1024x1024 PNG, 5 sizes:      %7.2f s  %7.2f s  %9d KiB\n' "$bm_s" "$bm_cpu" "$bm_kb"
printf 'ImageMagick auto-resize, same:            %7.2f s  %7.2f s  %9d KiB\n' "$mm_s" "$mm_cpu" "$mm_kb"
printf 'convert --fit -b 32 -s 256, %4d photos:  %7.2f s  %7.2f s  %9d KiB\n' "$count" "$bc_s" "$bc_cpu" "$bc_kb"
printf 'mogrify auto-resize=256, same photos:     %7.2f s  %7.2f s  %9d KiB\n' "$mc_s" "$mc_cpu" "$mc_kb"
