#!/usr/bin/env python3
"""Small WAV helper for the command-line tests.

  wav_tool.py silence OUT RATE CHANNELS FRAMES   16-bit file, sparse on disk
  wav_tool.py noise OUT RATE CHANNELS FRAMES [BAD]  32-bit float noise, BAD
                                                  samples NaN or infinite
  wav_tool.py noise16 OUT RATE CHANNELS FRAMES   16-bit PCM noise
  wav_tool.py block OUT F1..F8 S1 S2 S3          a 44-byte parameter block
  wav_tool.py samedata A B                       exit 0 when the two files
                                                  hold the same samples
  wav_tool.py samepcm16 FLOAT PCM                exit 0 when the 16-bit PCM
                                                  file holds the float file's
                                                  samples as 16-bit PCM; says
                                                  how many were clamped and
                                                  how many were ties
"""
import random
import struct
import sys


def header(tag, bits, rate, channels, data_bytes):
    align = channels * bits // 8
    return (b"RIFF" + struct.pack("<I", 36 + data_bytes) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, tag, channels, rate, rate * align, align, bits) +
            b"data" + struct.pack("<I", data_bytes))


def silence(path, rate, channels, frames):
    data_bytes = frames * channels * 2
    with open(path, "wb") as out:
        out.write(header(1, 16, rate, channels, data_bytes))
        out.truncate(44 + data_bytes)


def noise(path, rate, channels, frames, bad=0):
    rng = random.Random(12)
    samples = [rng.uniform(-0.9, 0.9) for _ in range(frames * channels)]
    specials = [float("nan"), float("inf"), float("-inf")]
    for i in range(bad):
        samples[(i * 7919 + 101) % len(samples)] = specials[i % 3]
    with open(path, "wb") as out:
        out.write(header(3, 32, rate, channels, len(samples) * 4))
        out.write(struct.pack("<%df" % len(samples), *samples))


def noise16(path, rate, channels, frames):
    rng = random.Random(16)
    samples = [rng.randint(-29491, 29491) for _ in range(frames * channels)]
    with open(path, "wb") as out:
        out.write(header(1, 16, rate, channels, len(samples) * 2))
        out.write(struct.pack("<%dh" % len(samples), *samples))


def block(path, values):
    floats = [float(v) for v in values[:8]]
    switches = [int(v) for v in values[8:11]]
    with open(path, "wb") as out:
        out.write(struct.pack("<8f3i", *floats, *switches))


def data_chunk(path):
    try:
        with open(path, "rb") as f:
            file = f.read()
    except OSError as e:
        sys.exit("cannot read %s: %s" % (path, e.strerror))
    if file[:4] != b"RIFF" or file[8:12] != b"WAVE":
        sys.exit("%s is not a RIFF WAV file" % path)
    at, fmt = 12, None
    while at + 8 <= len(file):
        chunk, size = file[at:at + 4], struct.unpack("<I", file[at + 4:at + 8])[0]
        if chunk == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack("<HHIIHH", file[at + 8:at + 24])
            fmt = (tag, channels, rate, bits)
        elif chunk == b"data":
            return fmt, file[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    sys.exit("%s has no data chunk" % path)


def samedata(a, b):
    fa, da = data_chunk(a)
    fb, db = data_chunk(b)
    if fa != fb:
        sys.exit("formats differ: %s %s" % (fa, fb))
    if len(da) != len(db):
        sys.exit("lengths differ: %d and %d bytes" % (len(da), len(db)))
    for i in range(0, len(da), 4):
        if da[i:i + 4] != db[i:i + 4]:
            sys.exit("sample %d differs: %s and %s" % (i // 4, da[i:i + 4].hex(), db[i:i + 4].hex()))


def to_pcm16(x):
    """A float sample as 16-bit PCM: scaled by 32768, rounded to nearest
    (ties to even, as Python's round does), clamped."""
    return max(-32768, min(32767, round(x * 32768)))


def samepcm16(floats, pcm):
    ff, fd = data_chunk(floats)
    pf, pd = data_chunk(pcm)
    if ff[0] != 3 or ff[3] != 32 or pf[0] != 1 or pf[3] != 16:
        sys.exit("expected 32-bit float and 16-bit PCM, not %s and %s" % (ff, pf))
    if ff[1:3] != pf[1:3]:
        sys.exit("channels or rates differ: %s %s" % (ff, pf))
    if len(fd) // 4 != len(pd) // 2:
        sys.exit("lengths differ: %d and %d samples" % (len(fd) // 4, len(pd) // 2))
    values = struct.unpack("<%df" % (len(fd) // 4), fd)
    got = struct.unpack("<%dh" % (len(pd) // 2), pd)
    for i, (x, g) in enumerate(zip(values, got)):
        if to_pcm16(x) != g:
            sys.exit("sample %d: %r should be %d, is %d" % (i, x, to_pcm16(x), g))
    # What the comparison covered, for the caller to hold the case to.
    clamped = sum(1 for x in values if not -32768 <= round(x * 32768) <= 32767)
    ties = sum(1 for x in values if (x * 32768) % 1 == 0.5)
    print("%d clamped, %d ties" % (clamped, ties))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "silence":
        silence(args[0], *map(int, args[1:4]))
    elif command == "noise":
        noise(args[0], *map(int, args[1:]))
    elif command == "noise16":
        noise16(args[0], *map(int, args[1:]))
    elif command == "block":
        block(args[0], args[1:])
    elif command == "samedata":
        samedata(*args)
    elif command == "samepcm16":
        samepcm16(*args)
    else:
        sys.exit("unknown command " + command)
