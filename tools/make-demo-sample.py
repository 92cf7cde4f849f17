#!/usr/bin/env python3
"""Makes the bundled dry sample, resources/demo/dry.wav: a short phrase of
plucked-string notes and hand-clap-like noise bursts with gaps between them,
so that the reverberation is easy to hear. Deterministic; standard library only.
"""
import math
import random
import struct
import sys
import wave

RATE = 44100
SECONDS = 4.0


def pluck(freq, seconds, rng):
    """Karplus-Strong string: a noise burst through a damped delay loop."""
    period = max(2, int(RATE / freq))
    line = [rng.uniform(-1.0, 1.0) for _ in range(period)]
    out = []
    for n in range(int(seconds * RATE)):
        i = n % period
        sample = line[i]
        line[i] = 0.996 * 0.5 * (sample + line[(i + 1) % period])
        out.append(sample)
    return out


def clap(seconds, rng):
    out = []
    for n in range(int(seconds * RATE)):
        t = n / RATE
        envelope = math.exp(-t * 40.0) * (1.0 if (n // 300) % 2 == 0 or t > 0.03 else 0.4)
        out.append(rng.uniform(-1.0, 1.0) * envelope)
    return out


def main(path):
    rng = random.Random(1234)
    frames = int(SECONDS * RATE)
    left = [0.0] * frames
    right = [0.0] * frames

    def place(signal, start, gain, pan):
        offset = int(start * RATE)
        gl = gain * math.cos(pan * math.pi / 2)
        gr = gain * math.sin(pan * math.pi / 2)
        for i, s in enumerate(signal):
            if offset + i >= frames:
                break
            left[offset + i] += s * gl
            right[offset + i] += s * gr

    # A rising arpeggio (A minor), a clap on the off-beats, then silence.
    notes = [220.0, 261.63, 329.63, 440.0, 329.63, 261.63]
    for k, f in enumerate(notes):
        place(pluck(f, 0.45, rng), 0.05 + k * 0.4, 0.45, 0.25 + 0.1 * k)
    for start in (0.25, 1.05, 1.85):
        place(clap(0.2, rng), start, 0.35, 0.5)
    place(pluck(110.0, 0.9, rng), 2.5, 0.55, 0.5)

    peak = max(max(abs(s) for s in left), max(abs(s) for s in right))
    scale = 0.7 / peak
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        data = bytearray()
        for l, r in zip(left, right):
            data += struct.pack("<hh", int(round(l * scale * 32767)), int(round(r * scale * 32767)))
        out.writeframes(bytes(data))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/demo/dry.wav")
