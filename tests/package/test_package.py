#!/usr/bin/env python3
"""The release archive: named after the project's version, holding exactly
Vantor.exe (whose version resource agrees with the name) and the guide rendered
as Notepad-friendly text and as a web page, all dated with the source's date;
the program in it starts and ends under Wine.

    test_package.py <archive.zip> <version> <scratch folder in the build tree>
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import unicodedata
import unittest
import zipfile

ARCHIVE, VERSION, SCRATCH = sys.argv[1:4]
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FIXED_FILE_INFO = struct.pack("<I", 0xFEEF04BD)  # VS_FIXEDFILEINFO signature
EXIT_CODES = "023456"  # the guide's table of exit codes


def display_width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def source_date():
    """SOURCE_DATE_EPOCH, else the last commit's time, else 0."""
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    run = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], capture_output=True, text=True)
    return int(run.stdout) if run.returncode == 0 else 0


def version_string(image, key):
    """Value of a text of the version resource (UTF-16: key, padding, value)."""
    name = (key + "\0").encode("utf-16-le")
    at = image.find(name)
    if at < 0:
        return None
    at += len(name)
    while image[at:at + 2] == b"\0\0":
        at += 2
    end = at
    while image[end:end + 2] != b"\0\0":
        end += 2
    return image[at:end].decode("utf-16-le")


class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip = zipfile.ZipFile(ARCHIVE)

    def test_name_and_contents(self):
        self.assertEqual(f"Vantor-{VERSION}-win32.zip", os.path.basename(ARCHIVE))
        self.assertEqual(["GUIDE-zh_CN.html", "GUIDE-zh_CN.txt", "Vantor.exe"], sorted(self.zip.namelist()))

    def test_files_are_readable_by_everyone(self):
        for info in self.zip.infolist():
            self.assertEqual(0o644, (info.external_attr >> 16) & 0o777, info.filename)

    def test_guide_is_plain_text_for_notepad(self):
        data = self.zip.read("GUIDE-zh_CN.txt")
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte order mark")
        text = data[3:].decode("utf-8")
        self.assertEqual(text.count("\n"), text.count("\r\n"), "a line ends without CR")
        self.assertIsNone(re.search(r"`[^`\r\n]+`", text), "code left in backticks")
        self.assertIsNone(re.search(r"^ *\|", text, re.M), "a table left as Markdown")
        # Text that a Markdown reader could take for markup: a tag, a TeX command.
        for expected in ("启动模拟器数量", "无法启动模拟器", "/count:N", "/exit", "-dpi:<DPI>", "<路径>",
                         r"D:\Program Files\Nox\bin\Nox.exe", "六、命令行（供脚本使用）\r\n---"):
            self.assertIn(expected, text)
        # The exit codes' table: a header and a row for each code, the second
        # column starting at one place in a fixed-width view (where a CJK
        # character is two columns wide).
        lines = text.split("\r\n")
        header = [line for line in lines if "退出代码" in line and "含义" in line]
        self.assertEqual(1, len(header), "no table of exit codes")
        starts = {display_width(header[0][:header[0].index("含义")])}
        for code in EXIT_CODES:
            rows = [m.end() for m in (re.match(rf" +{code} +(?=\S)", line) for line in lines) if m]
            self.assertEqual(1, len(rows), f"rows of exit code {code}")
            starts.update(rows)
        self.assertEqual(1, len(starts), "the table's columns are not aligned")

    def test_guide_is_a_web_page(self):
        page = self.zip.read("GUIDE-zh_CN.html").decode("utf-8")
        self.assertTrue(page.startswith("<!DOCTYPE html>"))
        self.assertIn('<meta charset="utf-8" />', page)
        self.assertIn("<title>Vantor 使用说明</title>", page)
        for code in EXIT_CODES:
            self.assertIn(f"<td>{code}</td>", page)

    def test_everything_carries_the_source_date(self):
        epoch = source_date()
        image = self.zip.read("Vantor.exe")
        pe = struct.unpack_from("<I", image, 0x3C)[0]
        self.assertEqual(epoch, struct.unpack_from("<I", image, pe + 8)[0], "PE time stamp")
        # Zip times start in 1980 and have two-second steps.
        date = max((1980, 1, 1, 0, 0, 0), time.gmtime(epoch - epoch % 2)[:6])
        for info in self.zip.infolist():
            self.assertEqual(date, info.date_time, info.filename)

    def test_program_is_a_32_bit_gui_image_of_this_version(self):
        image = self.zip.read("Vantor.exe")
        self.assertEqual(b"MZ", image[:2])
        pe = struct.unpack_from("<I", image, 0x3C)[0]
        self.assertEqual(b"PE\0\0", image[pe:pe + 4])
        self.assertEqual(0x14C, struct.unpack_from("<H", image, pe + 4)[0], "not i386")
        self.assertEqual(2, struct.unpack_from("<H", image, pe + 24 + 68)[0], "not GUI")
        at = image.find(FIXED_FILE_INFO)
        self.assertNotEqual(-1, at, "no version resource")
        file_ms, file_ls = struct.unpack_from("<II", image, at + 8)
        numbers = f"{file_ms >> 16}.{file_ms & 0xFFFF}.{file_ls >> 16}"
        self.assertEqual(VERSION, numbers)
        self.assertEqual(f"{VERSION}.{file_ls & 0xFFFF}", version_string(image, "FileVersion"))
        self.assertEqual(f"{VERSION}.{file_ls & 0xFFFF}", version_string(image, "ProductVersion"))

    def test_program_in_the_archive_runs_under_wine(self):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        os.makedirs(SCRATCH)
        self.zip.extract("Vantor.exe", SCRATCH)
        # /exit: the window opens and closes again; 0 is the exit code of a
        # normal end (a runtime error ends with -1).
        run = subprocess.run(["bash", os.path.join(ROOT, "tools", "wine-run.sh"),
                              os.path.join(SCRATCH, "Vantor.exe"), "/exit"], timeout=120)
        self.assertEqual(0, run.returncode)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
