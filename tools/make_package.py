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


def notepad_text(markdown_path):
    with open(markdown_path, encoding="utf-8") as f:
        text = f.read()
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def main():
    archive, exe, guide = sys.argv[1:4]
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        z.write(exe, "Vantor.exe")
        z.writestr(zipfile.ZipInfo(GUIDE_NAME, date_time=(2026, 1, 1, 0, 0, 0)),
                   notepad_text(guide), zipfile.ZIP_DEFLATED)
    os.replace(partial, archive)


if __name__ == "__main__":
    main()
