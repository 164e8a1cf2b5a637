#!/usr/bin/env bash
# Makes the program's own sounds: the twelve key clicks (res/sounds/dtmf/) as the key's
# dual-tone pair, 120 ms, and the busy tone (res/sounds/Busy.wav), 480 + 620 Hz, 0.5 s on
# and 0.5 s off; all 8000 Hz mono 16-bit PCM, the format the main window's channel opens.
# The results are committed; run this again only to change them.
set -euo pipefail
out="$(cd "$(dirname "$0")/../../res/sounds" && pwd)"
mkdir -p "$out/dtmf"
fmt=(-r 8000 -c 1 -b 16 -e signed-integer)
key() {  # name low high
  sox -n "${fmt[@]}" "$out/dtmf/$1.wav" synth 0.12 sine "$2" sine "$3" channels 1 \
      remix - fade 0.005 0.12 0.01 gain -n -6
}
key d1 697 1209; key d2 697 1336; key d3 697 1477
key d4 770 1209; key d5 770 1336; key d6 770 1477
key d7 852 1209; key d8 852 1336; key d9 852 1477
key star 941 1209; key d0 941 1336; key hash 941 1477
sox -n "${fmt[@]}" "$out/Busy.wav" synth 0.5 sine 480 sine 620 channels 1 remix - \
    fade 0.01 0.5 0.01 gain -n -6 pad 0 0.5
