"""Writes a zip whose bytes depend only on what goes in: members in the order
given, each dated SOURCE_DATE_EPOCH, with the same permissions.

Usage: deterministic_zip.py ARCHIVE NAME=FILE...
"""
import os
import sys
import time
import zipfile


def main(archive, *members):
    # Zip dates start in 1980 and have no time zone.
    date = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
    with zipfile.ZipFile(archive, "w") as out:
        for member in members:
            name, path = member.split("=", 1)
            info = zipfile.ZipInfo(name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the permissions below are read
            info.external_attr = 0o644 << 16
            with open(path, "rb") as data:
                out.writestr(info, data.read(), compresslevel=9)


if __name__ == "__main__":
    main(*sys.argv[1:])
