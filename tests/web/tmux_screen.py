"""The screen in a `tmux capture-pane -p -e` capture, as JSON.

    python3 tests/web/tmux_screen.py json < capture

prints {"rows": [[{"ch": "x", "fg": N, "bg": N}, ... 90 cells], ... 30 rows]}
with N the console palette index (0-15) of each cell's colours, or null
for the terminal's default colour.  The browser tests read the page's
terminal into the same shape and compare the two.
"""
import json
import re
import sys

COLS, ROWS = 90, 30


def palette_from_ansi(n):
    """The console palette index (blue 1, green 2, red 4, intensity 8) of
    ANSI colour n (red 1, green 2, blue 4, bright 8): the same colour."""
    return (n & 8) | (4 if n & 1 else 0) | (n & 2) | (1 if n & 4 else 0)


def apply_sgr(params, fg, bg):
    codes = [int(c) if c else 0 for c in params.split(";")] if params else [0]
    i = 0
    while i < len(codes):
        n = codes[i]
        if n == 0:
            fg, bg = None, None
        elif 30 <= n <= 37:
            fg = palette_from_ansi(n - 30)
        elif 90 <= n <= 97:
            fg = palette_from_ansi(n - 90 + 8)
        elif n == 39:
            fg = None
        elif 40 <= n <= 47:
            bg = palette_from_ansi(n - 40)
        elif 100 <= n <= 107:
            bg = palette_from_ansi(n - 100 + 8)
        elif n == 49:
            bg = None
        elif n in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
            # 256-colour form: the first 16 are the palette's.
            value = palette_from_ansi(codes[i + 2]) if codes[i + 2] < 16 else codes[i + 2]
            if n == 38:
                fg = value
            else:
                bg = value
            i += 2
        i += 1
    return fg, bg


def parse(capture):
    """The 30 rows of 90 cells.  tmux leaves out the blanks at the end of a
    row; they have the colours in force there.  The colours carry on from
    one row to the next."""
    fg, bg = None, None
    rows = []
    lines = capture.split("\n")
    for r in range(ROWS):
        line = lines[r] if r < len(lines) else ""
        cells = []
        for part in re.split(r"(\x1b\[[0-9;]*m)", line):
            if part.startswith("\x1b["):
                fg, bg = apply_sgr(part[2:-1], fg, bg)
            else:
                cells += [{"ch": ch, "fg": fg, "bg": bg} for ch in part]
        cells = cells[:COLS]
        cells += [{"ch": " ", "fg": fg, "bg": bg} for _ in range(COLS - len(cells))]
        rows.append(cells)
    return {"rows": rows}


def main():
    if len(sys.argv) != 2 or sys.argv[1] != "json":
        print(__doc__.strip(), file=sys.stderr)
        return 2
    json.dump(parse(sys.stdin.read()), sys.stdout, ensure_ascii=False)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
