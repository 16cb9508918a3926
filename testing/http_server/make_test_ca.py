#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the test CA and the loopback server's certificate (openssl).

Writes into --out (a build folder; nothing here is ever committed):
  root.pem, root.key              the test server CA
  server_key.pem                  the server's key
  server_chain.pem                the server certificate (names 127.0.0.1 and
                                  localhost), then the CA
  stamp                           written last
and the CA, DER-encoded, as --root-der: the Wine prefix set-up adds every
certificate of that folder to the machine's Root store, so WinINet trusts the
server under Wine.
"""

import argparse
import os
import subprocess


def run(openssl, *args):
    subprocess.run([openssl, *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--openssl", default="openssl")
    parser.add_argument("--out", required=True)
    parser.add_argument("--root-der", required=True)
    options = parser.parse_args()
    out = options.out
    os.makedirs(out, exist_ok=True)
    os.makedirs(os.path.dirname(options.root_der), exist_ok=True)
    root_key = os.path.join(out, "root.key")
    root = os.path.join(out, "root.pem")
    run(options.openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
        "-days", "3650", "-subj", "/CN=Velta Test Server CA",
        "-addext", "basicConstraints=critical,CA:true",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign",
        "-keyout", root_key, "-out", root)

    key = os.path.join(out, "server_key.pem")
    request = os.path.join(out, "server.csr")
    extensions = os.path.join(out, "server.ext")
    certificate = os.path.join(out, "server.pem")
    with open(extensions, "w") as f:
        f.write("basicConstraints=CA:false\n"
                "keyUsage=critical,digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n"
                "subjectAltName=DNS:127.0.0.1,DNS:localhost,IP:127.0.0.1\n")
    run(options.openssl, "req", "-new", "-newkey", "rsa:2048", "-nodes",
        "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", request)
    run(options.openssl, "x509", "-req", "-sha256", "-days", "3650", "-in", request,
        "-CA", root, "-CAkey", root_key, "-set_serial", "4242",
        "-extfile", extensions, "-out", certificate)
    with open(os.path.join(out, "server_chain.pem"), "w") as chain:
        for part in (certificate, root):
            with open(part) as f:
                chain.write(f.read())
    run(options.openssl, "x509", "-in", root, "-outform", "DER", "-out", options.root_der)
    with open(os.path.join(out, "stamp"), "w") as f:
        f.write("ok\n")


if __name__ == "__main__":
    main()
