#!/bin/sh
# Seeds for the sound target, made as a game's sounds are (sox, oggenc,
# flac, lame; scripts/setup.sh installs them): short WAV files of either
# sample size, FLAC, Ogg Vorbis, an Ogg chain of two sounds (a bank) and
# MP3. A tool that is missing leaves its seeds out.
#   make-sound-seeds.sh <folder>
set -eu
out=$1
mkdir -p "$out"
have() { command -v "$1" >/dev/null 2>&1; }
have sox || { echo "make-sound-seeds.sh: no sox, no sound seeds" >&2; exit 0; }

sox -n -r 8000 -b 8 -c 1 "$out/wav8-mono.wav" synth 0.03 sine 440
sox -n -r 11025 -b 16 -c 2 "$out/wav16-stereo.wav" synth 0.02 square 300 sine 600
sox -n -r 8000 -b 16 -c 1 "$out/flac.flac" synth 0.05 sine 500-900
if have oggenc; then
  sox -n -r 8000 -b 16 -c 1 -t wav "$out/a.wav.tmp" synth 0.05 sine 700
  sox -n -r 8000 -b 16 -c 1 -t wav "$out/b.wav.tmp" synth 0.05 triangle 300
  oggenc -Q -q 0 --serial 1 -o "$out/vorbis.ogg" "$out/a.wav.tmp"
  oggenc -Q -q 0 --serial 2 -o "$out/b.ogg.tmp" "$out/b.wav.tmp"
  cat "$out/vorbis.ogg" "$out/b.ogg.tmp" > "$out/vorbis-chain.ogg"
  rm -f "$out/a.wav.tmp" "$out/b.wav.tmp" "$out/b.ogg.tmp"
fi
if have lame; then
  sox -n -r 8000 -b 16 -c 1 -t wav "$out/c.wav.tmp" synth 0.05 sine 440
  lame --silent -b 8 "$out/c.wav.tmp" "$out/mp3.mp3"
  rm -f "$out/c.wav.tmp"
fi
