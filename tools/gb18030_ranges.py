#!/usr/bin/env python3
"""Prints the table of runtime/gb18030.cpp: the runs of BMP code points that
GB18030 encodes in four bytes, as (first linear index, first code point).

Python's gb18030 codec implements the standard's 2000 mapping, whose two-byte
part is Windows' code page 936; the later revisions moved a few code points
between the two-byte and four-byte parts, which would leave them unreachable
beside code page 936. The linear index of b1 b2 b3 b4 is
((b1 - 0x81) * 10 + (b2 - 0x30)) * 1260 + (b3 - 0x81) * 10 + (b4 - 0x30).
"""

runs = []
for cp in range(0x80, 0x10000):
    if 0xD800 <= cp <= 0xDFFF:
        continue
    b = chr(cp).encode("gb18030")
    if len(b) != 4:
        continue
    linear = ((b[0] - 0x81) * 10 + (b[1] - 0x30)) * 1260 + (b[2] - 0x81) * 10 + (b[3] - 0x30)
    if runs and runs[-1][0] + runs[-1][2] == linear and runs[-1][1] + runs[-1][2] == cp:
        runs[-1][2] += 1
    else:
        assert not runs or runs[-1][0] + runs[-1][2] == linear, "linear indices are contiguous"
        runs.append([linear, cp, 1])
end = runs[-1][0] + runs[-1][2]
cells = [f"{{{lin}, 0x{cp:04X}}}" for lin, cp, _ in runs]
for i in range(0, len(cells), 5):
    print("    " + ", ".join(cells[i:i + 5]) + ",")
print(f"// {len(runs)} runs; the BMP's linear indices end at {end}")

# The two-byte codes that GB18030 gives to a character where GBK leaves them to
# private use (Windows' code page 936 maps them into the private-use area);
# A2E3, the euro sign, is left out: code page 936 holds it at 0x80.
private = []
for lead in range(0x81, 0xFF):
    for trail in range(0x40, 0xFF):
        code = bytes([lead, trail])
        if trail == 0x7F or code == b"\xa2\xe3":
            continue
        try:
            ch = code.decode("gb18030")
        except UnicodeDecodeError:
            continue
        try:
            gbk = code.decode("cp936")
        except UnicodeDecodeError:
            gbk = None
        if gbk != ch and not 0xE000 <= ord(ch) <= 0xF8FF:
            private.append(f"{{0x{code.hex().upper()}, 0x{ord(ch):04X}}}")
print()
for i in range(0, len(private), 5):
    print("    " + ", ".join(private[i:i + 5]) + ",")
print(f"// {len(private)} private-use codes with a character")
