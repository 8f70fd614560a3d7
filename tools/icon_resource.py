#!/usr/bin/env python3
"""Writes the program's icon resource from the window's icon file: the same
images in the same order, with the private ancillary chunks of the PNG images
left out (the window's icon carries one only to pad the file to the size its
form stores; decoders skip such chunks, so every image shows the same pixels).

Usage: icon_resource.py <icon file> <output icon file>
"""
import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
ICONDIR = struct.Struct("<HHH")
ENTRY = struct.Struct("<BBBBHHII")  # width, height, colours, 0, planes, bpp, size, offset


def is_private_ancillary(kind):
    # Bit 5 of a chunk type's first byte marks it ancillary, of its second
    # byte private (lower-case letters).
    return bool(kind[0] & 0x20) and bool(kind[1] & 0x20)


def without_private_chunks(png):
    out = bytearray(PNG_SIGNATURE)
    pos = len(PNG_SIGNATURE)
    while pos < len(png):
        if pos + 12 > len(png):
            sys.exit("icon_resource: truncated PNG chunk")
        (length,) = struct.unpack_from(">I", png, pos)
        end = pos + 12 + length
        if end > len(png):
            sys.exit("icon_resource: PNG chunk runs past its image")
        if not is_private_ancillary(png[pos + 4:pos + 8]):
            out += png[pos:end]
        pos = end
    return bytes(out)


def main(source, target):
    data = open(source, "rb").read()
    reserved, kind, count = ICONDIR.unpack_from(data, 0)
    if reserved != 0 or kind != 1:
        sys.exit(f"icon_resource: {source} is not an icon file")
    entries, images = [], []
    for i in range(count):
        entry = list(ENTRY.unpack_from(data, ICONDIR.size + i * ENTRY.size))
        size, offset = entry[6], entry[7]
        if offset + size > len(data):
            sys.exit(f"icon_resource: image {i} runs past the file")
        image = data[offset:offset + size]
        if image.startswith(PNG_SIGNATURE):
            image = without_private_chunks(image)
        entries.append(entry)
        images.append(image)
    offset = ICONDIR.size + count * ENTRY.size
    out = bytearray(ICONDIR.pack(0, 1, count))
    for entry, image in zip(entries, images):
        entry[6], entry[7] = len(image), offset
        out += ENTRY.pack(*entry)
        offset += len(image)
    for image in images:
        out += image
    open(target, "wb").write(out)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
