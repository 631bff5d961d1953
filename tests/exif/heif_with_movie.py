#!/usr/bin/env python3
"""Copies a HEIF file with what phones and sequence writers add behind its
items, as no tool here writes it:
  sequence  an image sequence's movie box: a mdat of chunks and a moov whose
            tracks name them by stco (two chunks) and co64 (one chunk);
  motion    a motion photo: a video box (mpvd) at the end of the file, found
            by counting back from the end.
kept(data) gives the bytes a write must keep of either: every chunk, and the
video box at the end.

usage: heif_with_movie.py sequence|motion IN.heic OUT.heic
"""
import struct
import sys

CHUNK = 16  # bytes per chunk of the sample's tracks


def box(kind, body):
    return struct.pack(">I4s", len(body) + 8, kind) + body


def full_box(kind, body):
    return box(kind, bytes(4) + body)


def track(track_id, table, offsets):
    width = ">Q" if table == b"co64" else ">I"
    entries = struct.pack(">I", len(offsets)) + b"".join(struct.pack(width, o) for o in offsets)
    tkhd = full_box(b"tkhd", bytes(8) + struct.pack(">I", track_id) + bytes(68))
    return box(b"trak", tkhd + box(b"mdia", box(b"minf", box(b"stbl", full_box(table, entries)))))


def video():
    return box(b"mpvd", box(b"ftyp", b"isom" + bytes(4) + b"isom") + box(b"mdat", bytes(range(256)) * 8))


def boxes(data, start, end):
    while start + 8 <= end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        if size < 8:
            return
        yield kind, start, size
        start += size


def chunk_offsets(data, start, end):
    for kind, at, size in boxes(data, start, end):
        if kind in (b"moov", b"trak", b"mdia", b"minf", b"stbl"):
            yield from chunk_offsets(data, at + 8, at + size)
        elif kind in (b"stco", b"co64"):
            width = 8 if kind == b"co64" else 4
            count = struct.unpack(">I", data[at + 12:at + 16])[0]
            for n in range(count):
                yield int.from_bytes(data[at + 16 + n * width:at + 16 + (n + 1) * width], "big")


def kept(data):
    """Every chunk's bytes, and the last box when it is a video box."""
    chunks = [data[o:o + CHUNK] for o in chunk_offsets(data, 0, len(data))]
    last = [(k, s) for k, s, n in boxes(data, 0, len(data))][-1]
    return chunks, data[last[1]:] if last[0] == b"mpvd" else b""


def main():
    kind, source, target = sys.argv[1:4]
    data = open(source, "rb").read()
    if kind == "motion":
        data += video()
    else:
        chunks = bytes((i * 7 + 3) & 255 for i in range(3 * CHUNK))
        first = len(data) + 8
        data += box(b"mdat", chunks)
        data += box(b"moov", track(101, b"stco", [first, first + CHUNK]) + track(102, b"co64", [first + 2 * CHUNK]))
    open(target, "wb").write(data)


if __name__ == "__main__":
    main()
