#!/usr/bin/env python3
"""Writes a zip whose bytes follow from its members' contents alone, so that anyone who rebuilds
the same files gets the same zip.

    pack-zip.py OUT.zip FILE=NAME...

Members come in the order given, all with one time (SOURCE_DATE_EPOCH, else the zip format's
earliest, 1980-01-01 00:00), read-write for the owner and readable for everyone, deflated at
level 9."""
import os
import sys
import time
import zipfile

EARLIEST = (1980, 1, 1, 0, 0, 0)
LATEST = (2107, 12, 31, 23, 59, 58)


def member_time():
    text = os.environ.get("SOURCE_DATE_EPOCH")
    if not text:
        return EARLIEST
    if not text.isdigit():
        sys.exit(f"pack-zip: SOURCE_DATE_EPOCH is not a count of seconds: {text!r}")
    # UTC, so that the builder's time zone cannot change the bytes.
    stamp = tuple(time.gmtime(int(text))[:6])
    return min(max(stamp, EARLIEST), LATEST)


def main(args):
    if len(args) < 2 or not all("=" in a for a in args[1:]):
        sys.exit(__doc__)
    out, members = args[0], [a.split("=", 1) for a in args[1:]]
    stamp = member_time()
    partial = out + ".partial"
    # Written aside and renamed, so that a failed run never leaves a zip that looks complete.
    try:
        with zipfile.ZipFile(partial, "w") as archive:
            for path, name in members:
                info = zipfile.ZipInfo(name, stamp)
                info.create_system = 3
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    archive.writestr(info, f.read(), compresslevel=9)
        os.replace(partial, out)
    except OSError as error:
        if os.path.exists(partial):
            os.remove(partial)
        sys.exit(f"pack-zip: {error}")


if __name__ == "__main__":
    main(sys.argv[1:])
