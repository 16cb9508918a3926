#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Windows under Wine on an X server of their own, for pictures of the
installer's windows.

The test prefix draws nothing (its graphics driver is "null"), so pictures
need a prefix of their own whose windows go to an Xvfb display. XvfbWine
starts Xvfb on a free display, makes the prefix once (a copy of the build
tree's template prefix, in the given folder) and runs programs in it;
screenshot() reads the whole screen with `xwd -root` and keeps the part
asked for as a PNG (decoded and encoded here: no image tool is needed). At
the end the prefix's wineserver and the X server are stopped.

  with XvfbWine(prefix, home) as session:
      session.set_log_pixels(144)        # the DPI of programs started next
      process = session.popen([program, ...])
      session.screenshot("page.png", (left, top, right, bottom))
"""

import hashlib
import inspect
import itertools
import os
import select
import shutil
import struct
import subprocess
import zlib

# Makes a test prefix as a copy of the build tree's template (and the
# template first when there is none).
WINE_SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "testing",
                            "wine")
PREPARE_WINE = os.path.join(WINE_SCRIPTS, "prepare_wine.sh")
# What the template prefix is made with: a change of either remakes it.
PREFIX_SETUP = (PREPARE_WINE, os.path.join(WINE_SCRIPTS, "tahoma_with_scripts.py"))


def keep_to_one_core(prefix):
    """On two cores, keeps this process and what it starts from now on (the
    X server, the prefix's wineserver and programs) to one of them, chosen
    by the prefix's name as testing/wine/run_under_wine.sh chooses for the
    other prefixes: a Wine program asks its wineserver for nearly
    everything, and an answer that wakes the other core costs about as much
    CPU again. VELTA_WINE_ALL_CORES keeps both, as there."""
    if os.environ.get("VELTA_WINE_ALL_CORES"):
        return
    cores = sorted(os.sched_getaffinity(0))
    if len(cores) != 2:
        return
    checksum = subprocess.run(["cksum"], input=prefix.encode(), capture_output=True,
                              check=True).stdout.split()[0]
    os.sched_setaffinity(0, {cores[int(checksum) % 2]})


class XvfbWine:
    def __init__(self, prefix, home, screen="1280x1024x24", log_file=os.devnull):
        self.log_file = log_file
        self.prefix = os.path.abspath(prefix)
        self.home = os.path.abspath(home)
        self.screen = screen
        self.xvfb = None
        self.display = None

    def __enter__(self):
        keep_to_one_core(self.prefix)
        read_end, write_end = os.pipe()
        with open(self.log_file, "w") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
        os.close(write_end)
        ready, _, _ = select.select([read_end], [], [], 30)
        number = os.read(read_end, 32).decode().strip() if ready else ""
        # Kept open: the server writes its number again at a reset, and dies
        # of a closed pipe.
        self.display_pipe = read_end
        if not number.isdigit():
            self.xvfb.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self._prepare_prefix()
        return self

    def __exit__(self, *exc):
        subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=30)
        os.close(self.display_pipe)

    def alive(self):
        return self.xvfb is not None and self.xvfb.poll() is None

    def env(self):
        env = dict(os.environ)
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy"):
            env.pop(proxy, None)
        env.update({"WINEPREFIX": self.prefix, "HOME": self.home, "DISPLAY": self.display or "",
                    "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": "winemenubuilder.exe=d;winedbg.exe=d"})
        return env

    def run(self, args, **kwargs):
        return subprocess.run(["wine", *args], env=self.env(), stdin=subprocess.DEVNULL,
                              **kwargs)

    def popen(self, args, **kwargs):
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        return subprocess.Popen(["wine", *args], env=self.env(), **kwargs)

    def _reg_add(self, key, name, kind, data):
        self.run(["reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f"],
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def _prepare_prefix(self):
        """Makes the prefix unless it was made by this setup as it is now
        (the marker holds a digest of the setup's code and of the scripts
        that make the template): a copy of the build tree's template
        prefix, as every test prefix is (its libraries are hard links, its
        fonts and Windows version set; a fresh wineboot took about 18 s of
        CPU), whose windows go to the display, undecorated."""
        os.makedirs(self.home, exist_ok=True)
        marker = os.path.join(self.prefix, ".velta-xvfb-ready")
        digest = hashlib.sha1(inspect.getsource(XvfbWine._prepare_prefix).encode())
        for path in PREFIX_SETUP:
            with open(path, "rb") as script:
                digest.update(script.read())
        setup = digest.hexdigest()
        try:
            with open(marker, encoding="utf-8") as made:
                ready = made.read() == setup
        except OSError:
            ready = False
        if not ready:
            shutil.rmtree(self.prefix, ignore_errors=True)
            env = self.env()
            env["VELTA_WINE_TEMPLATE"] = os.path.join(os.path.dirname(self.prefix),
                                                      "wine-prefix-template")
            # The console programs the tree built for its prefixes.
            env["VELTA_WINE_PROGRAMS"] = os.path.join(os.path.dirname(self.prefix),
                                                      "wine_programs")
            subprocess.run([PREPARE_WINE], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            # The template's programs draw nothing (the "null" driver).
            self.run(["reg", "delete", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/f"],
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            # Without a window manager nothing decorates or moves the windows.
            self._reg_add("HKCU\\Software\\Wine\\X11 Driver", "Managed", "REG_SZ", "N")
            # The copy's services started without the display: started again
            # by the first program.
            subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env())
            with open(marker, "w", encoding="utf-8") as made:
                made.write(setup)

    def set_log_pixels(self, dpi):
        """The DPI that programs started from now on see."""
        self._reg_add("HKCU\\Control Panel\\Desktop", "LogPixels", "REG_DWORD", dpi)

    def screenshot(self, path, rect=None):
        """The screen, or its part (left, top, right, bottom), as a PNG;
        returns the picture's rows of (r, g, b) tuples."""
        dump = subprocess.run(["xwd", "-root", "-silent", "-display", self.display],
                              capture_output=True, check=True).stdout
        rows = read_xwd(dump, rect)
        write_png(path, rows)
        return rows


def read_xwd(data, rect=None):
    """The pixels of an X window dump of a true-colour screen, or of its part
    (left, top, right, bottom), as rows of (r, g, b)."""
    header = struct.unpack_from(">25I", data, 0)
    header_size, _, pixmap_format, _, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks = header[14:17]  # red, green, blue
    colormap_entries = header[19]  # the number of colours that follow
    # Pixels of 3 or 4 bytes; a line may hold more than its pixels.
    pixel_bytes = bits_per_pixel // 8
    if pixmap_format != 2 or bits_per_pixel not in (24, 32) or bytes_per_line < width * pixel_bytes:
        raise ValueError("only true-colour ZPixmap dumps are read")
    offset = header_size + colormap_entries * 12
    left, top, right, bottom = rect if rect else (0, 0, width, height)
    left, right = max(0, min(left, width)), max(0, min(right, width))
    top, bottom = max(0, min(top, height)), max(0, min(bottom, height))

    def shift_of(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift_of(mask) for mask in masks]
    rows = []
    if all(mask == 0xFF << shift and shift % 8 == 0 for mask, shift in zip(masks, shifts)):
        # Each colour a byte of its own (the usual case): sliced out of the
        # line at once rather than pixel by pixel.
        places = [shift // 8 if byte_order == 0 else pixel_bytes - 1 - shift // 8
                  for shift in shifts]
        for y in range(top, bottom):
            start = offset + y * bytes_per_line + left * pixel_bytes
            line = data[start:start + (right - left) * pixel_bytes]
            rows.append(list(zip(line[places[0]::pixel_bytes], line[places[1]::pixel_bytes],
                                 line[places[2]::pixel_bytes])))
        return rows
    order = "little" if byte_order == 0 else "big"
    for y in range(top, bottom):
        start = offset + y * bytes_per_line
        line = [int.from_bytes(data[start + x * pixel_bytes:start + (x + 1) * pixel_bytes], order)
                for x in range(left, right)]
        rows.append([tuple((p & mask) >> shift for mask, shift in zip(masks, shifts))
                     for p in line])
    return rows


def read_bmp(path):
    """The pixels of a 24-bit bottom-up BMP (as ui_driver writes), as rows of
    (r, g, b)."""
    with open(path, "rb") as file:
        data = file.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        line = data[offset + y * stride:offset + y * stride + 3 * width]
        rows.append(list(zip(line[2::3], line[1::3], line[0::3])))
    return rows


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0]) if rows else 0
    raw = b"".join(b"\0" + bytes(itertools.chain.from_iterable(row)) for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" +
                   chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                   chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
