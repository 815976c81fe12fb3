#!/usr/bin/env python3
"""Makes the peer benchmark's corpus: COUNT files of about 2 MB of real MP3
frames (encoded once by lame from a generated signal; without lame, frames of
the same layout with generated bodies), each with an ID3v2.3 tag in front and
an ID3v1.1 trailer at the end, in three kinds:

  plain  title, artist, album, year, genre and 2 KB of padding
  cover  the same with a 200 KB JPEG cover (APIC) before the padding
  bigcover  the same with a 1.3 MB cover
  tight  the plain frames without padding: any write that adds a byte grows the file

Usage: make_corpus.py FOLDER COUNT
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

AUDIO_BYTES = 2 * 1024 * 1024
COVER_BYTES = 200 * 1024
BIG_COVER_BYTES = 1300 * 1024
PADDING = 2048


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(fid, body):
    return fid + struct.pack(">I", len(body)) + b"\0\0" + body


def text(fid, value):
    return frame(fid, b"\0" + value.encode("latin-1"))


def lame_audio():
    """About AUDIO_BYTES of MPEG-1 Layer III at 128 kbit/s, or None without lame."""
    if shutil.which("lame") is None:
        return None
    seconds = AUDIO_BYTES * 8 // 128000 + 1
    rate = 44100
    with tempfile.TemporaryDirectory() as scratch:
        pcm = os.path.join(scratch, "signal.raw")
        with open(pcm, "wb") as out:
            samples = bytearray()
            for i in range(seconds * rate):
                # A chord with a slow sweep, so that the encoder has work to do.
                t = i / rate
                v = 0.3 * math.sin(2 * math.pi * (220 + 40 * math.sin(t / 3)) * t) + 0.2 * math.sin(2 * math.pi * 330 * t)
                s = int(v * 32767)
                samples += struct.pack("<hh", s, -s)
                if len(samples) >= 1 << 20:
                    out.write(samples)
                    samples.clear()
            out.write(samples)
        mp3 = os.path.join(scratch, "signal.mp3")
        subprocess.run(["lame", "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian",
                        "-m", "j", "-b", "128", "--cbr", "-t", pcm, mp3], check=True)
        with open(mp3, "rb") as f:
            return f.read()[:AUDIO_BYTES]


def generated_audio():
    header = b"\xff\xfb\x90\x00"  # 128 kbit/s, 44.1 kHz, 417 bytes a frame
    body = bytes((i * 7) % 251 for i in range(413))
    count = AUDIO_BYTES // 417
    return (header + body) * count


def trailer(index):
    return (b"TAG" + ("Song %d" % index).encode().ljust(30, b"\0") + b"Artist".ljust(30, b"\0")
            + b"Album".ljust(30, b"\0") + b"2024" + b"Comment".ljust(28, b"\0") + b"\0" + bytes([index % 256, 17]))


def cover(size):
    data = bytearray(b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01")
    x = 12345
    while len(data) < size:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        data.append((x >> 16) & 0xFF)
    return frame(b"APIC", b"\0image/jpeg\0\x03\0" + bytes(data))


def tag(index, extra, padding):
    frames = (text(b"TIT2", "Song %d" % index) + text(b"TPE1", "Artist") + text(b"TALB", "Album")
              + text(b"TYER", "2024") + text(b"TCON", "Rock") + extra)
    return b"ID3\x03\0\0" + syncsafe(len(frames) + padding) + frames + b"\0" * padding


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    audio = lame_audio() or generated_audio()
    kinds = {"plain": (b"", PADDING), "cover": (cover(COVER_BYTES), PADDING),
             "bigcover": (cover(BIG_COVER_BYTES), PADDING), "tight": (b"", 0)}
    for kind, (extra, padding) in kinds.items():
        os.makedirs(os.path.join(folder, kind), exist_ok=True)
        for i in range(count):
            with open(os.path.join(folder, kind, "%04d.mp3" % i), "wb") as f:
                f.write(tag(i, extra, padding) + audio + trailer(i))


if __name__ == "__main__":
    main()
