#!/usr/bin/python3
# Copyright 2026 Velta Software. All rights reserved.
"""Writes a copy of Wine's Tahoma with the letters of the scripts it lacks
and Wine shapes with it alone, taken from the Noto fonts, for the test
prefixes.

Wine draws a text that holds right-to-left letters (Hebrew, Arabic) or a
script it shapes itself (Thai, Sinhala) with the glyphs of the selected
font alone: its shaping never reaches a linked font, so a font link cannot
bring those letters, and they were drawn as boxes. Windows's Tahoma has
Hebrew, Arabic with the letters of Urdu, and Thai; Wine's has Arabic
without Urdu's own letters. Each added glyph is the donor's outline, scaled
to Tahoma's units and with its components resolved; it keeps the donor's
advance. Needs Debian's python3-fonttools.

  tahoma_with_scripts.py <tahoma.ttf> <folder of the Noto fonts> <out.ttf>
"""

import os
import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

# Donor font, the code points taken from it (where Tahoma has none), and
# the OS/2 bits that say so: (Unicode range word, bit), (code page bit).
SCRIPTS = (
    ("NotoSansHebrew-Regular.ttf", (range(0x0590, 0x0600), range(0xFB1D, 0xFB50)),
     (1, 11), 5),
    ("NotoSansArabic-Regular.ttf",
     (range(0x0600, 0x0700), range(0xFB50, 0xFE00), range(0xFE70, 0xFF00)), (1, 13), 6),
    ("NotoSansThai-Regular.ttf", (range(0x0E00, 0x0E80),), (1, 24), 16),
    ("NotoSansSinhala-Regular.ttf", (range(0x0D80, 0x0E00),), (3, 9), None),
)


def add_letters(base, donor, blocks):
    """Adds the donor's letters of `blocks` that `base` lacks; returns how
    many glyphs were added."""
    scale = base["head"].unitsPerEm / donor["head"].unitsPerEm
    have = base.getBestCmap()
    donor_glyphs = donor.getGlyphSet()
    glyf, hmtx = base["glyf"], base["hmtx"]
    prefix = donor["name"].getDebugName(1).replace(" ", "") + "."
    added = {}
    for code, name in sorted(donor.getBestCmap().items()):
        if code in have or not any(code in block for block in blocks):
            continue
        if name not in added:
            outline = DecomposingRecordingPen(donor_glyphs)
            donor_glyphs[name].draw(outline)
            pen = TTGlyphPen(None)
            outline.replay(TransformPen(pen, (scale, 0, 0, scale, 0, 0)))
            glyph = pen.glyph()
            new_name = prefix + name
            glyf[new_name] = glyph  # Appended to the glyph order.
            glyph.recalcBounds(glyf)
            advance = donor["hmtx"][name][0]
            hmtx[new_name] = (round(advance * scale), getattr(glyph, "xMin", 0))
            added[name] = new_name
        for table in base["cmap"].tables:
            if table.isUnicode():
                table.cmap[code] = added[name]
    base.setGlyphOrder(glyf.glyphOrder)
    return len(added)


def main():
    base_path, donor_folder, out_path = sys.argv[1:4]
    base = TTFont(base_path)
    os2 = base["OS/2"]
    for donor_name, blocks, (word, bit), code_page in SCRIPTS:
        donor = TTFont(os.path.join(donor_folder, donor_name))
        if not add_letters(base, donor, blocks):
            sys.exit("no letters of %s added to %s" % (donor_name, base_path))
        name = "ulUnicodeRange%d" % word
        setattr(os2, name, getattr(os2, name) | 1 << bit)
        if code_page is not None:
            os2.ulCodePageRange1 |= 1 << code_page
    base.save(out_path)


if __name__ == "__main__":
    main()
