#!/usr/bin/env bash
# Times imprimata-stamp on 24- and 50-megapixel photographs (4:2:0, quality 95) against
# libvips, ImageMagick 6 and the bare decode and encode of the same file: by default (only the
# stamped blocks encoded again; the file with Huffman tables of its own and with the standard
# ones) and with --quality 90 (the whole picture); and a batch with one job against two.
#   bench/stamp-bench.sh            (RUNS=n for more runs, KEEP=1 to keep the files)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-stamp-bench}
runs=${RUNS:-5}
((runs >= 5)) || runs=5

# What the comparison needs, installed only when missing; the project's tests need none of it.
"$here/scripts/setup-debian.sh"
missing=()
command -v convert-im6.q16 >/dev/null || missing+=(imagemagick)
command -v vips >/dev/null || missing+=(libvips-tools)
command -v djpeg >/dev/null && command -v cjpeg >/dev/null && command -v jpegtran >/dev/null ||
  missing+=(libjpeg-turbo-progs)
[ -x /usr/bin/time ] || missing+=(time)
if ((${#missing[@]})); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

echo "Building imprimata-stamp (Release) in $build ..."
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target imprimata-stamp >/dev/null
tool="$build/src/tool/imprimata-stamp"

work=$(mktemp -d)
if [ "${KEEP:-0}" = 1 ]; then echo "Files kept in $work"; else trap 'rm -rf "$work"' EXIT; fi
cd "$work"

echo "Generating 6000 x 4000 and 8660 x 5774 photograph-like pictures (takes a while) ..."
convert-im6.q16 -size 6000x4000 -seed 7 plasma:fractal -blur 0x1 -sampling-factor 2x2 \
  -quality 95 big.jpg
convert-im6.q16 big.jpg -resize 8660x5774! -sampling-factor 2x2 -quality 95 big50.jpg
# The same pictures with the standard Huffman tables, as cameras write them (ImageMagick makes
# each picture tables of its own).
djpeg big.jpg | cjpeg -quality 95 -sample 2x2 >std.jpg
djpeg big50.jpg | cjpeg -quality 95 -sample 2x2 >std50.jpg
pixels=$((6000 * 4000))
pixels50=$((8660 * 5774))
# Sixteen different 12-megapixel pictures, cut losslessly on block boundaries.
for i in $(seq 0 15); do
  jpegtran -crop "4240x2832+$((i * 96))+$((i * 64))" -outfile "batch$i.jpg" big.jpg
done

# A text mark: "Imprimata 2024" in DejaVu Sans bold 48 points, red, Solid with Low
# transparency, 600 x 80 pixels.
mark=bench.\$IM
# shellcheck disable=SC2016 # the dollar belongs to the file name
printf '%s\r\n' '"Imprimata, version 1.1"' '"bench.$IM"' 0 '#TRUE#' 0 '#FALSE#' '"DejaVu Sans"' \
  48 '#FALSE#' '#FALSE#' 700 255 1200 '""' 0 1 13369376 '"Imprimata 2024"' 0 9000 >"$mark"
font=$(fc-match -f '%{file}' 'DejaVu Sans:bold')
# The same text as a picture for libvips, placed 40 pixels in from the bottom-right corner.
convert-im6.q16 -background none -font "$font" -pointsize 64 -fill 'rgba(255,0,0,0.4)' \
  label:'Imprimata 2024' mark.png
mark_w=$(identify -format %w mark.png) mark_h=$(identify -format %h mark.png)

# run_once NAME CMD...: runs CMD once and adds its wall time (microseconds), processor time
# (user + system, ms) and peak resident size (KiB) to NAME.wall, NAME.cpu and NAME.rss.
run_once() {
  local name=$1 start end kib user system
  shift
  start=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o usage "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000)) >>"$name.wall"
  read -r kib user system <usage
  awk -v u="$user" -v s="$system" 'BEGIN { printf "%d\n", (u + s) * 1000 }' >>"$name.cpu"
  echo "$kib" >>"$name.rss"
}
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall_ms() { awk -v us="$(median "$1.wall")" 'BEGIN { printf "%.0f", us / 1000 }'; }

# compare NAME... : after one warm-up each, $runs rounds that run every named command once,
# so a slow spell of the machine falls on all of them alike. cmd_NAME holds each command.
compare() {
  local name round
  for name in "$@"; do
    local -n cmd="cmd_$name"
    "${cmd[@]}" >/dev/null 2>&1
    rm -f "$name.wall" "$name.cpu" "$name.rss"
  done
  for ((round = 0; round < runs; round++)); do
    for name in "$@"; do
      local -n cmd="cmd_$name"
      run_once "$name" "${cmd[@]}"
    done
  done
}

verdict() { awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN { ok = op == "<=" ? v <= t : v >= t; print ok ? "met" : "MISSED" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Timings mean little while something else keeps the CPUs busy.
idle_ticks() { awk '/^cpu / { print $5 + $6, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9 }' /proc/stat; }
read -r idle0 total0 < <(idle_ticks)
sleep 1
read -r idle1 total1 < <(idle_ticks)
busy=$((100 - 100 * (idle1 - idle0) / (total1 - total0)))

convert-im6.q16 -size 64x48 xc:gray tiny.jpg
place=(--mark "$mark" --anchor bottom-right --at '40,40' --overwrite)
# shellcheck disable=SC2034 # compare reaches these through name references
{
  cmd_a=("$tool" "${place[@]}" -o a.jpg big.jpg)
  cmd_s=("$tool" "${place[@]}" -o s.jpg std.jpg)
  cmd_q=("$tool" "${place[@]}" --quality 90 -o q.jpg big.jpg)
  cmd_v=(vips composite2 big.jpg mark.png 'v.jpg[Q=90,subsample-mode=on]' over
    --x $((6000 - mark_w - 40)) --y $((4000 - mark_h - 40)))
  cmd_b=(convert-im6.q16 big.jpg -font "$font" -pointsize 64 -fill 'rgba(255,0,0,0.4)'
    -gravity SouthEast -annotate +41+41 'Imprimata 2024' -quality 90 b.jpg)
  cmd_c=(sh -c 'djpeg big.jpg | cjpeg -quality 90 >c.jpg')
  cmd_a50=("$tool" "${place[@]}" -o a50.jpg big50.jpg)
  cmd_s50=("$tool" "${place[@]}" -o s50.jpg std50.jpg)
  cmd_q50=("$tool" "${place[@]}" --quality 90 -o q50.jpg big50.jpg)
  cmd_v50=(vips composite2 big50.jpg mark.png 'v50.jpg[Q=90,subsample-mode=on]' over
    --x $((8660 - mark_w - 40)) --y $((5774 - mark_h - 40)))
  cmd_c50=(sh -c 'djpeg big50.jpg | cjpeg -quality 90 >c50.jpg')
  cmd_help=("$tool" --help)
  cmd_tiny=("$tool" --mark "$mark" --overwrite -o tiny-out.jpg tiny.jpg)
  cmd_jobs1=("$tool" "${place[@]}" --jobs 1 --out-dir out1 batch*.jpg)
  cmd_jobs2=("$tool" "${place[@]}" --jobs 2 --out-dir out2 batch*.jpg)
}
compare a s q v b c
compare a50 s50 q50 v50 c50
compare help tiny
compare jobs1 jobs2

s_ms=$(wall_ms s) s50_ms=$(wall_ms s50)
s_kib=$(sort -n s.rss | tail -1) s50_kib=$(sort -n s50.rss | tail -1)
a_ms=$(wall_ms a) q_ms=$(wall_ms q) v_ms=$(wall_ms v) b_ms=$(wall_ms b) c_ms=$(wall_ms c)
a_cpu=$(median a.cpu) q_cpu=$(median q.cpu) v_cpu=$(median v.cpu) b_cpu=$(median b.cpu)
c_cpu=$(median c.cpu)
a_kib=$(sort -n a.rss | tail -1) q_kib=$(sort -n q.rss | tail -1) v_kib=$(sort -n v.rss | tail -1)
a50_ms=$(wall_ms a50) q50_ms=$(wall_ms q50) v50_ms=$(wall_ms v50) c50_ms=$(wall_ms c50)
a50_kib=$(sort -n a50.rss | tail -1) q50_kib=$(sort -n q50.rss | tail -1)
v50_kib=$(sort -n v50.rss | tail -1)
help_ms=$(wall_ms help) tiny_ms=$(wall_ms tiny) j1_ms=$(wall_ms jobs1) j2_ms=$(wall_ms jobs2)

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
# Peak limits: the blocks path may hold 3.5 bytes a pixel (the coefficients) and 30 MB; the
# whole-picture path 60 MB whatever the size.
blocks_limit() { awk -v p="$1" 'BEGIN { printf "%.0f", (3.5 * p + 30 * 1048576) / 1024 }'; }
speedup=$(ratio "$j1_ms" "$j2_ms")

echo
if ((busy > 10)); then
  echo "Note: the CPUs were $busy % busy with other work before the timings; they are unreliable."
fi
for size in 24 50; do
  if [ "$size" = 24 ]; then
    file=big.jpg px=$pixels a=$a_ms q=$q_ms v=$v_ms c=$c_ms ak=$a_kib qk=$q_kib vk=$v_kib
    s=$s_ms sk=$s_kib
  else
    file=big50.jpg px=$pixels50 a=$a50_ms q=$q50_ms v=$v50_ms c=$c50_ms ak=$a50_kib qk=$q50_kib
    vk=$v50_kib s=$s50_ms sk=$s50_kib
  fi
  echo "$size-megapixel picture ($(stat -c %s "$file") bytes, 4:2:0, q95); median of $runs runs, wall time"
  printf '  (a) imprimata-stamp, stamped blocks only   %6d ms  peak %7s MiB  (%s bytes)\n' \
    "$a" "$(mib "$ak")" "$(stat -c %s "${file/big/a}")"
  printf '  (s) the same, standard Huffman tables       %6d ms  peak %7s MiB\n' "$s" "$(mib "$sk")"
  printf '  (q) imprimata-stamp --quality 90            %6d ms  peak %7s MiB\n' "$q" "$(mib "$qk")"
  printf '  (v) vips composite2, Q 90, 4:2:0            %6d ms  peak %7s MiB\n' "$v" "$(mib "$vk")"
  printf '  (c) djpeg | cjpeg -quality 90 (the floor)   %6d ms\n' "$c"
  echo "  a/c = $(ratio "$a" "$c")  target <= 0.75: $(verdict "$(ratio "$a" "$c")" '<=' 0.75);" \
    "a/v = $(ratio "$a" "$v")  target < 1: $(verdict "$(ratio "$a" "$v")" '<=' 0.99);" \
    "peak target <= 3.5 B/px + 30 MB: $(verdict "$ak" '<=' "$(blocks_limit "$px")")"
  echo "  s/c = $(ratio "$s" "$c")  target <= 0.75: $(verdict "$(ratio "$s" "$c")" '<=' 0.75);" \
    "s/v = $(ratio "$s" "$v")  target < 1: $(verdict "$(ratio "$s" "$v")" '<=' 0.99);" \
    "peak target <= 3.5 B/px + 30 MB: $(verdict "$sk" '<=' "$(blocks_limit "$px")")"
  echo "  q/c = $(ratio "$q" "$c")  target <= 1.1: $(verdict "$(ratio "$q" "$c")" '<=' 1.1);" \
    "q/v = $(ratio "$q" "$v")  target < 1: $(verdict "$(ratio "$q" "$v")" '<=' 0.99);" \
    "peak target <= 60 MB: $(verdict "$qk" '<=' 58594)"
done
printf '  (b) ImageMagick 6 convert, 24 MP, text at 40 %% opacity, JPEG 90  %6d ms (cpu %d ms)\n' \
  "$b_ms" "$b_cpu"
echo "  q/b = $(ratio "$q_ms" "$b_ms")   (cpu: a $a_cpu ms, q $q_cpu ms, v $v_cpu ms, c $c_cpu ms)"
echo "Batch of 16 pictures of 4240 x 2832 (12 MP):"
echo "  --jobs 1 $j1_ms ms, --jobs 2 $j2_ms ms, speed-up $speedup   target >= 1.7: $(verdict "$speedup" '>=' 1.7)"
echo "Start-up: --help $help_ms ms; a 64 x 48 picture stamped and saved $tiny_ms ms"
