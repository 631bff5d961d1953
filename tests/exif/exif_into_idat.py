#!/usr/bin/env python3
"""Copies a HEIF file with its Exif item moved into the meta box's idat
(construction method 1), as some cameras write it; no tool here makes one.
iloc becomes version 1, the other items' file offsets move with the grown
meta box, and the old Exif bytes are zeroed, so that a reader that still
took them from the file would find no Exif.

usage: exif_into_idat.py IN.heic OUT.heic
"""
import struct
import sys


def boxes(data, start, end):
    while start < end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        yield kind, start, size
        start += size


def main():
    data = bytearray(open(sys.argv[1], "rb").read())
    meta_start, meta_size = next((s, n) for k, s, n in boxes(data, 0, len(data)) if k == b"meta")
    parts = {k: (s, n) for k, s, n in boxes(data, meta_start + 12, meta_start + meta_size)}
    start, _ = parts[b"iinf"]
    at = start + 12 + (2 if data[start + 8] == 0 else 4)
    exif = next(int.from_bytes(data[s + 12:s + 12 + (2 if data[s + 8] == 2 else 4)], "big")
                for k, s, n in boxes(data, at, sum(parts[b"iinf"]))
                if k == b"infe" and b"Exif" in data[s + 16:s + 22])

    # iloc: every item's entry [id, method, reference, base, [[offset, length]...]].
    start, iloc_size = parts[b"iloc"]
    version, sizes = data[start + 8], (data[start + 12] >> 4, data[start + 12] & 15, data[start + 13] >> 4)
    index_size = data[start + 13] & 15 if version else 0
    at = start + 14
    field = lambda width: (int.from_bytes(data[at:at + width], "big"), at + width)  # noqa: E731
    count, at = field(2 if version < 2 else 4)
    entries = []
    for _ in range(count):
        item, at = field(2 if version < 2 else 4)
        method, at = field(2) if version else (0, at)
        reference, at = field(2)
        base, at = field(sizes[2])
        extents, at = field(2)
        entry = [item, method, reference, base, []]
        for _ in range(extents):
            at += index_size
            offset, at = field(sizes[0])
            length, at = field(sizes[1])
            entry[4].append([offset, length])
        entries.append(entry)

    def iloc():
        body = bytes([1, 0, 0, 0, sizes[0] << 4 | sizes[1], sizes[2] << 4]) + struct.pack(">H", len(entries))
        for item, method, reference, base, extents in entries:
            body += struct.pack(">HHH", item, method, reference) + base.to_bytes(sizes[2], "big")
            body += struct.pack(">H", len(extents)) + b"".join(
                o.to_bytes(sizes[0], "big") + n.to_bytes(sizes[1], "big") for o, n in extents)
        return struct.pack(">I", len(body) + 8) + b"iloc" + body

    payload = b""
    for entry in (e for e in entries if e[0] == exif):
        for offset, length in entry[4]:
            payload += data[entry[3] + offset:entry[3] + offset + length]
            data[entry[3] + offset:entry[3] + offset + length] = bytes(length)
        entry[1:] = [1, 0, 0, [[0, len(payload)]]]
    idat = struct.pack(">I", len(payload) + 8) + b"idat" + payload
    delta = len(iloc()) - iloc_size + len(idat)
    for entry in (e for e in entries if e[0] != exif and e[1] == 0):
        if sizes[2]:
            entry[3] += delta
        else:
            entry[4] = [[offset + delta, length] for offset, length in entry[4]]
    end = meta_start + meta_size
    meta = data[meta_start:start] + iloc() + data[start + iloc_size:end] + idat
    meta[0:4] = struct.pack(">I", len(meta))
    open(sys.argv[2], "wb").write(data[:meta_start] + meta + data[end:])


if __name__ == "__main__":
    main()
