#!/usr/bin/env bash
# Makes the sample clip assets/vorn.evc from synthetic sources: 20 s of slowly turning colour
# spirals, 1280x720 H.264 at 30 fps in MP4, with a quiet low rumble as its sound track.
# Needs ffmpeg. The result is committed; run this only to change it.
set -euo pipefail
out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/assets/vorn.evc"}
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "gradients=size=1280x720:rate=30:speed=0.008:nb_colors=5:seed=11:type=spiral:duration=20:c0=0x0b1d51:c1=0x3a86ff:c2=0x8338ec:c3=0xff006e:c4=0xffbe0b" \
  -f lavfi -i "anoisesrc=color=brown:amplitude=0.05:duration=20:sample_rate=44100:seed=3" \
  -filter_complex "[0:v]hue=H=2*PI*t/20[v];[1:a]lowpass=f=300,volume=0.4,afade=t=in:d=1,afade=t=out:st=19:d=1[a]" \
  -map "[v]" -map "[a]" -c:v libx264 -preset slow -crf 24 -pix_fmt yuv420p -profile:v high -g 60 \
  -c:a aac -b:a 48k -movflags +faststart -f mp4 -shortest "$out"
ls -l "$out"
