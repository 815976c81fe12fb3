#!/usr/bin/env python3
"""Makes the collection benchmark's tree: 150,000 files of 8 to 20 KB, each an
ID3v2.3 tag (title, artist, album, track, year, genre and 512 bytes of
padding), MPEG-1 Layer III frames and an ID3v1.1 trailer, laid out as
Artist/Album/NN - Title.mp3 with 10 albums of 10 tracks per artist.

The smaller collections are folders inside the larger one, so that one tree
serves all four sizes:

  FOLDER                  150,000 files (1,000 artists and FOLDER/more)
  FOLDER/more              50,000 files (400 artists and FOLDER/more/more)
  FOLDER/more/more         10,000 files (90 artists and FOLDER/more/more/more)
  FOLDER/more/more/more     1,000 files (10 artists)

Every file is written on its own (no links). A tree that is already complete
(its marker file exists) is left as it is.

Usage: make_collection.py FOLDER
"""
import os
import struct
import sys

ALBUMS = 10
TRACKS = 10
# Artists of each level, innermost first: 1,000, 9,000, 40,000 and 100,000 files.
LEVELS = (10, 90, 400, 1000)
NESTED = "more"
MARKER = ".complete"
PADDING = 512
FRAME_BYTES = 417  # 128 kbit/s at 44.1 kHz
SMALLEST = 8 * 1024
LARGEST = 20 * 1024
# Some names outside ASCII, as real collections have them.
WORDS = ("Banda", "Orquesta", "Coro", "Dúo", "trío", "Ñandú", "Élan", "quartet", "Sinfónica", "Grupo")


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def text(fid, value):
    body = b"\x01\xff\xfe" + value.encode("utf-16-le") if not value.isascii() else b"\0" + value.encode("latin-1")
    return fid + struct.pack(">I", len(body)) + b"\0\0" + body


def v2tag(title, artist, album, track):
    frames = (text(b"TIT2", title) + text(b"TPE1", artist) + text(b"TALB", album) + text(b"TRCK", str(track))
              + text(b"TYER", "2024") + text(b"TCON", "(17)"))
    return b"ID3\x03\0\0" + syncsafe(len(frames) + PADDING) + frames + b"\0" * PADDING


def latin(value, size):
    return value.encode("latin-1", "replace")[:size].ljust(size, b"\0")


def trailer(title, artist, album, track):
    return (b"TAG" + latin(title, 30) + latin(artist, 30) + latin(album, 30) + b"2024" + latin("", 28) + b"\0"
            + bytes([track, 17]))


FRAME = b"\xff\xfb\x90\x00" + bytes((i * 7) % 251 for i in range(FRAME_BYTES - 4))


def write_file(path, index, title, artist, album, track):
    tag = v2tag(title, artist, album, track)
    # Whole frames up to a size between the smallest and the largest.
    size = SMALLEST + FRAME_BYTES + (index * 7919) % (LARGEST - SMALLEST - FRAME_BYTES)
    frames = (size - len(tag) - 128) // FRAME_BYTES
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        os.write(fd, tag + FRAME * frames + trailer(title, artist, album, track))
    finally:
        os.close(fd)


def make_level(folder, first, count):
    index = first * ALBUMS * TRACKS
    for artist_number in range(first, first + count):
        artist = "%s %04d" % (WORDS[artist_number % len(WORDS)], artist_number)
        for album_number in range(1, ALBUMS + 1):
            album = "Album %02d" % album_number
            album_folder = os.path.join(folder, artist, album)
            os.makedirs(album_folder, exist_ok=True)
            for track in range(1, TRACKS + 1):
                title = "Song %d" % index
                write_file(os.path.join(album_folder, "%02d - %s.mp3" % (track, title)), index, title, artist, album,
                           track)
                index += 1


def main():
    root = sys.argv[1]
    if os.path.exists(os.path.join(root, MARKER)):
        return
    folder = root
    for _ in LEVELS[1:]:
        folder = os.path.join(folder, NESTED)
    first = 0
    for level, count in enumerate(LEVELS):
        make_level(folder, first, count)
        first += count
        if level + 1 < len(LEVELS):
            folder = os.path.dirname(folder)
    open(os.path.join(root, MARKER), "w").close()


if __name__ == "__main__":
    main()
