#!/usr/bin/env python3
"""Writes Vantor's release archive: Vantor.exe and the Chinese user guide,
rendered from its Markdown by pandoc as a text file that Windows' Notepad shows
well (plain text, aligned tables, UTF-8 with a byte order mark, CRLF line ends)
and as a web page a double-click opens in the browser.

    make_package.py <archive.zip> <Vantor.exe> <guide.md> <source date file> <pandoc>

The bytes depend only on the inputs: fixed entry order and modes, every entry
dated with the source's date (tools/source_date.py).
"""
import os
import subprocess
import sys
import time
import zipfile

import source_date

TOOLS = os.path.dirname(os.path.abspath(__file__))
# Every entry is a regular file readable by everyone (rw-r--r--), whatever the
# build tree's umask made of the files it was packed from.
FILE_MODE = 0o100644
# The earliest date a zip entry can hold (DOS time).
EARLIEST = (1980, 1, 1, 0, 0, 0)
# The guide is GitHub's Markdown; the filter keeps what looks like an HTML tag
# (<DPI> in a command line) as text and underlines the text's headings.
READER = "gfm"
FILTER = os.path.join(TOOLS, "guide.lua")


def entry(name, date):
    info = zipfile.ZipInfo(name, date_time=date)
    info.external_attr = FILE_MODE << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def zip_date(epoch):
    if epoch is None:
        return EARLIEST
    return max(EARLIEST, time.gmtime(epoch)[:6])


def pandoc(tool, guide, reader, *args):
    run = subprocess.run([tool, "-f", reader, "--lua-filter", FILTER, *args, guide],
                         capture_output=True, check=False)
    if run.returncode != 0:
        sys.exit(f"make_package: pandoc failed on {guide}:\n{run.stderr.decode(errors='replace')}")
    return run.stdout.decode("utf-8")


def notepad_text(tool, guide):
    # Source lines kept as written (a soft break between CJK characters would
    # otherwise become a blank).
    text = pandoc(tool, guide, READER, "-t", "plain", "--wrap=preserve")
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def web_page(tool, guide):
    # The first heading is the page's title; a line break between CJK
    # characters is no blank either.
    return pandoc(tool, guide, READER + "+east_asian_line_breaks", "-t", "html5",
                  "--standalone", "--shift-heading-level-by=-1", "-V", "lang=zh-CN").encode("utf-8")


def main():
    archive, exe, guide, date_file, tool = sys.argv[1:6]
    date = zip_date(source_date.read(date_file))
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        with open(exe, "rb") as f:
            z.writestr(entry("Vantor.exe", date), f.read())
        z.writestr(entry("GUIDE-zh_CN.txt", date), notepad_text(tool, guide))
        z.writestr(entry("GUIDE-zh_CN.html", date), web_page(tool, guide))
    os.replace(partial, archive)


if __name__ == "__main__":
    main()
