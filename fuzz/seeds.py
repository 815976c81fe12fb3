#!/usr/bin/env python3
"""Writes the hand-made seed inputs of each fuzz harness into OUT/<harness>/."""
import os
import shutil
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "fixtures", "faults")


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def header(version, flags, size):
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(size)


def frame(fid, body, flags=b"\0\0"):
    return fid + struct.pack(">I", len(body)) + flags + body


def frame24(fid, body, flags=b"\0\0"):
    return fid + syncsafe(len(body)) + flags + body


def frame22(fid, body):
    return fid + struct.pack(">I", len(body))[1:] + body


def audio(n):
    # A frame sync, then a pattern without 0xFF.
    return b"\xff\xfb\x90\x00" + bytes((i * 7) % 251 for i in range(n))


def tag(version, flags, frames, padding=64, declared=None):
    size = len(frames) + padding if declared is None else declared
    return header(version, flags, size) + frames + b"\0" * padding + audio(300)


def unsynchronise(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


JPEG = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01" + bytes(range(40)) + b"\xff\xd9"
TEXT = frame(b"TIT2", b"\0Title") + frame(b"TPE1", b"\0Artist")
COMMENTS = (frame(b"COMM", b"\0eng\0mine") + frame(b"COMM", b"\0engiTunNORM\0 0000021F")
            + frame(b"COMM", b"\x01eng\xff\xfeg\0\0\0x\0") + frame(b"WXXX", b"\0\0http://a/")
            + frame(b"WXXX", b"\0shop\0http://b/") + frame(b"TPE1", b"\0Second"))

V24_FRAMES = (syncsafe(6) + b"\x01\0" + frame24(b"TIT2", b"\x03T\xc3\xa9", b"\0\0")
              + frame24(b"TPE1", b"\x07" + b"\0A", b"\0\x40") + frame24(b"TALB", b"\0\xff\0\xe0", b"\0\x02")
              + frame24(b"TCOM", syncsafe(2) + zlib.compress(b"\0C"), b"\0\x09")
              + frame24(b"TPE2", b"\x01" + b"\0A", b"\0\x04"))
V24_FLAGGED = (header(4, 0x50, len(V24_FRAMES)) + V24_FRAMES + b"3DI" + bytes([4, 0, 0x50]) + syncsafe(len(V24_FRAMES))
               + audio(300))

V2 = {
    "v23-text": tag(3, 0, TEXT),
    "v23-comments-urls-repeats": tag(3, 0, COMMENTS),
    "v23-jpeg-cover": tag(3, 0, TEXT + frame(b"APIC", b"\0image/jpeg\0\x03\0" + JPEG)),
    "v23-ffe0-in-body": tag(3, 0, frame(b"TIT2", b"\0\xff\xe0A") + frame(b"TPE1", b"\0B")),
    "v23-unsynchronised": header(3, 0x80, 200) + unsynchronise(TEXT + frame(b"PRIV", b"x\xff\xe0\xff")) + b"\0" * 64 + audio(300),
    "v23-extended-header": tag(3, 0x40, struct.pack(">I", 6) + b"\0" * 6 + TEXT),
    "v23-truncated-frame": header(3, 0, 100) + frame(b"TIT2", b"\0Long title")[:15],
    "v23-huge-declared-sizes": header(3, 0, 0x0FFFFFFF) + b"TIT2" + b"\xff\xff\xff\xff\0\0" + audio(100),
    "v23-size-zero-frames": tag(3, 0, frame(b"TIT2", b"") + frame(b"APIC", b"") + TEXT),
    "v23-invalid-id": tag(3, 0, TEXT + frame(b"Xy12", b"\xff\xe0\0") + frame(b"TALB", b"\0A")),
    "v22": tag(2, 0, frame22(b"TT2", b"\0Title") + frame22(b"PIC", b"\0JPG\x03\0" + JPEG)),
    "v24": tag(4, 0, frame(b"TIT2", b"\x03Title")),
    "v24-footer-flags": V24_FLAGGED,
    "v24-plain-sizes": tag(4, 0, TEXT + frame(b"APIC", b"\0image/jpeg\0\x03\0" + JPEG * 4)),
    "v22-unconvertible": tag(2, 0, frame22(b"TT2", b"\0Title") + frame22(b"CRM", b"\0x")),
    "no-tag": audio(500),
    "no-sync": b"plain text, no frame sync at all\n" * 20,
}

V1 = {
    "v11": audio(200) + b"TAG" + b"Title".ljust(30, b"\0") + b"Artist".ljust(30, b"\0") + b"Album".ljust(30, b"\0")
    + b"1999" + b"Comment".ljust(28, b"\0") + b"\0\x07\x11",
    "v10-full-comment": audio(10) + b"TAG" + b"x" * 122 + b"\x11",
    "short": b"TAG",
}

HIVE = {
    "settings": b"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n\"QuickV1\"=dword:00000000\n\"QuickV2\"=dword:00000001\n",
    "other-keys": b"REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n@=\"x\"\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvisel\\Lirvane_v3]\n\"QuickV1\"=hex:01,02\n",
    "empty": b"",
}

LISTS = {
    "three": b"".join(p.ljust(260, b"\0") for p in (b"/music/a.mp3", b"/music/b.mp3", b"/m/\xe9.mp3")),
    "unterminated-and-partial": b"x" * 260 + b"/a.mp3".ljust(260, b"\0") + b"/partial",
}


def rename_seeds():
    patterns = [b"*V1Title", b"*V2Artist\n - \n*V2Title", b"*V1Track\n. \n*V1Title\n*V9Odd\n/\n..", b"plain"]
    files = [V2["v23-comments-urls-repeats"] + V1["v11"][-128:], V1["v11"], V2["v24"], b""]
    return {"pattern-%d" % i: p + b"\0" + f for i, (p, f) in enumerate(zip(patterns, files))}


def write(out, harness, seeds, fixtures=False):
    folder = os.path.join(out, harness)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    if fixtures:
        for name in os.listdir(FIXTURES):
            shutil.copyfile(os.path.join(FIXTURES, name), os.path.join(folder, name))


def main():
    out = sys.argv[1]
    for harness in ("v2_read", "v2_roundtrip", "v2_remove"):
        write(out, harness, V2, fixtures=True)
    write(out, "v1_read", {**V1, **V2})
    write(out, "hive", HIVE)
    write(out, "listfile", LISTS)
    write(out, "rename", rename_seeds())


if __name__ == "__main__":
    main()
