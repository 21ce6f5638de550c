#!/bin/sh
# Makes the demo's sounds into <folder>: music.ogg, a four-second loop of
# an arpeggio over a bass line, and click.ogg, the short tick of a click.
# Synthesised (no noise, so every build makes the same files) with sox,
# encoded with oggenc, as a game's sound designer would hand them over.
#   make-sounds.sh <folder>
set -eu
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rate=44100

# A minor pentatonic, up and down, a quarter of a second a note.
i=0
notes=""
for n in A3 C4 D4 E4 G4 A4 C5 A4 G4 E4 D4 C4 A3 C4 E4 G4; do
  f=$(printf '%s/n%02d.wav' "$work" "$i")
  sox -n -r $rate -c 1 "$f" synth 0.25 triangle "$n" fade q 0.01 0.25 0.12 vol 0.35
  notes="$notes $f"
  i=$((i + 1))
done
# shellcheck disable=SC2086 # the list of note files is meant to split
sox $notes "$work/melody.wav"

bass=""
for n in A2 F2 C3 G2; do
  f="$work/b$n.wav"
  sox -n -r $rate -c 1 "$f" synth 1 sine "$n" fade q 0.02 1 0.3 vol 0.45
  bass="$bass $f"
done
# shellcheck disable=SC2086
sox $bass "$work/bass.wav"

sox -D -m "$work/melody.wav" "$work/bass.wav" -b 16 -c 2 "$work/music.wav"
sox -D -n -r $rate -b 16 -c 1 "$work/click.wav" synth 0.07 sine 1400-700 fade q 0.002 0.07 0.06 vol 0.6

mkdir -p "$out"
oggenc -Q -q 3 --serial 1 -o "$out/music.ogg" "$work/music.wav"
oggenc -Q -q 3 --serial 2 -o "$out/click.ogg" "$work/click.wav"
