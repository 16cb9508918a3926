#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the files of a signed network installation from this build.

The end-to-end network installation and tools/demo serve them from the
loopback server. Writes into --out (a build folder, never committed):
  bin/installer.exe             the build's installer, signed by the test
                                certificates' "velta" leaf
  bin/velta_installer.dll       its library, as built
  server/velta_package.exe      the packed test package (--package), signed
  server/partner_content_sfx.exe  a self-extracting partner component
                                (--component), signed; it extracts
                                "partner_content_installer.exe"
  server/partner_bookmarks.json   a plain partner file
  server/assistant_sfx.exe      the self-extracting assistant component
                                (--assistant), signed; it extracts
                                "assistant_installer.exe" (fetched only by
                                an installer run with --install-assistant)
  metadata_template.json        the package metadata naming them, with their
                                SHA-256; "@SERVER@" stands for the server's
                                "scheme://host:port", known only when it runs
  stamp                         written last
"""

import argparse
import hashlib
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                os.pardir, "testing", "signing"))
from sign_test_files import sign  # noqa: E402

SERVER = "@SERVER@"
BOOKMARKS = b'{"bookmarks": [{"name": "Partner", "url": "https://partner.example/"}]}\n'


def sha256_of(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--certs", required=True)
    parser.add_argument("--installer", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--component", required=True)
    parser.add_argument("--assistant", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    bin_dir = os.path.join(args.out, "bin")
    server = os.path.join(args.out, "server")
    os.makedirs(bin_dir)
    os.makedirs(server)

    def signed(source, target):
        sign(args.osslsigncode, args.certs, "velta", source, target)
        return target

    signed(args.installer, os.path.join(bin_dir, "installer.exe"))
    shutil.copyfile(args.library, os.path.join(bin_dir, "velta_installer.dll"))
    package = signed(args.package, os.path.join(server, "velta_package.exe"))
    component = signed(args.component, os.path.join(server, "partner_content_sfx.exe"))
    assistant = signed(args.assistant, os.path.join(server, "assistant_sfx.exe"))
    bookmarks = os.path.join(server, "partner_bookmarks.json")
    with open(bookmarks, "wb") as f:
        f.write(BOOKMARKS)

    metadata = {
        "installer": SERVER + "/velta_package.exe",
        "installer_checksum": sha256_of(package),
        "url_welcome": SERVER + "/welcome",
        "components": [
            {"location": SERVER + "/partner_bookmarks.json", "type": "partner_content",
             "archive": False, "checksum": sha256_of(bookmarks),
             "filename": "partner_bookmarks.json"},
            {"location": SERVER + "/partner_content_sfx.exe", "type": "partner_content",
             "archive": True, "checksum": sha256_of(component),
             "filename": "partner_content_installer.exe"},
            {"location": SERVER + "/assistant_sfx.exe", "type": "assistant",
             "archive": True, "checksum": sha256_of(assistant)},
        ],
    }
    with open(os.path.join(args.out, "metadata_template.json"), "w", encoding="utf-8") as f:
        json.dump(metadata, f, indent=2)
    with open(os.path.join(args.out, "stamp"), "w", encoding="utf-8"):
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
