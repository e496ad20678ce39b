#!/usr/bin/env python3
"""Tidies the SVG that emf2svg-conv makes of protractor.emf so that it shows
the sheet as printed:

- emf2svg-conv sizes its canvas ten times too large and draws the sheet in
  its bottom left corner: the canvas is cut to the sheet and given the
  sheet's real size, 175 x 80 mm;
- the border comes out as a rectangle of negative height, which SVG
  renderers leave out: it is turned the right way up;
- the spindle circle is an arc whose start and end points are the same
  (a full turn), which SVG draws as nothing: it becomes an ellipse.  The
  drawing starts that arc at the circle's leftmost point, so the centre is
  one radius to the right of it;
- texts keep their leading blanks (xml:space), as the metafile places them;
- the drawing's font is 25 units high (the character cell) and 12 units
  wide a character, which emf2svg-conv drops: each text gets the em height
  of that cell and its width from the character count, as the printed
  sheet has them.

Usage: protractor-svg.py < emf2svg-output.svg > protractor.svg
"""

import re
import sys

SHEET_MM = (175, 80)
# The font's character width against its cell height, and the em height
# against the cell height (a Courier-like face's internal leading).
WIDTH_PER_HEIGHT = 12 / 25
EM_PER_CELL = 0.88


def main():
    svg = sys.stdin.read()

    head = re.search(r'<svg [^>]*width="([0-9.]+)" height="([0-9.]+)">\s*'
                     r'<g transform="translate\((-?[0-9.]+), (-?[0-9.]+)\)">', svg)
    if head is None:
        sys.exit("protractor-svg.py: not the SVG layout emf2svg-conv writes")
    width, height, _, shift = (float(v) for v in head.groups())
    svg_open = svg[head.start():svg.index(">", head.start()) + 1]
    svg = svg.replace(svg_open,
                      '<svg version="1.1" xmlns="http://www.w3.org/2000/svg" '
                      'width="%dmm" height="%dmm" viewBox="0 %g %g %g" xml:space="preserve">'
                      % (SHEET_MM[0], SHEET_MM[1], shift, width / 10, height - shift), 1)

    def upright(m):
        y, h = float(m.group(2)), float(m.group(4))
        if h < 0:
            y, h = y + h, -h
        return '<rect x="%s" y="%g" width="%s" height="%g"' % (m.group(1), y, m.group(3), h)

    svg = re.sub(r'<rect x="([0-9.-]+)" y="([0-9.-]+)" width="([0-9.-]+)" height="([0-9.-]+)"',
                 upright, svg)

    def full_turn(m):
        x, y, rx, ry, x2, y2 = (float(v) for v in m.groups()[:6])
        if (x, y) != (x2, y2):
            return m.group(0)
        rx, ry = abs(rx), abs(ry)
        return '<ellipse cx="%g" cy="%g" rx="%g" ry="%g" %s' % (x + rx, y, rx, ry, m.group(7))

    svg = re.sub(r'<path d="M [0-9.-]+,[0-9.-]+ M ([0-9.-]+),([0-9.-]+) '
                 r'A ([0-9.-]+),([0-9.-]+) [0-9.-]+ [01] [01] ([0-9.-]+),([0-9.-]+) " (.*?/>)',
                 full_turn, svg)
    def fitted_text(m):
        attributes, size, content = m.group(1), float(m.group(2)), m.group(3)
        chars = len(re.sub(r"^\s*<!\[CDATA\[(.*)\]\]>\s*$", r"\1", content, flags=re.S))
        return ('<text%s font-size="%.4f" textLength="%.4f" lengthAdjust="spacingAndGlyphs">%s</text>'
                % (attributes, size * EM_PER_CELL, chars * size * WIDTH_PER_HEIGHT, content))

    svg = re.sub(r'<text([^>]*?) font-size="([0-9.]+)" >(.*?)</text>', fitted_text, svg, flags=re.S)
    sys.stdout.write(svg)


if __name__ == "__main__":
    main()
