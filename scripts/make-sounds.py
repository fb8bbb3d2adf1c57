#!/usr/bin/env python3
"""Writes Velkor's six sound effects as small mono 16-bit WAV files.

The sounds are synthesised here (no recordings), so the repository owns them outright and they
can be rebuilt byte for byte: python3 scripts/make-sounds.py [output folder]
The default folder is src/platform/sounds, where the build compiles them in as Qt resources.
"""

import math
import struct
import sys
import wave
from pathlib import Path

SAMPLE_RATE = 22050
PEAK = 0.45  # of full scale: audible, never clipping when effects overlap


def tone(frequency, seconds, decay, end_frequency=None):
    """A sine tone with a short attack and an exponential fade; optionally gliding in pitch."""
    count = int(SAMPLE_RATE * seconds)
    end_frequency = end_frequency or frequency
    samples = []
    phase = 0.0
    attack = max(1, int(SAMPLE_RATE * 0.004))
    for i in range(count):
        progress = i / count
        current = frequency + (end_frequency - frequency) * progress
        phase += 2.0 * math.pi * current / SAMPLE_RATE
        envelope = min(1.0, i / attack) * math.exp(-decay * progress)
        samples.append(math.sin(phase) * envelope)
    return samples


def silence(seconds):
    return [0.0] * int(SAMPLE_RATE * seconds)


def mix(*layers):
    length = max(len(layer) for layer in layers)
    return [sum(layer[i] for layer in layers if i < len(layer)) / len(layers)
            for i in range(length)]


# The six roles: a light tick for a move, a dull pop for a capture, a two-beep signal for a
# check, a short rising fanfare for the end of a game, two quick ticks for castling (king and
# rook), and three short high pips when a running clock falls below ten seconds.
SOUNDS = {
    "move.wav": lambda: tone(1760, 0.06, 7.0),
    "capture.wav": lambda: mix(tone(520, 0.11, 6.0, end_frequency=260),
                               tone(1040, 0.05, 9.0)),
    "check.wav": lambda: tone(880, 0.07, 3.0) + silence(0.05) + tone(880, 0.09, 3.0),
    "game_end.wav": lambda: (tone(523.25, 0.11, 2.0) + tone(659.25, 0.11, 2.0)
                             + tone(783.99, 0.11, 2.0) + tone(1046.5, 0.30, 3.5)),
    "castle.wav": lambda: tone(1568, 0.05, 7.0) + silence(0.04) + tone(1318.5, 0.06, 7.0),
    "low_time.wav": lambda: (tone(2093, 0.05, 2.5) + silence(0.06) + tone(2093, 0.05, 2.5)
                             + silence(0.06) + tone(2093, 0.05, 2.5)),
}


def write_wav(path, samples):
    frames = b"".join(struct.pack("<h", int(round(max(-1.0, min(1.0, s)) * PEAK * 32767)))
                      for s in samples)
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(SAMPLE_RATE)
        out.writeframes(frames)


def main():
    default = Path(__file__).resolve().parent.parent / "src" / "platform" / "sounds"
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    folder.mkdir(parents=True, exist_ok=True)
    for name, make in SOUNDS.items():
        write_wav(folder / name, make())
        print(folder / name)


if __name__ == "__main__":
    main()
