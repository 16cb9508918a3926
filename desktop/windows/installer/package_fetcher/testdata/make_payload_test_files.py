#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the executables of the payload reader's tests.

Takes an unsigned test program (--program), the test signing certificates
(--certs, from testing/signing) and writes into --out (a build folder, never
committed):
  unsigned.exe                the program as built
  signed.exe                  the program signed by the "velta" leaf
  package.7z                  a small real 7z archive (7zz): "velta.exe" and
                              "resources/en-US.pak"
  tracking.bin                tracking data
  signed_tracking_inside.exe  the program with "VLT", the tracking data and
                              its length appended, then signed: the payload
                              lies right before the certificate table
  signed_package_inside.exe   the same with package.7z as the payload
  stamp                       written last
The signer pads the file to a multiple of 8 bytes before the certificate
table; the payload is placed so that no padding falls between it and the
table, and each signed file is checked for that.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys

# The signing tests' helpers (testing/signing), found from the source root.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                *[os.pardir] * 5, "testing", "signing"))
from sign_test_files import read, sign, write  # noqa: E402

TRACKING = b"utm.source:partner,utm.medium:cpc,niuid:1234"
MAGIC = b"VLT"


def certificate_table_offset(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    entry = pe + (152 if magic == 0x10B else 168)
    return struct.unpack_from("<I", data, entry)[0]


def with_payload_before_signature(program, payload):
    """The program, zero padding and the payload, a multiple of 8 long."""
    tail = MAGIC + payload + struct.pack("<i", len(payload))
    padding = (-(len(program) + len(tail))) % 8
    return program + b"\0" * padding + tail


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--sevenzip", required=True)
    parser.add_argument("--certs", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    out = args.out
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    program = read(args.program)
    write(os.path.join(out, "unsigned.exe"), program)
    sign(args.osslsigncode, args.certs, "velta", args.program, os.path.join(out, "signed.exe"))
    write(os.path.join(out, "tracking.bin"), TRACKING)

    source = os.path.join(out, "package_source")
    os.makedirs(source)
    write(os.path.join(source, "velta.exe"), b"not really a browser\n" * 50)
    os.makedirs(os.path.join(source, "resources"))
    write(os.path.join(source, "resources", "en-US.pak"), b"not really a pack\n")
    archive = os.path.abspath(os.path.join(out, "package.7z"))
    subprocess.run([args.sevenzip, "a", "-bd", archive, "velta.exe", "resources"],
                   check=True, stdout=subprocess.DEVNULL, cwd=source)
    shutil.rmtree(source)

    for name, payload in (("signed_tracking_inside", TRACKING),
                          ("signed_package_inside", read(archive))):
        unsigned = os.path.join(out, name + "_unsigned.exe")
        data = with_payload_before_signature(program, payload)
        write(unsigned, data)
        target = os.path.join(out, name + ".exe")
        sign(args.osslsigncode, args.certs, "velta", unsigned, target)
        os.remove(unsigned)
        if certificate_table_offset(read(target)) != len(data):
            raise ValueError(name + ": the certificate table does not follow the payload")

    write(os.path.join(out, "stamp"), b"done\n")


if __name__ == "__main__":
    try:
        main()
    except subprocess.CalledProcessError as error:
        sys.stderr.write(error.stderr.decode() if error.stderr else str(error))
        sys.exit(1)
