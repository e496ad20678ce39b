#!/usr/bin/env python3
"""Turns a terminal screen captured with `tmux capture-pane -e -p` into an SVG
picture: every cell's background and text in its colours, on a grid of
COLS x ROWS cells, with the cursor drawn where tmux reports it.

Usage: screen-to-svg.py COLS ROWS [--cursor X,Y] < capture > picture.svg
X and Y count from 0 at the top left, as tmux's cursor_x and cursor_y do.
"""

import re
import sys
from xml.sax.saxutils import escape

# The 16 colours of the palette (xterm's defaults), the indices a program
# sets with SGR 30-37 / 90-97 and 40-47 / 100-107.
PALETTE = [
    "#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
    "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff",
]
DEFAULT_FG = "#000000"
DEFAULT_BG = "#ffffff"

CELL_W = 8.4
CELL_H = 17.0
FONT_SIZE = 14
PAD = 8
FONT = "'DejaVu Sans Mono', 'Liberation Mono', Menlo, Consolas, monospace"

SGR = re.compile(r"\x1b\[([0-9;:]*)m")


def colour_256(n):
    if n < 16:
        return PALETTE[n]
    if n < 232:
        n -= 16
        levels = [0, 95, 135, 175, 215, 255]
        return "#%02x%02x%02x" % (levels[n // 36], levels[n // 6 % 6], levels[n % 6])
    grey = 8 + 10 * (n - 232)
    return "#%02x%02x%02x" % (grey, grey, grey)


def apply_sgr(params, fg, bg):
    codes = [int(p) if p else 0 for p in params.replace(":", ";").split(";")] if params else [0]
    i = 0
    while i < len(codes):
        c = codes[i]
        if c == 0:
            fg, bg = DEFAULT_FG, DEFAULT_BG
        elif 30 <= c <= 37:
            fg = PALETTE[c - 30]
        elif 90 <= c <= 97:
            fg = PALETTE[c - 90 + 8]
        elif c == 39:
            fg = DEFAULT_FG
        elif 40 <= c <= 47:
            bg = PALETTE[c - 40]
        elif 100 <= c <= 107:
            bg = PALETTE[c - 100 + 8]
        elif c == 49:
            bg = DEFAULT_BG
        elif c in (38, 48) and i + 1 < len(codes):
            if codes[i + 1] == 5 and i + 2 < len(codes):
                value = colour_256(codes[i + 2] % 256)
                i += 2
            elif codes[i + 1] == 2 and i + 4 < len(codes):
                value = "#%02x%02x%02x" % tuple(v % 256 for v in codes[i + 2:i + 5])
                i += 4
            else:
                value = None
            if value is not None:
                if c == 38:
                    fg = value
                else:
                    bg = value
        i += 1
    return fg, bg


def parse(text, cols, rows):
    """Returns rows of cells (character, foreground, background)."""
    fg, bg = DEFAULT_FG, DEFAULT_BG
    grid = []
    for line in text.split("\n")[:rows]:
        cells = []
        pos = 0
        for m in SGR.finditer(line):
            for ch in line[pos:m.start()]:
                cells.append((ch, fg, bg))
            fg, bg = apply_sgr(m.group(1), fg, bg)
            pos = m.end()
        for ch in line[pos:]:
            cells.append((ch, fg, bg))
        # tmux leaves out the blanks at a line's end: they carry the
        # colours in force there.
        cells = cells[:cols]
        cells += [(" ", fg, bg)] * (cols - len(cells))
        grid.append(cells)
    while len(grid) < rows:
        grid.append([(" ", fg, bg)] * cols)
    return grid


def runs(cells, key):
    """Splits a row into (start, end, key) runs of equal key."""
    out = []
    start = 0
    for i in range(1, len(cells) + 1):
        if i == len(cells) or key(cells[i]) != key(cells[start]):
            out.append((start, i, key(cells[start])))
            start = i
    return out


def to_svg(grid, cols, rows, cursor):
    width = cols * CELL_W + 2 * PAD
    height = rows * CELL_H + 2 * PAD
    screen_bg = grid[0][0][2]
    out = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="%g" height="%g" viewBox="0 0 %g %g">'
        % (width, height, width, height),
        '<rect width="100%%" height="100%%" rx="6" fill="%s" stroke="#888888"/>' % screen_bg,
        '<g font-family="%s" font-size="%d" xml:space="preserve">' % (FONT, FONT_SIZE),
    ]
    for r, cells in enumerate(grid):
        y = PAD + r * CELL_H
        for start, end, bg in runs(cells, lambda c: c[2]):
            if bg != screen_bg:
                out.append('<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" fill="%s"/>'
                           % (PAD + start * CELL_W, y, (end - start) * CELL_W, CELL_H, bg))
        for start, end, fg in runs(cells, lambda c: c[1]):
            text = "".join(c[0] for c in cells[start:end])
            stripped = text.rstrip(" ")
            lead = len(stripped) - len(stripped.lstrip(" "))
            stripped = stripped.lstrip(" ")
            if not stripped:
                continue
            x = PAD + (start + lead) * CELL_W
            out.append('<text x="%.1f" y="%.1f" fill="%s" textLength="%.1f" lengthAdjust="spacing">%s</text>'
                       % (x, y + CELL_H * 0.78, fg, len(stripped) * CELL_W, escape(stripped)))
    if cursor is not None:
        cx, cy = cursor
        if 0 <= cx < cols and 0 <= cy < rows:
            out.append('<rect x="%.1f" y="%.1f" width="%.1f" height="2" fill="%s"/>'
                       % (PAD + cx * CELL_W, PAD + (cy + 1) * CELL_H - 3, CELL_W, grid[cy][cx][1]))
    out.append("</g>")
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    args = sys.argv[1:]
    cursor = None
    if "--cursor" in args:
        i = args.index("--cursor")
        cursor = tuple(int(v) for v in args[i + 1].split(","))
        del args[i:i + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    cols, rows = int(args[0]), int(args[1])
    text = sys.stdin.buffer.read().decode("utf-8", errors="replace")
    sys.stdout.write(to_svg(parse(text, cols, rows), cols, rows, cursor))


if __name__ == "__main__":
    main()
