#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the program's sounds into sounds/: the board's tones with sox and the
# chatter sounds as short spoken captions with espeak-ng (plus a little sox for
# the ones that are noises rather than words). Mono, 16-bit, at most 22050 Hz,
# so the committed files stay small. Run it again after changing a sound:
#   sh resources/media/make_sounds.sh
set -eu
cd "$(dirname "$0")"
out=sounds
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rate=22050
tone() { # name, then sox synth arguments and effects
    name=$1
    shift
    sox -n -r $rate -c 1 -b 16 "$out/$name.wav" "$@"
}

# Board sounds.
# "entered": a two-note door chime.
sox -n -r $rate -c 1 -b 16 "$tmp/e1.wav" synth 0.18 sine 1319 fade q 0.005 0.18 0.1 gain -6
sox -n -r $rate -c 1 -b 16 "$tmp/e2.wav" synth 0.35 sine 1047 fade q 0.005 0.35 0.3 gain -6
sox "$tmp/e1.wav" "$tmp/e2.wav" "$out/entered.wav"
sox -n -r $rate -c 1 -b 16 "$tmp/a.wav" synth 0.09 sine 784 fade q 0.005 0.09 0.03 gain -5
sox -n -r $rate -c 1 -b 16 "$tmp/b.wav" synth 0.09 sine 988 fade q 0.005 0.09 0.03 gain -5
sox -n -r $rate -c 1 -b 16 "$tmp/c.wav" synth 0.18 sine 1175 fade q 0.005 0.18 0.1 gain -5
sox -n -r $rate -c 1 -b 16 "$tmp/gap.wav" trim 0 0.03
sox "$tmp/a.wav" "$tmp/gap.wav" "$tmp/b.wav" "$tmp/gap.wav" "$tmp/c.wav" "$out/turn.wav"
tone turnnew synth 0.45 sine 440-1760 synth 0.45 sine amod 12 fade q 0.02 0.45 0.15 gain -6
sox -n -r $rate -c 1 -b 16 "$tmp/d1.wav" synth 0.08 sine 1568 fade q 0.005 0.08 0.02 gain -6
sox -n -r $rate -c 1 -b 16 "$tmp/d2.wav" synth 0.25 sine 2093 fade q 0.005 0.25 0.2 gain -6
sox "$tmp/d1.wav" "$tmp/d2.wav" "$out/goodwordme.wav"
tone goodwordthem synth 0.16 sine 660 fade q 0.005 0.16 0.12 gain -9
tone error1 synth 0.28 square 110 synth 0.28 square amod 30 gain -14 lowpass 1800 fade q 0.005 0.28 0.05
tone time synth 0.05 sine 1800 fade q 0.002 0.05 0.04 gain -8
tone timeup synth 0.7 sawtooth 523-262 gain -14 lowpass 2500 fade q 0.01 0.7 0.2
for f in 523 659 784; do
    sox -n -r $rate -c 1 -b 16 "$tmp/g$f.wav" synth 0.14 triangle $f fade q 0.005 0.14 0.04 gain -6
done
sox -n -r $rate -c 1 -b 16 "$tmp/g1047.wav" synth 0.5 triangle 1047 fade q 0.005 0.5 0.35 gain -6
sox "$tmp/g523.wav" "$tmp/g659.wav" "$tmp/g784.wav" "$tmp/g1047.wav" "$out/gameover.wav"

# Chatter sounds: spoken captions.
speech_rate=11025
say() { # number, voice, pitch, words
    espeak-ng -v "$2" -p "$3" -s 165 -w "$tmp/say.wav" "$4"
    sox "$tmp/say.wav" -r $speech_rate -c 1 -b 16 "$out/wave$1.wav" silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse norm -3
}
say 1 en+m3 40 "Doh!"
say 2 en+m1 30 "ahem, cough cough"
say 3 en+f2 55 "Hello!"
say 4 en+m2 50 "Thank you!"
say 5 en+f3 60 "Where have you been?"
say 6 en+m1 10 "snore, zzz"
say 7 en+m3 70 "ah, ah, ah choo!"
say 8 en+f2 45 "Sorry."
say 9 en+m2 55 "Welcome!"
say 10 en+m7 75 "Yeehaa!"
say 11 en+f4 80 "Yippee!"
say 12 en+m3 35 "Oh no!"
say 14 en+m1 50 "honk honk!"
say 15 en+f2 60 "ooooh"
say 16 en+m3 60 "pbbbbt!"
say 17 en+f3 70 "Hooray!"
say 18 en+f4 90 "ha ha ha ha!"
say 19 en+m1 25 "ho ho ho ho!"
say 20 en+f2 40 "boo hoo hoo"

# Applause has no words: bursts of filtered noise, like many hands.
sox -n -r $speech_rate -c 1 -b 16 "$tmp/noise.wav" synth 1.2 pinknoise tremolo 17 90 highpass 900 fade q 0.05 1.2 0.5
sox -n -r $speech_rate -c 1 -b 16 "$tmp/noise2.wav" synth 1.2 whitenoise tremolo 23 80 bandpass 2500 1500h fade q 0.1 1.2 0.4
sox -m "$tmp/noise.wav" "$tmp/noise2.wav" "$out/wave13.wav" norm -6
