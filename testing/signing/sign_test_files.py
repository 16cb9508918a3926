#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Signs a test program in every way the Authenticode tests need (osslsigncode).

Takes the certificates of make_test_certificates.py (--certs) and a program
(--program), and writes into --out (a build folder, never committed):
  unsigned.exe                         the program as built
  <leaf>.exe                           signed by one leaf of the certificates
  <outer>_nested_<inner>.exe           signed by <outer>, then a nested
                                       signature by <inner> (osslsigncode -nest)
  other_nested_velta_expired_<t>.exe   the nested signature by the expired
                                       leaf with an RFC 3161 timestamp:
                                       "timestamped" while the leaf was valid,
                                       "timestamped_late" after it expired,
                                       "timestamped_by_unknown" by a
                                       timestamper of a root nothing trusts
  other_nested_velta_bad_signature.exe the nested signature's signature bytes
                                       altered
  other_nested_velta_bad_digest.exe    the file digest that the nested
                                       signature signs altered
  other_nested_velta_of_other_file.exe the nested signature of another file
                                       (valid, but over other bytes)
  other_nested_velta_swapped_digest.exe that nested signature with this
                                       file's digest put in: the signature
                                       still verifies, the signed content
                                       does not match it
  stamp                                written last
Only the unauthenticated part of the outer signature changes in the altered
files, so their outer signature stays valid.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys

# The DER encoding of 1.3.6.1.4.1.311.2.4.1 (a nested signature attribute).
NESTED_SIGNATURE_OID = bytes.fromhex("060a2b060104018237020401")


# Timestamp times (seconds since 1970): inside the expired leaf's validity
# (2018-01-01) and after it (2022-01-01).
WHILE_VALID = 1514764800
AFTER_EXPIRY = 1640995200


def sign(osslsigncode, certs, leaf, source, target, nest=False, timestamp=None):
    """Signs `source` into `target`. `timestamp` is (signing leaf, time): an
    RFC 3161 timestamp that osslsigncode makes itself, without a server."""
    command = [osslsigncode, "sign", "-h", "sha256",
               "-certs", os.path.join(certs, leaf + "_chain.pem"),
               "-key", os.path.join(certs, leaf + ".key"),
               "-n", "Velta test program"]
    if nest:
        command.append("-nest")
    if timestamp:
        stamper, time = timestamp
        command += ["-TSA-certs", os.path.join(certs, stamper + "_chain.pem"),
                    "-TSA-key", os.path.join(certs, stamper + ".key"),
                    "-TSA-time", str(time)]
    command += ["-in", source, "-out", target]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


# A minimal DER walker: enough to find fields of a PKCS#7 SignedData.
def der_header(data, offset):
    """(tag, start of the value, end of the value) of the element at offset."""
    tag = data[offset]
    length = data[offset + 1]
    offset += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[offset:offset + count], "big")
        offset += count
    return tag, offset, offset + length


def der_children(data, start, end):
    """(tag, element start, value start, value end) of each child in range."""
    children = []
    while start < end:
        tag, value_start, value_end = der_header(data, start)
        children.append((tag, start, value_start, value_end))
        start = value_end
    return children


def signed_data_parts(data, start):
    """For the ContentInfo at start: the SignedData's content digest range,
    its first signer's encrypted digest range and that signer's
    unauthenticated attributes (tag, start, value start, value end)."""
    _, value_start, value_end = der_header(data, start)
    explicit = der_children(data, value_start, value_end)[1]
    _, _, signed_start, signed_end = der_children(data, explicit[2], explicit[3])[0]
    fields = der_children(data, signed_start, signed_end)
    content_info = fields[2]
    _, _, content_start, content_end = der_children(data, content_info[2], content_info[3])[1]
    indirect = der_children(data, content_start, content_end)[0]
    digest_info = der_children(data, indirect[2], indirect[3])[1]
    digest = der_children(data, digest_info[2], digest_info[3])[1]
    signer_infos = fields[-1]
    signer = der_children(data, signer_infos[2], signer_infos[3])[0]
    signer_fields = der_children(data, signer[2], signer[3])
    encrypted = next(f for f in signer_fields if f[0] == 0x04)
    unauthenticated = [f for f in signer_fields if f[0] == 0xA1]
    return (digest[2], digest[3]), (encrypted[2], encrypted[3]), unauthenticated


