#!/usr/bin/env bash
# Converts generated pictures (BMP, GIF, JPEG, PNG; 16 to 256 pixels wide and high) to
# 32x32 24-bit icons with `brevane-cli convert` and, on the same pictures, with ImageMagick in
# one process (mogrify, top-left 32x32 crop, no scaling). Prints both times, their ratio,
# and the peak memory of brevane-cli for 200 and for all the pictures.
#
# Usage: bench/convert_vs_imagemagick.sh [BREVANE_CLI] [COUNT] [PICTURE_DIR]
#   BREVANE_CLI  default: build/dev/brevane-cli (from the repository root)
#   COUNT        default: 2000
#   PICTURE_DIR  keeps the generated pictures there and reuses them when it already holds COUNT
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$here/build/dev/brevane-cli}
count=${2:-2000}
small=200
magick_convert=/usr/bin/convert
magick_mogrify=/usr/bin/mogrify
time_tool=/usr/bin/time

for tool in "$cli" "$magick_convert" "$magick_mogrify" "$time_tool"; do
    [[ -x $tool ]] || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pictures_dir=${3:-$work/in}
mkdir -p "$pictures_dir" "$work/out_brevane" "$work/out_small" "$work/out_magick"

# Every picture gets its own stem, so icons of different formats never share a name.
existing=$(ls "$pictures_dir" | wc -l)
if [[ $existing -ne 0 && $existing -ne $count ]]; then
    echo "$pictures_dir holds $existing files, not $count pictures; give an empty folder" >&2
    exit 2
fi
if [[ $existing -eq 0 ]]; then
    echo "Generating $count pictures..."
    formats=(bmp gif jpg png)
    args=()
    RANDOM=42
    for ((i = 0; i < count; i++)); do
        w=$((16 + RANDOM % 241))
        h=$((16 + RANDOM % 241))
        f=${formats[i % 4]}
        c1=$(printf '#%06X' $(((RANDOM << 9 ^ RANDOM) & 0xFFFFFF)))
        c2=$(printf '#%06X' $(((RANDOM << 9 ^ RANDOM) & 0xFFFFFF)))
        args+=("(" -size "${w}x${h}" "gradient:$c1-$c2" -write "$pictures_dir/p$(printf %05d "$i").$f" +delete ")")
    done
    # One ImageMagick process writes them all; the last image goes nowhere useful.
    "$magick_convert" "${args[@]}" -size 1x1 xc:black "$work/null.png"
    rm -f "$work/null.png"
fi

mapfile -t pictures < <(cd "$pictures_dir" && ls | sort)
small_list=("${pictures[@]:0:$small}")

# Runs a command, prints "wall cpu kilobytes": wall-clock and user+system seconds, peak
# resident memory. On a shared machine the processor time is the steadier figure.
measure() {
    "$time_tool" -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -n 1 | awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }'
}

cd "$pictures_dir"
read -r _ _ brevane_small_kb < <(measure "$cli" convert -o "$work/out_small" -s 32 -b 24 "${small_list[@]}")
read -r brevane_s brevane_cpu brevane_kb < <(measure "$cli" convert -o "$work/out_brevane" -s 32 -b 24 "${pictures[@]}")
read -r magick_s magick_cpu magick_kb < <(measure "$magick_mogrify" -path "$work/out_magick" -crop 32x32+0+0 +repage \
    -type TrueColor -format ico "${pictures[@]}")

written_brevane=$(ls "$work/out_brevane" | wc -l)
written_magick=$(ls "$work/out_magick" | wc -l)

echo
printf 'pictures:                       %d (icons written: brevane-cli %d, ImageMagick %d)\n' \
    "$count" "$written_brevane" "$written_magick"
printf '                                    wall      processor\n'
printf 'brevane-cli convert:            %8.2f s  %8.2f s\n' "$brevane_s" "$brevane_cpu"
printf 'ImageMagick mogrify:            %8.2f s  %8.2f s\n' "$magick_s" "$magick_cpu"
awk -v b="$brevane_s" -v m="$magick_s" -v bc="$brevane_cpu" -v mc="$magick_cpu" 'BEGIN {
    printf "ImageMagick / brevane-cli:      %8s    %8s\n",
        (b > 0 ? sprintf("%.2f x", m / b) : "n/a"), (bc > 0 ? sprintf("%.2f x", mc / bc) : "n/a") }'
printf 'brevane-cli peak memory, %4d:  %8d KiB\n' "$small" "$brevane_small_kb"
printf 'brevane-cli peak memory, %4d:  %8d KiB\n' "$count" "$brevane_kb"
printf 'ImageMagick peak memory, %4d:  %8d KiB\n' "$count" "$magick_kb"
