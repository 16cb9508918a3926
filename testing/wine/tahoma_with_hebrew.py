#!/usr/bin/python3
# Copyright 2026 Velta Software. All rights reserved.
"""Writes a copy of Wine's Tahoma with the Hebrew letters of another font
(Noto Sans Hebrew) added, for the test prefixes.

Windows's Tahoma has Hebrew; Wine's lacks it. Wine draws a text that holds
right-to-left letters with the glyphs of the selected font alone (its
shaping never reaches a linked font), so a font link cannot bring Hebrew:
the letters must be in Tahoma itself. Arabic is in Wine's Tahoma already.
Each added glyph is the donor's outline, scaled to Tahoma's units and with
its components resolved; it keeps the donor's advance. Needs Debian's
python3-fonttools.

  tahoma_with_hebrew.py <tahoma.ttf> <donor.ttf> <out.ttf>
"""

import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

# The Hebrew block and the Hebrew presentation forms.
HEBREW = (range(0x0590, 0x0600), range(0xFB1D, 0xFB50))
# OS/2 bits: the Hebrew Unicode range and code page 1255.
UNICODE_RANGE_HEBREW = 1 << 11
CODE_PAGE_1255 = 1 << 5


def add_hebrew(base, donor):
    """Adds the donor's Hebrew letters that `base` lacks; returns how many
    glyphs were added."""
    scale = base["head"].unitsPerEm / donor["head"].unitsPerEm
    have = base.getBestCmap()
    donor_glyphs = donor.getGlyphSet()
    glyf, hmtx = base["glyf"], base["hmtx"]
    added = {}
    for code, name in sorted(donor.getBestCmap().items()):
        if code in have or not any(code in block for block in HEBREW):
            continue
        if name not in added:
            outline = DecomposingRecordingPen(donor_glyphs)
            donor_glyphs[name].draw(outline)
            pen = TTGlyphPen(None)
            outline.replay(TransformPen(pen, (scale, 0, 0, scale, 0, 0)))
            glyph = pen.glyph()
            new_name = "hebrew." + name
            glyf[new_name] = glyph  # Appended to the glyph order.
            glyph.recalcBounds(glyf)
            advance = donor["hmtx"][name][0]
            hmtx[new_name] = (round(advance * scale), getattr(glyph, "xMin", 0))
            added[name] = new_name
        for table in base["cmap"].tables:
            if table.isUnicode():
                table.cmap[code] = added[name]
    base.setGlyphOrder(glyf.glyphOrder)
    base["OS/2"].ulUnicodeRange1 |= UNICODE_RANGE_HEBREW
    base["OS/2"].ulCodePageRange1 |= CODE_PAGE_1255
    return len(added)


def main():
    base_path, donor_path, out_path = sys.argv[1:4]
    base = TTFont(base_path)
    if not add_hebrew(base, TTFont(donor_path)):
        sys.exit("no Hebrew letters added to " + base_path)
    base.save(out_path)


if __name__ == "__main__":
    main()