def nested_signature(data):
    """(start, end) of the nested ContentInfo in a signed file's bytes."""
    pe_offset = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe_offset + 24)[0]
    directories = pe_offset + 24 + (96 if magic == 0x10B else 112)
    table, _ = struct.unpack_from("<II", data, directories + 4 * 8)
    pkcs7 = table + 8  # after the WIN_CERTIFICATE header
    _, _, unauthenticated = signed_data_parts(data, pkcs7)
    for attribute in der_children(data, unauthenticated[0][2], unauthenticated[0][3]):
        oid, values = der_children(data, attribute[2], attribute[3])
        if data[oid[1]:oid[3]] == NESTED_SIGNATURE_OID:
            _, first, _, end = der_children(data, values[2], values[3])[0]
            return first, end
    raise ValueError("no nested signature")


def altered(data, value_range):
    data = bytearray(data)
    data[value_range[1] - 1] ^= 0x01
    return bytes(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--certs", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    out = args.out
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    unsigned = os.path.join(out, "unsigned.exe")
    shutil.copyfile(args.program, unsigned)

    def path(name):
        return os.path.join(out, name + ".exe")

    for leaf in ("velta", "other", "velta_no_code_signing", "velta_any_purpose",
                 "velta_unknown_root", "velta_missing_issuer"):
        sign(args.osslsigncode, args.certs, leaf, unsigned, path(leaf))
    for outer, inner in (("other", "velta"), ("velta", "other"),
                         ("other", "velta_unknown_root"),
                         ("other", "velta_no_code_signing"),
                         ("other", "velta_any_purpose"),
                         ("other", "velta_expired")):
        sign(args.osslsigncode, args.certs, inner, path(outer),
             path(outer + "_nested_" + inner), nest=True)
    for suffix, timestamp in (("timestamped", ("timestamper", WHILE_VALID)),
                              ("timestamped_late", ("timestamper", AFTER_EXPIRY)),
                              ("timestamped_by_unknown", ("unknown_timestamper", WHILE_VALID))):
        sign(args.osslsigncode, args.certs, "velta_expired", path("other"),
             path("other_nested_velta_expired_" + suffix), nest=True, timestamp=timestamp)

    signed = read(path("other_nested_velta"))
    nested_start, _ = nested_signature(signed)
    digest, encrypted, _ = signed_data_parts(signed, nested_start)
    write(path("other_nested_velta_bad_signature"), altered(signed, encrypted))
    write(path("other_nested_velta_bad_digest"), altered(signed, digest))

    # The same program with one byte of its DOS stub message changed, signed
    # the same way: its nested signature is valid, for other bytes.
    program = bytearray(read(unsigned))
    if struct.unpack_from("<I", program, 0x3C)[0] <= 0x50:
        raise ValueError("the program has no DOS stub to change")
    program[0x50] ^= 0x01
    other_program = os.path.join(out, "other_program")
    write(other_program + ".exe", bytes(program))
    sign(args.osslsigncode, args.certs, "other", other_program + ".exe",
         other_program + "_outer.exe")
    sign(args.osslsigncode, args.certs, "velta", other_program + "_outer.exe",
         other_program + "_nested.exe", nest=True)
    foreign = read(other_program + "_nested.exe")
    for suffix in ("", "_outer", "_nested"):
        os.remove(other_program + suffix + ".exe")
    foreign_start, foreign_end = nested_signature(foreign)
    nested_end = nested_signature(signed)[1]
    if foreign_end - foreign_start != nested_end - nested_start:
        raise ValueError("the two nested signatures differ in size")
    transplanted = bytearray(signed)
    transplanted[nested_start:nested_end] = foreign[foreign_start:foreign_end]
    write(path("other_nested_velta_of_other_file"), bytes(transplanted))
    foreign_digest, _, _ = signed_data_parts(transplanted, nested_start)
    transplanted[foreign_digest[0]:foreign_digest[1]] = signed[digest[0]:digest[1]]
    write(path("other_nested_velta_swapped_digest"), bytes(transplanted))

    write(os.path.join(out, "stamp"), b"done\n")


if __name__ == "__main__":
    try:
        main()
    except subprocess.CalledProcessError as error:
        sys.stderr.write("%s failed: %s\n" % (error.cmd, error.stderr.decode(errors="replace")))
        sys.exit(1)
