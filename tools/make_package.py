#!/usr/bin/env python3
"""Writes Vantor's release archive: Vantor.exe and the Chinese user guide as a
text file that Windows' Notepad opens correctly (UTF-8 with a byte order mark,
CRLF line ends).

    make_package.py <archive.zip> <Vantor.exe> <guide.md>
"""
import os
import sys
import zipfile

GUIDE_NAME = "GUIDE-zh_CN.txt"
# Every entry is a regular file readable by everyone (rw-r--r--), whatever the
# build tree's umask made of the files it was packed from.
FILE_MODE = 0o100644
DATE = (2026, 1, 1, 0, 0, 0)


def entry(name):
    info = zipfile.ZipInfo(name, date_time=DATE)
    info.external_attr = FILE_MODE << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def notepad_text(markdown_path):
    with open(markdown_path, encoding="utf-8") as f:
        text = f.read()
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def main():
    archive, exe, guide = sys.argv[1:4]
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        with open(exe, "rb") as f:
            z.writestr(entry("Vantor.exe"), f.read())
        z.writestr(entry(GUIDE_NAME), notepad_text(guide))
    os.replace(partial, archive)


if __name__ == "__main__":
    main()
