#!/usr/bin/env bash
# Makes the decoder fuzz target's seed corpus: a fraction of a second of every common kind of
# file, tiny pictures, so that each seed is a few kilobytes.
set -euo pipefail
out=$1
mkdir -p "$out"
v=(-f lavfi -i testsrc=size=32x24:rate=10:duration=0.5)
a=(-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.5)
make() {
  local name=$1
  shift
  ffmpeg -nostdin -loglevel error -y "$@" "$out/$name"
}
make mpeg4.avi "${v[@]}" "${a[@]}" -c:v mpeg4 -c:a mp3 -shortest
make h264.mp4 "${v[@]}" "${a[@]}" -c:v libx264 -bf 2 -c:a aac -shortest
make mjpeg.mkv "${v[@]}" -c:v mjpeg
make flv1.flv "${v[@]}" "${a[@]}" -c:v flv -ar 11025 -shortest
make mpeg2.ts "${v[@]}" "${a[@]}" -c:v mpeg2video -c:a mp2 -shortest
make h263.3gp -f lavfi -i testsrc=size=128x96:rate=10:duration=0.5 -c:v h263
make tone.mp3 "${a[@]}" -c:a libmp3lame
make tone.wav "${a[@]}" -t 0.1
make tone.flac "${a[@]}"
make tone.ogg "${a[@]}" -c:a libvorbis
touch "$out/stamp"
