#!/usr/bin/env python3
"""The release's one date, in seconds since 1970 (UTC): SOURCE_DATE_EPOCH when
it is set, else the time of the source tree's last commit, else none. The
image's time stamp and the archive's file times are this date, so that two
builds of one commit give the same bytes.

    source_date.py <source folder> <file>

writes the date (an empty line for none) to <file>, and touches the file only
when the date changed: what depends on it is rebuilt after a new commit only.
"""
import os
import subprocess
import sys

LATEST = 0xFFFFFFFF  # a PE time stamp has 32 bits


def source_date_epoch(source):
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if value is not None:
        if not value.isdigit() or int(value) > LATEST:
            sys.exit(f"SOURCE_DATE_EPOCH is not a time in seconds since 1970: {value!r}")
        return int(value)
    try:
        run = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True)
        return int(run.stdout.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        return None


def read(path):
    """The date a build tree's file holds, or None."""
    with open(path, encoding="ascii") as f:
        text = f.read().strip()
    return int(text) if text else None


def main():
    source, path = sys.argv[1:3]
    epoch = source_date_epoch(source)
    if epoch is None:
        print(f"source_date: no SOURCE_DATE_EPOCH and no commit in {source}: time stamps are 0")
    text = "" if epoch is None else str(epoch)
    try:
        with open(path, encoding="ascii") as f:
            if f.read().strip() == text:
                return
    except FileNotFoundError:
        pass
    with open(path, "w", encoding="ascii") as f:
        f.write(text + "\n")


if __name__ == "__main__":
    main()
