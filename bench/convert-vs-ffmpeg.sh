#!/usr/bin/env bash
# A 30-minute MP3-to-MP3 cut through `vorn-engine convert` against the ffmpeg program doing
# the same cut with the same LAME settings (CBR 128 kbit/s, quality 5 = -compression_level
# 5), alternating runs in the same session; reports the median of each and their ratio.
#
# usage: bench/convert-vs-ffmpeg.sh [VORN_ENGINE] [RUNS]
set -euo pipefail

tool=${1:-${VORN_ENGINE:-$(dirname "$0")/../../build-writers/tools/vorn-engine}}
runs=${2:-5}
[[ -x $tool ]] || { echo "no vorn-engine at '$tool'" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rate=44100
begin_s=10
end_s=1790 # 29:50
echo "making a 30-minute MP3 fixture in $work ..."
ffmpeg -nostdin -v error -y \
    -f lavfi -i "sine=f=220:r=$rate:d=1800" -f lavfi -i "anoisesrc=c=pink:r=$rate:a=0.05:d=1800" \
    -filter_complex "[0][1]amix=inputs=2,aeval=val(0)*(0.7+0.3*sin(0.5*t))|val(0)*(0.7+0.3*cos(0.3*t)):c=stereo" \
    -c:a libmp3lame -b:a 192k "$work/source.mp3"

now() { date +%s.%N; }
ours=()
theirs=()
for ((i = 1; i <= runs; i++)); do
    t0=$(now)
    "$tool" convert "$work/source.mp3" "$work/ours.mp3" $((begin_s * rate)) $((end_s * rate)) \
        --mp3-bitrate 128 >/dev/null
    t1=$(now)
    ffmpeg -nostdin -v error -y -ss $begin_s -to $end_s -i "$work/source.mp3" -map 0:a \
        -c:a libmp3lame -b:a 128k -compression_level 5 "$work/ffmpeg.mp3"
    t2=$(now)
    ours+=("$(echo "$t1 - $t0" | bc -l)")
    theirs+=("$(echo "$t2 - $t1" | bc -l)")
    printf 'run %d: vorn-engine %.2f s, ffmpeg %.2f s\n' "$i" "${ours[-1]}" "${theirs[-1]}"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
m_ours=$(median "${ours[@]}")
m_theirs=$(median "${theirs[@]}")
for f in ours ffmpeg; do
    printf '%-7s %s\n' "$f" "$(ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate,duration \
        -of compact=p=0 "$work/$f.mp3")"
done
printf 'median: vorn-engine %.2f s, ffmpeg %.2f s, ratio %.3f (below 1: vorn-engine faster)\n' \
    "$m_ours" "$m_theirs" "$(echo "$m_ours / $m_theirs" | bc -l)"
