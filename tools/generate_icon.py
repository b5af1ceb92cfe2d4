#!/usr/bin/env python3
"""Generates the NovaBit icon from the monitor's own graph, as SVG and PNG.

The icon is a small copy of the 12-hour graph, in the monitor's colours:
  - the green seconds band (0x00CC00), filled column by column with one point
    per second, blue when zeros led, red when ones led, white when they tied
    (drawn at the odds of 200 fair bits, from a fixed seed);
  - the dark-blue checkpoint band (0x000044) with its centre line (0x008800)
    and the two reference lines (0x006600);
  - a checkpoint every 5 minutes (a plus, 0xDD4444 above / 0x4444DD below) and
    every 15 (a diamond, 0xDD8888 / 0x8888DD), near the centre line except
    for a stretch that sinks towards the zeros, as a hidden window makes it.
It is drawn on a 48 x 48 grid, one unit to a pixel of the 48-pixel icon, so
the smallest size stays sharp. The PNGs are rendered from the SVG with
rsvg-convert (Debian's librsvg2-bin).

Usage: tools/generate_icon.py [icon theme folder]   (default: packaging/hicolor)
"""

import math
import pathlib
import random
import subprocess
import sys

ICON_NAME = "io.github.novabit.NovaBit"
PNG_SIZES = (48, 128)

BACKGROUND = "#000000"
SECONDS_BAND = "#00CC00"
ZEROS_LED, ONES_LED, TIED = "#4444FF", "#FF4444", "#FFFFFF"
CHECKPOINT_BAND = "#000044"
CENTRE_LINE, REFERENCE_LINE = "#008800", "#006600"
FIVE_MINUTE_ONE, FIVE_MINUTE_ZERO = "#DD4444", "#4444DD"
QUARTER_ONE, QUARTER_ZERO = "#DD8888", "#8888DD"

# The graph inside a black tile with 3 units of margin.
TILE = (2, 2, 44, 44)
SECONDS = (5, 5, 38, 14)  # x, y, width, height
POINT = 2  # a second's point, in units
FILLED_COLUMNS, LAST_COLUMN_POINTS = 12, 3  # the run is some minutes old
CHECKPOINTS = (5, 20, 38, 23)
CENTRE_Y = CHECKPOINTS[1] + CHECKPOINTS[3] // 2
REFERENCE_OFFSET = 6

# One checkpoint every 3 units, its distance from the centre line in units
# (up: ones led); every third is a quarter. The stretch from the fourth to the
# ninth is the hidden window at work.
CHECKPOINT_OFFSETS = (1, -1, 1, -2, -4, -5, -6, -4, -2, 1, -1, 1)
FIRST_CHECKPOINT_X, CHECKPOINT_SPACING = 7, 3

TIE_PROBABILITY = math.comb(200, 100) / 2**200
SEED = 20261207


def rect(x, y, width, height, fill, extra=""):
    return f'<rect x="{x}" y="{y}" width="{width}" height="{height}" fill="{fill}"{extra}/>'


def second_points():
    draw = random.Random(SEED)
    x0, y0, _, height = SECONDS
    rows = height // POINT
    points = []
    for column in range(FILLED_COLUMNS + 1):
        for row in range(rows if column < FILLED_COLUMNS else LAST_COLUMN_POINTS):
            roll = draw.random()
            colour = TIED if roll < TIE_PROBABILITY else ZEROS_LED if roll < (1 + TIE_PROBABILITY) / 2 else ONES_LED
            points.append(rect(x0 + column * POINT, y0 + row * POINT, POINT, POINT, colour))
    return points


def plus(x, y, colour):
    return f'<path d="M{x - 1},{y}h3v1h-3zM{x},{y - 1}h1v3h-1z" fill="{colour}"/>'


def diamond(x, y, colour):
    return (f'<path d="M{x},{y - 2}h1v1h1v1h1v1h-1v1h-1v1h-1v-1h-1v-1h-1v-1h1v-1h1z" '
            f'fill="{colour}"/>')


def checkpoint_dots():
    fives, quarters = [], []
    for index, offset in enumerate(CHECKPOINT_OFFSETS):
        x, y = FIRST_CHECKPOINT_X + index * CHECKPOINT_SPACING, CENTRE_Y - offset
        if index % 3 == 2:
            quarters.append(diamond(x, y, QUARTER_ONE if offset > 0 else QUARTER_ZERO))
        else:
            fives.append(plus(x, y, FIVE_MINUTE_ONE if offset > 0 else FIVE_MINUTE_ZERO))
    # The monitor draws a quarter's dot over the five-minute dot of the same moment.
    return fives + quarters


def svg():
    x, _, width, _ = CHECKPOINTS
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">',
        "<title>NovaBit</title>",
        rect(*TILE, BACKGROUND, ' rx="4"'),
        '<g shape-rendering="crispEdges">',
        rect(*SECONDS, SECONDS_BAND),
        *second_points(),
        rect(*CHECKPOINTS, CHECKPOINT_BAND),
        rect(x, CENTRE_Y - REFERENCE_OFFSET, width, 1, REFERENCE_LINE),
        rect(x, CENTRE_Y + REFERENCE_OFFSET, width, 1, REFERENCE_LINE),
        rect(x, CENTRE_Y, width, 1, CENTRE_LINE),
        *checkpoint_dots(),
        "</g>",
        "</svg>",
    ]
    return "\n".join(parts) + "\n"


def main():
    theme = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "packaging/hicolor")
    scalable = theme / "scalable" / "apps" / f"{ICON_NAME}.svg"
    scalable.parent.mkdir(parents=True, exist_ok=True)
    scalable.write_text(svg(), encoding="ascii")
    for size in PNG_SIZES:
        png = theme / f"{size}x{size}" / "apps" / f"{ICON_NAME}.png"
        png.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["rsvg-convert", "--width", str(size), "--height", str(size),
                        "--output", str(png), str(scalable)], check=True)


if __name__ == "__main__":
    main()
