#!/usr/bin/env python3
"""Writes Blipnote's own sounds, made here from sine tones (nothing copied):

    scripts/make-sounds.py resources/sounds

arrival.wav: two soft rising notes for an arriving note (16-bit mono, 22050 Hz,
about 0.45 s). The output is the same byte for byte on every run, so the
committed file can be checked against this script.
"""
import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050


def tone(frequency, seconds, volume):
    """A sine with a quick rise and a gentle exponential fall."""
    count = int(RATE * seconds)
    samples = []
    for n in range(count):
        t = n / RATE
        attack = min(1.0, t / 0.008)
        decay = math.exp(-5.0 * t / seconds)
        # A little of the octave above gives the tone a bell's colour.
        value = math.sin(2 * math.pi * frequency * t) + 0.25 * math.sin(4 * math.pi * frequency * t)
        samples.append(volume * attack * decay * value / 1.25)
    return samples


def write(path, samples):
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    arrival = tone(880.0, 0.18, 0.5) + tone(1318.5, 0.27, 0.5)  # A5, then E6
    write(folder / "arrival.wav", arrival)
    print(folder / "arrival.wav")


if __name__ == "__main__":
    main()
