#!/usr/bin/env python3
"""Writes the vector set of chess men as twelve small SVG files.

The shapes are the solid chess glyphs (U+265A..U+265F) of DejaVu Sans, whose licence lets us ship
them; both colours use the same outline, so a man's colour is only its fill and stroke.
Each file holds two paths: the man's silhouette in the edge colour, with its outline stroked, and
the glyph itself in the body colour over it. The glyph's inner channels (a crown's bands, a
knight's mane) are holes, so the silhouette shows through them as lines in the edge colour
whatever the square beneath.
Needs python3-fonttools and the DejaVu Sans font (Debian fonts-dejavu-core):
    python3 scripts/make-pieces.py [font file] [output folder]
The default folder is src/views/pieces, where the build compiles them in as Qt resources.
"""

import sys
from pathlib import Path

from fontTools.pens.areaPen import AreaPen
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import RecordingPen
from fontTools.pens.reverseContourPen import ReverseContourPen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

DEFAULT_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

MEN = {"King": 0x265A, "Queen": 0x265B, "Rook": 0x265C,
       "Bishop": 0x265D, "Knight": 0x265E, "Pawn": 0x265F}

# Body and edge colours as the font set paints them: a light man needs a dark edge to stand out on a
# light square, a dark man a thin light one on a dark square.
COLOURS = {
    "White": {"fill": "#fafaf5", "stroke": "#141418", "width": 56},
    "Black": {"fill": "#1f2126", "stroke": "#f5f5f0", "width": 40},
}

# Room around the glyphs (font units) so the widest stroke is not cut off at the frame.
MARGIN = 40


def contours(glyph):
    """The glyph's closed contours, each as a list of recorded pen calls."""
    pen = RecordingPen()
    glyph.draw(pen)
    result, current = [], []
    for operator, operands in pen.value:
        current.append((operator, operands))
        if operator in ("closePath", "endPath"):
            result.append(current)
            current = []
    return result


def silhouette(glyph, glyphs, out):
    """Draws every contour turned the same way, so the non-zero rule fills the holes too."""
    for contour in contours(glyph):
        area = AreaPen(glyphs)
        for operator, operands in contour:
            getattr(area, operator)(*operands)
        target = ReverseContourPen(out) if area.value < 0 else out
        for operator, operands in contour:
            getattr(target, operator)(*operands)


def main():
    font_file = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_FONT
    out = Path(sys.argv[2] if len(sys.argv) > 2 else Path(__file__).parent.parent / "src/views/pieces")
    font = TTFont(font_file)
    glyphs = font.getGlyphSet()
    cmap = font.getBestCmap()

    bounds = {}
    for name, code in MEN.items():
        pen = BoundsPen(glyphs)
        glyphs[cmap[code]].draw(pen)
        bounds[name] = pen.bounds
    # One square frame for all men, so they keep the font's relative sizes and share a baseline.
    bottom = min(b[1] for b in bounds.values())
    top = max(b[3] for b in bounds.values())
    widest = max(b[2] - b[0] for b in bounds.values())
    side = max(top - bottom, widest) + 2 * MARGIN
    lift = (side - (top - bottom)) / 2  # centres the common height in the frame

    for name, code in MEN.items():
        x0, _, x1, _ = bounds[name]
        shift = side / 2 - (x0 + x1) / 2  # each man centred on its own width
        # Fonts count y upwards, SVG downwards.
        flip = (1, 0, 0, -1, shift, top + lift)
        glyph = glyphs[cmap[code]]
        body = SVGPathPen(glyphs, ntos=lambda v: str(round(v)))
        glyph.draw(TransformPen(body, flip))
        edge = SVGPathPen(glyphs, ntos=lambda v: str(round(v)))
        silhouette(glyph, glyphs, TransformPen(edge, flip))
        for colour, paint in COLOURS.items():
            svg = (f'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {round(side)} {round(side)}">'
                   f'<path d="{edge.getCommands()}" fill="{paint["stroke"]}" stroke="{paint["stroke"]}"'
                   f' stroke-width="{paint["width"]}" stroke-linejoin="round"/>'
                   f'<path d="{body.getCommands()}" fill="{paint["fill"]}"/></svg>\n')
            (out / f"{colour}{name}.svg").write_text(svg)


if __name__ == "__main__":
    main()
