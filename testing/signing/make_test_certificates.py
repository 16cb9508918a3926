#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the test certificates for the Authenticode tests (openssl).

Every certificate is signed with SHA-1: Wine checks the chain of such
certificates, while with SHA-256 ones it skips the chain check altogether.

Writes into --out (a build folder; nothing here is ever committed):
  root.pem, root.key              the test root CA, trusted by the Wine prefix
  unknown_root.pem, .key          a root CA that nothing trusts
  <leaf>.pem, <leaf>.key          code-signing leaves (LEAVES below)
  <leaf>_chain.pem                the leaf, and for leaves of the unknown root
                                  also that root: what goes into a signature
  stamp                           written last
and the test root, DER-encoded, as --root-der: the Wine prefix set-up adds
every certificate of that folder to the machine's Root store.
"""

import argparse
import os
import shutil
import subprocess
import sys

COMPANY = "Velta Software Ltd"

# name: (subject common name, issuer, extended key usage, chain holds issuer)
LEAVES = {
    "velta": (COMPANY, "root", "codeSigning", False),
    "other": ("Northwind Traders Ltd", "root", "codeSigning", False),
    "velta_no_code_signing": (COMPANY, "root", "serverAuth", False),
    "velta_unknown_root": (COMPANY, "unknown_root", "codeSigning", True),
    "velta_missing_issuer": (COMPANY, "unknown_root", "codeSigning", False),
}


def run(openssl, *args):
    subprocess.run([openssl, *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def make_root(openssl, out, name, common_name):
    run(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha1",
        "-days", "3650", "-subj", "/CN=" + common_name,
        "-addext", "basicConstraints=critical,CA:true",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign",
        "-keyout", os.path.join(out, name + ".key"),
        "-out", os.path.join(out, name + ".pem"))


def make_leaf(openssl, out, name, serial, common_name, issuer, usage):
    key = os.path.join(out, name + ".key")
    request = os.path.join(out, name + ".csr")
    extensions = os.path.join(out, name + ".ext")
    with open(extensions, "w") as f:
        f.write("basicConstraints=CA:false\n"
                "keyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=%s\n" % usage)
    run(openssl, "req", "-new", "-newkey", "rsa:2048", "-nodes",
        "-subj", "/CN=" + common_name, "-keyout", key, "-out", request)
    run(openssl, "x509", "-req", "-in", request, "-sha1", "-days", "3650",
        "-set_serial", str(serial),
        "-CA", os.path.join(out, issuer + ".pem"),
        "-CAkey", os.path.join(out, issuer + ".key"),
        "-extfile", extensions, "-out", os.path.join(out, name + ".pem"))
    os.remove(request)
    os.remove(extensions)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--openssl", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--root-der", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    make_root(args.openssl, args.out, "root", "Velta Test Signing Root")
    make_root(args.openssl, args.out, "unknown_root", "Unknown Test Signing Root")
    for serial, (name, (common_name, issuer, usage, chain_holds_issuer)) in enumerate(
            LEAVES.items(), start=100):
        make_leaf(args.openssl, args.out, name, serial, common_name, issuer, usage)
        parts = [name] + ([issuer] if chain_holds_issuer else [])
        with open(os.path.join(args.out, name + "_chain.pem"), "w") as chain:
            for part in parts:
                with open(os.path.join(args.out, part + ".pem")) as f:
                    chain.write(f.read())

    os.makedirs(os.path.dirname(args.root_der), exist_ok=True)
    run(args.openssl, "x509", "-in", os.path.join(args.out, "root.pem"),
        "-outform", "DER", "-out", args.root_der)
    with open(os.path.join(args.out, "stamp"), "w") as f:
        f.write("done\n")


if __name__ == "__main__":
    try:
        main()
    except subprocess.CalledProcessError as error:
        sys.stderr.write("%s failed: %s\n" % (error.cmd, error.stderr.decode(errors="replace")))
        sys.exit(1)
