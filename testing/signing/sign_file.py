#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Signs one file with one leaf of the test certificates (osslsigncode).

  sign_file.py --osslsigncode PATH --certs DIR --leaf velta IN OUT

The certificates are those of make_test_certificates.py; IN may carry data
after its sections (a package behind its installer stub): the signature goes
after it and covers it.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sign_test_files import sign  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--certs", required=True)
    parser.add_argument("--leaf", default="velta")
    parser.add_argument("source")
    parser.add_argument("target")
    args = parser.parse_args()
    os.makedirs(os.path.dirname(os.path.abspath(args.target)), exist_ok=True)
    if os.path.exists(args.target):
        os.remove(args.target)
    sign(args.osslsigncode, args.certs, args.leaf, args.source, args.target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
