#!/usr/bin/env python3
"""Sets a PE image's time stamp to the source's date (tools/source_date.py)
and writes its checksum anew, in place: the linker would stamp the time of the
link.

    pe_stamp.py <image.exe> <source date file>
"""
import struct
import sys

import source_date


def header_offsets(image):
    if len(image) < 0x40 or image[:2] != b"MZ":
        raise ValueError("not an MZ image")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0" or len(image) < pe + 24 + 68:
        raise ValueError("no PE header")
    # COFF header: TimeDateStamp at +8; optional header (after the 20-byte COFF
    # header) holds CheckSum at +64 in PE32 and PE32+ alike.
    return pe + 8, pe + 24 + 64


def checksum(image, skip):
    """The PE checksum: 16-bit words summed with end-around carry, the
    checksum's own field left out, plus the file's length."""
    data = bytes(image[:skip]) + b"\0\0\0\0" + bytes(image[skip + 4:])
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"<{len(data) // 2}H", data))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def main():
    path, date_file = sys.argv[1:3]
    epoch = source_date.read(date_file) or 0
    with open(path, "rb") as f:
        image = bytearray(f.read())
    try:
        stamp_at, sum_at = header_offsets(image)
    except ValueError as e:
        sys.exit(f"pe_stamp: {path}: {e}")
    struct.pack_into("<I", image, stamp_at, epoch)
    struct.pack_into("<I", image, sum_at, checksum(image, sum_at))
    with open(path, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main()
