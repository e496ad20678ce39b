#!/usr/bin/env python3
"""The screen as a user sees it, from `tmux capture-pane -p -e` on stdin.

  screen.py text          each row's text (as tmux gives it, blanks at the
                          end left out)
  screen.py json          the 90 x 30 screen as one line of JSON:
                          {"rows":[[{"ch":"x","fg":N,"bg":N}, ... 90], ... 30]}
                          with console palette indices 0-15 (0-7 the normal
                          colours, 8-15 the bright ones)
  screen.py main-colours  checks the main screen's colours: bright white
                          behind every cell, the menu texts in dark grey and
                          all other text black; exits 1 when a cell is wrong

A cell in the terminal's default colours gets foreground 7 and background 0,
the colours a console starts with.  tmux leaves out the blanks at the end of
a row; they are shown in the colours in force there.
"""

import json
import re
import signal
import sys

ROWS, COLUMNS = 30, 90
DEFAULT_FG, DEFAULT_BG = 7, 0
BLACK, DARK_GREY, BRIGHT_WHITE = 0, 8, 15

# A control sequence (CSI parameters, final byte), an operating system
# command (OSC ... BEL or ST), or any other escape (intermediates, final).
ESCAPE = re.compile(r"\x1b\[([0-?]*)[ -/]*([@-~])|\x1b\][^\x07\x1b]*(?:\x07|\x1b\\)?|\x1b[ -/]*[0-~]?")


def apply_sgr(params, fg, bg):
    """The colours after one SGR sequence's parameters ("" is a reset)."""
    codes = [int(c) if c.isdigit() else 0 for c in params.replace(":", ";").split(";")]
    i = 0
    while i < len(codes):
        n = codes[i]
        if n == 0:
            fg, bg = DEFAULT_FG, DEFAULT_BG
        elif 30 <= n <= 37:
            fg = n - 30
        elif 90 <= n <= 97:
            fg = n - 90 + 8
        elif n == 39:
            fg = DEFAULT_FG
        elif 40 <= n <= 47:
            bg = n - 40
        elif 100 <= n <= 107:
            bg = n - 100 + 8
        elif n == 49:
            bg = DEFAULT_BG
        elif n in (38, 48) and i + 1 < len(codes):
            # 38;5;N and 48;5;N pick palette entry N; 38;2;R;G;B is a colour
            # of no palette entry and is skipped over.
            if codes[i + 1] == 5 and i + 2 < len(codes):
                if n == 38:
                    fg = codes[i + 2]
                else:
                    bg = codes[i + 2]
                i += 2
            elif codes[i + 1] == 2:
                i += 4
        i += 1
    return fg, bg


def parse(capture):
    """[(cells, colours at the end)] per row; a cell is (ch, fg, bg)."""
    # tmux sends the colours only where they change, so they carry on from
    # one row to the next.
    fg, bg = DEFAULT_FG, DEFAULT_BG
    rows = []
    for line in capture.split("\n")[:ROWS]:
        cells = []
        at = 0
        for m in ESCAPE.finditer(line):
            cells += [(ch, fg, bg) for ch in line[at:m.start()]]
            if m.group(2) == "m":
                fg, bg = apply_sgr(m.group(1), fg, bg)
            at = m.end()
        cells += [(ch, fg, bg) for ch in line[at:]]
        rows.append((cells, (fg, bg)))
    return rows


def full_screen(rows):
    """ROWS rows of COLUMNS cells: blanks left out are put back."""
    screen = []
    at_end = (DEFAULT_FG, DEFAULT_BG)
    for r in range(ROWS):
        cells, at_end = rows[r] if r < len(rows) else ([], at_end)
        screen.append(cells[:COLUMNS] + [(" ",) + at_end] * (COLUMNS - len(cells)))
    return screen


def as_json(screen):
    # Compact, with the characters themselves: what JSON.stringify gives.
    doc = {"rows": [[{"ch": ch, "fg": fg, "bg": bg} for ch, fg, bg in row] for row in screen]}
    return json.dumps(doc, ensure_ascii=False, separators=(",", ":"))


def wrong_main_colours(screen):
    """(row, column, fg, bg) of each cell not in the main screen's colours.
    The menu texts are rows 12, 14, 16 and 18 from column 13."""
    wrong = []
    for r, row in enumerate(screen, 1):
        for c, (ch, fg, bg) in enumerate(row, 1):
            menu = r in (12, 14, 16, 18) and c >= 13
            if bg != BRIGHT_WHITE or (ch != " " and fg != (DARK_GREY if menu else BLACK)):
                wrong.append((r, c, fg, bg))
    return wrong


def main(argv):
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    modes = ("text", "json", "main-colours")
    if len(argv) != 1 or argv[0] not in modes:
        print(f"usage: screen.py {'|'.join(modes)} < capture", file=sys.stderr)
        return 2
    rows = parse(sys.stdin.buffer.read().decode("utf-8", errors="replace"))
    out = sys.stdout.buffer
    if argv[0] == "text":
        out.write("\n".join("".join(ch for ch, _, _ in cells) for cells, _ in rows).encode() + b"\n")
    elif argv[0] == "json":
        out.write(as_json(full_screen(rows)).encode() + b"\n")
    else:
        wrong = wrong_main_colours(full_screen(rows))
        for r, c, fg, bg in wrong[:5]:
            print(f"  row {r} column {c}: foreground {fg}, background {bg}", file=sys.stderr)
        print(f"  {ROWS * COLUMNS} cells looked at, {len(wrong)} in the wrong colours")
        return 1 if wrong else 0
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
