#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the test certificates for the Authenticode tests (openssl).

Every certificate is signed with SHA-1: Wine checks the chain of such
certificates, while with SHA-256 ones it skips the chain check altogether.
They are made with `openssl ca` and fixed validity dates, so that a test can
put a signature's time inside or outside a certificate's validity: the roots
and most leaves are valid from 2015 to 2045, the expired leaf only from 2015
to 2020.

Writes into --out (a build folder; nothing here is ever committed):
  root.pem, root.key              the test root CA, trusted by the Wine prefix
  unknown_root.pem, .key          a root CA that nothing trusts
  <leaf>.pem, <leaf>.key          code-signing leaves (LEAVES below)
  <leaf>_chain.pem                the leaf, and for leaves of the unknown root
                                  also that root: what goes into a signature
  <root>_ca/                      the `openssl ca` records of each issuer
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

# Validity of the roots and of every leaf but the expired one, and of that
# one (openssl's time format).
VALID_FROM = "20150101000000Z"
VALID_UNTIL = "20450101000000Z"
EXPIRED_UNTIL = "20200101000000Z"

# name: (subject common name, issuer, extended key usage or None for no such
#        extension, chain holds issuer, end of validity)
LEAVES = {
    "velta": (COMPANY, "root", "codeSigning", False, VALID_UNTIL),
    "other": ("Northwind Traders Ltd", "root", "codeSigning", False, VALID_UNTIL),
    "velta_no_code_signing": (COMPANY, "root", "serverAuth", False, VALID_UNTIL),
    # No extended key usage extension at all: valid for any purpose.
    "velta_any_purpose": (COMPANY, "root", None, False, VALID_UNTIL),
    "velta_unknown_root": (COMPANY, "unknown_root", "codeSigning", True, VALID_UNTIL),
    "velta_missing_issuer": (COMPANY, "unknown_root", "codeSigning", False, VALID_UNTIL),
    "velta_expired": (COMPANY, "root", "codeSigning", False, EXPIRED_UNTIL),
    # Signs RFC 3161 timestamps (osslsigncode's -TSA-* options).
    "timestamper": ("Velta Test Timestamps", "root", "critical,timeStamping", False, VALID_UNTIL),
    "unknown_timestamper": ("Unknown Test Timestamps", "unknown_root", "critical,timeStamping",
                            True, VALID_UNTIL),
}

CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = {dir}/index.txt
new_certs_dir = {dir}/new
serial = {dir}/serial
default_md = sha1
policy = any_name
unique_subject = no
copy_extensions = none
email_in_dn = no
[any_name]
commonName = supplied
"""


def run(openssl, *args):
    subprocess.run([openssl, *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def ca_config(out, issuer):
    """The `openssl ca` configuration of `issuer`, made on first use."""
    folder = os.path.join(out, issuer + "_ca")
    config = os.path.join(folder, "ca.cnf")
    if not os.path.exists(config):
        os.makedirs(os.path.join(folder, "new"))
        open(os.path.join(folder, "index.txt"), "w").close()
        with open(config, "w") as f:
            f.write(CA_CONFIG.format(dir=folder))
    return config, folder


def issue(openssl, out, name, serial, common_name, issuer, extensions, until):
    """Makes name.key and name.pem, signed by issuer (itself when issuer is
    name), valid from VALID_FROM to `until`."""
    key = os.path.join(out, name + ".key")
    request = os.path.join(out, name + ".csr")
    extension_file = os.path.join(out, name + ".ext")
    with open(extension_file, "w") as f:
        f.write(extensions)
    run(openssl, "req", "-new", "-newkey", "rsa:2048", "-nodes",
        "-subj", "/CN=" + common_name, "-keyout", key, "-out", request)
    config, folder = ca_config(out, issuer)
    with open(os.path.join(folder, "serial"), "w") as f:
        f.write("%04X\n" % serial)
    command = ["ca", "-batch", "-config", config, "-notext", "-md", "sha1",
               "-startdate", VALID_FROM, "-enddate", until,
               "-extfile", extension_file, "-in", request,
               "-out", os.path.join(out, name + ".pem")]
    if issuer == name:
        command += ["-selfsign", "-keyfile", key]
    else:
        command += ["-cert", os.path.join(out, issuer + ".pem"),
                    "-keyfile", os.path.join(out, issuer + ".key")]
    run(openssl, *command)
    os.remove(request)
    os.remove(extension_file)


def make_root(openssl, out, name, serial, common_name):
    issue(openssl, out, name, serial, common_name, name,
          "basicConstraints=critical,CA:true\n"
          "keyUsage=critical,keyCertSign,cRLSign\n"
          "subjectKeyIdentifier=hash\n", VALID_UNTIL)


def make_leaf(openssl, out, name, serial, common_name, issuer, usage, until):
    extensions = "basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\n"
    if usage:
        extensions += "extendedKeyUsage=%s\n" % usage
    issue(openssl, out, name, serial, common_name, issuer, extensions, until)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--openssl", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--root-der", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    make_root(args.openssl, args.out, "root", 1, "Velta Test Signing Root")
    make_root(args.openssl, args.out, "unknown_root", 2, "Unknown Test Signing Root")
    for serial, (name, (common_name, issuer, usage, chain_holds_issuer, until)) in enumerate(
            LEAVES.items(), start=100):
        make_leaf(args.openssl, args.out, name, serial, common_name, issuer, usage, until)
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
