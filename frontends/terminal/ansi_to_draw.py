#!/usr/bin/env python3
"""A tmux pane capture (capture-pane -p -e) as ImageMagick drawing primitives, one line per row
(each line one -draw argument): a rectangle per run of a background colour, then a glyph per cell,
on a grid of CELL_W x CELL_H pixels.

    ansi_to_draw.py CAPTURE COLS ROWS > rows.txt
"""
import re
import sys

CELL_W, CELL_H, FONT_SIZE = 10, 20, 17
BASELINE = 16  # DejaVu Sans Mono at 17 pixels: its shade glyphs then fill the cell top to bottom
DEFAULT_FG, DEFAULT_BG = (190, 190, 190), (0, 0, 0)
SGR = re.compile(r"\x1b\[([0-9;]*)m")


def parse(text, cols, rows):
    grid = [[(" ", DEFAULT_FG, DEFAULT_BG) for _ in range(cols)] for _ in range(rows)]
    for y, line in enumerate(text.split("\n")[:rows]):
        fg, bg, x, pos = DEFAULT_FG, DEFAULT_BG, 0, 0
        while pos < len(line) and x < cols:
            m = SGR.match(line, pos)
            if m:
                fg, bg = apply_sgr(m.group(1), fg, bg)
                pos = m.end()
                continue
            if line[pos] == "\x1b":  # Any other escape: skip to its final byte
                end = re.compile(r"\x1b[^a-zA-Z]*[a-zA-Z]").match(line, pos)
                pos = end.end() if end else pos + 1
                continue
            grid[y][x] = (line[pos], fg, bg)
            x, pos = x + 1, pos + 1
        # The rest of the row keeps the colours in force: tmux leaves trailing blanks out
        while x < cols:
            grid[y][x] = (" ", fg, bg)
            x += 1
    return grid


def apply_sgr(params, fg, bg):
    values = [int(v) if v else 0 for v in params.split(";")] if params else [0]
    i = 0
    while i < len(values):
        v = values[i]
        if v == 0:
            fg, bg = DEFAULT_FG, DEFAULT_BG
        elif v in (38, 48) and i + 4 < len(values) + 0 and values[i + 1] == 2:
            colour = tuple(values[i + 2:i + 5])
            fg, bg = (colour, bg) if v == 38 else (fg, colour)
            i += 4
        elif v == 39:
            fg = DEFAULT_FG
        elif v == 49:
            bg = DEFAULT_BG
        i += 1
    return fg, bg


def hex_colour(c):
    return "#%02x%02x%02x" % c


def main():
    text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
    cols, rows = int(sys.argv[2]), int(sys.argv[3])
    for y, row in enumerate(parse(text, cols, rows)):
        out = ["font-size %d" % FONT_SIZE]
        x = 0
        while x < cols:
            end = x
            while end < cols and row[end][2] == row[x][2]:
                end += 1
            out.append(rectangle(row[x][2], x, end, y))
            x = end
        for x, (ch, fg, _) in enumerate(row):
            if ch == " ":
                continue
            if ch == "\u2588":  # A full block fills the cell exactly
                out.append(rectangle(fg, x, x + 1, y))
                continue
            glyph = ch.replace("\\", "\\\\").replace('"', '\\"').replace("%", "%%")
            out.append('fill %s text %d,%d "%s"' % (hex_colour(fg), x * CELL_W, y * CELL_H + BASELINE, glyph))
        print(" ".join(out))


def rectangle(colour, x0, x1, y):
    return "fill %s rectangle %d,%d %d,%d" % (hex_colour(colour), x0 * CELL_W, y * CELL_H, x1 * CELL_W - 1,
                                               (y + 1) * CELL_H - 1)


if __name__ == "__main__":
    main()
