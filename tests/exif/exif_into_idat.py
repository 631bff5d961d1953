#!/usr/bin/env python3
"""Copies a HEIF file with its Exif item moved into the meta box's idat
(construction method 1), as some cameras write it; no tool here makes one.
iloc becomes version 1, every other item's file offsets move with the grown
meta box, and the old Exif bytes in the file are zeroed, so that a reader
that still took them from there would find no Exif.

usage: exif_into_idat.py IN.heic OUT.heic
"""
import struct
import sys


def children(data, start, end):
    while start < end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        yield kind, start, size
        start += size


def uint(data, at, size):
    return (int.from_bytes(data[at:at + size], "big"), at + size)


def exif_item(iinf):
    version = iinf[8]
    at = 12 + (2 if version == 0 else 4)
    for kind, start, _ in children(iinf, at, len(iinf)):
        if kind == b"infe":
            width = 2 if iinf[start + 8] == 2 else 4
            item = int.from_bytes(iinf[start + 12:start + 12 + width], "big")
            if iinf[start + 14 + width:start + 18 + width] == b"Exif":
                return item
    raise SystemExit("no Exif item")


def read_iloc(iloc):
    version = iloc[8]
    offset_size, length_size = iloc[12] >> 4, iloc[12] & 15
    base_size, index_size = iloc[13] >> 4, (iloc[13] & 15 if version else 0)
    count, at = uint(iloc, 14, 2 if version < 2 else 4)
    entries = []
    for _ in range(count):
        item, at = uint(iloc, at, 2 if version < 2 else 4)
        method = 0
        if version:
            method, at = uint(iloc, at, 2)
        reference, at = uint(iloc, at, 2)
        base, at = uint(iloc, at, base_size)
        extent_count, at = uint(iloc, at, 2)
        extents = []
        for _ in range(extent_count):
            at += index_size
            offset, at = uint(iloc, at, offset_size)
            length, at = uint(iloc, at, length_size)
            extents.append([offset, length])
        entries.append([item, method, reference, base, extents])
    return (offset_size, length_size, base_size), entries


def write_iloc(sizes, entries):
    offset_size, length_size, base_size = sizes
    body = bytes([1, 0, 0, 0, offset_size << 4 | length_size, base_size << 4]) + struct.pack(">H", len(entries))
    for item, method, reference, base, extents in entries:
        body += struct.pack(">HHH", item, method, reference) + base.to_bytes(base_size, "big")
        body += struct.pack(">H", len(extents))
        for offset, length in extents:
            body += offset.to_bytes(offset_size, "big") + length.to_bytes(length_size, "big")
    return struct.pack(">I", len(body) + 8) + b"iloc" + body


def main():
    data = bytearray(open(sys.argv[1], "rb").read())
    meta = next((start, size) for kind, start, size in children(data, 0, len(data)) if kind == b"meta")
    parts = {kind: (start, size) for kind, start, size in children(data, meta[0] + 12, sum(meta))}
    iinf, iloc = (data[s:s + n] for s, n in (parts[b"iinf"], parts[b"iloc"]))
    exif = exif_item(iinf)
    sizes, entries = read_iloc(iloc)
    payload = b""
    for entry in entries:
        if entry[0] == exif:
            for offset, length in entry[4]:
                payload += bytes(data[entry[3] + offset:entry[3] + offset + length])
                data[entry[3] + offset:entry[3] + offset + length] = bytes(length)
            entry[1:5] = [1, 0, 0, [[0, len(payload)]]]
    idat = struct.pack(">I", len(payload) + 8) + b"idat" + payload
    delta = len(write_iloc(sizes, entries)) - parts[b"iloc"][1] + len(idat)
    for entry in entries:
        if entry[0] != exif and entry[1] == 0:
            if sizes[2]:
                entry[3] += delta
            else:
                entry[4] = [[offset + delta, length] for offset, length in entry[4]]
    start, size = parts[b"iloc"]
    end = sum(meta)
    new_meta = data[meta[0]:start] + write_iloc(sizes, entries) + data[start + size:end] + idat
    new_meta[0:4] = struct.pack(">I", len(new_meta))
    open(sys.argv[2], "wb").write(data[:meta[0]] + new_meta + data[end:])


if __name__ == "__main__":
    main()
