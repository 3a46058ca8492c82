#!/usr/bin/env bash
# Times imprimata-stamp on a 24-megapixel photograph against ImageMagick 6 and against the
# bare decode and encode of the same file, and a batch with one job against two.
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

echo "Generating a 6000 x 4000 photograph-like picture (takes a while) ..."
convert-im6.q16 -size 6000x4000 -seed 7 plasma:fractal -blur 0x1 -quality 92 big.jpg
pixels=$((6000 * 4000))
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
  cmd_b=(convert-im6.q16 big.jpg -font "$font" -pointsize 64 -fill 'rgba(255,0,0,0.4)'
    -gravity SouthEast -annotate +41+41 'Imprimata 2024' -quality 90 b.jpg)
  cmd_c=(sh -c 'djpeg big.jpg | cjpeg -quality 90 >c.jpg')
  cmd_help=("$tool" --help)
  cmd_tiny=("$tool" --mark "$mark" --overwrite -o tiny-out.jpg tiny.jpg)
  cmd_jobs1=("$tool" "${place[@]}" --jobs 1 --out-dir out1 batch*.jpg)
  cmd_jobs2=("$tool" "${place[@]}" --jobs 2 --out-dir out2 batch*.jpg)
}
compare a b c
compare help tiny
compare jobs1 jobs2

a_ms=$(wall_ms a) b_ms=$(wall_ms b) c_ms=$(wall_ms c)
a_cpu=$(median a.cpu) b_cpu=$(median b.cpu) c_cpu=$(median c.cpu)
a_kib=$(sort -n a.rss | tail -1)
help_ms=$(wall_ms help) tiny_ms=$(wall_ms tiny) j1_ms=$(wall_ms jobs1) j2_ms=$(wall_ms jobs2)

peak_bytes=$((a_kib * 1024))
limit_bytes=$(awk -v p="$pixels" 'BEGIN { printf "%.0f", 4.5 * p + 30 * 1048576 }')
bpp=$(awk -v b="$peak_bytes" -v p="$pixels" 'BEGIN { printf "%.2f", b / p }')
ac=$(ratio "$a_ms" "$c_ms") ab=$(ratio "$a_ms" "$b_ms") speedup=$(ratio "$j1_ms" "$j2_ms")

echo
if ((busy > 10)); then
  echo "Note: the CPUs were $busy % busy with other work before the timings; they are unreliable."
fi
echo "24-megapixel picture: 6000 x 4000, $(stat -c %s big.jpg) bytes; median of $runs runs, wall time"
printf '  (a) imprimata-stamp, 48-point text, Solid Low, JPEG 90  %6d ms   (cpu %d ms)\n' "$a_ms" "$a_cpu"
printf '  (b) ImageMagick 6 convert, text at 40 %% opacity, JPEG 90 %6d ms   (cpu %d ms)\n' "$b_ms" "$b_cpu"
printf '  (c) djpeg | cjpeg -quality 90                          %6d ms   (cpu %d ms)\n' "$c_ms" "$c_cpu"
echo "  a/c = $ac   target <= 1.3: $(verdict "$ac" '<=' 1.3)   (cpu a/c = $(ratio "$a_cpu" "$c_cpu"))"
echo "  a/b = $ab   target <= 0.5: $(verdict "$ab" '<=' 0.5)"
echo "  peak memory of (a): $peak_bytes bytes = $bpp bytes per pixel;" \
  "limit 4.5 B/px + 30 MiB = $limit_bytes bytes: $(verdict "$peak_bytes" '<=' "$limit_bytes")"
echo "Batch of 16 pictures of 4240 x 2832 (12 MP):"
echo "  --jobs 1 $j1_ms ms, --jobs 2 $j2_ms ms, speed-up $speedup   target >= 1.7: $(verdict "$speedup" '>=' 1.7)"
echo "Start-up: --help $help_ms ms; a 64 x 48 picture stamped and saved $tiny_ms ms"
