#!/usr/bin/env python3
"""Draws the keyboard picture: a keyboard synthesizer seen from above.

Writes the drawing as SVG (flat shapes only) and rasterises it with
ImageMagick into a PNG with a transparent background.

The window shows the picture in a band 1.1 times its content's width, from
0.06 of that width left of it, and 0.7 times its height: the band's ends lie
outside the window. So the picture has the band's proportions and the
instrument sits, whole, in the part of it that the window shows.

Usage: draw-keyboard.py [out.png]   (default: ../keyboard-picture.png)
Needs: python3, ImageMagick's `convert` with its SVG delegate `rsvg-convert`
(Debian: imagemagick, librsvg2-bin).
"""
import os
import subprocess
import sys
import tempfile

# The instrument is drawn in these coordinates, then placed on the canvas.
WIDTH, HEIGHT = 1600, 500
# What the instrument covers of them, its shadow included.
EXTENT_LEFT, EXTENT_TOP, EXTENT_RIGHT, EXTENT_BOTTOM = 16, 26, 1586, 486

# The picture band as fractions of the window's content.
BAND_LEFT, BAND_WIDTH, BAND_HEIGHT = -0.06, 1.1, 0.7
# The content's width over its height when the window opens: 30/17 less the
# title bar and the border (1.825 to 1.852 across the size limits).
CONTENT_RATIO = 1.83
# Free space left and right of the instrument, as a fraction of the window's width.
SIDE_MARGIN = 0.03

CANVAS_WIDTH = 2300
CANVAS_HEIGHT = round(CANVAS_WIDTH * BAND_HEIGHT / (BAND_WIDTH * CONTENT_RATIO))

CASE = "#26272b"
CASE_EDGE = "#3a3b40"
PANEL = "#1c1d20"
CHEEK = "#6e4b32"
CHEEK_GRAIN = "#5d3f2a"
KNOB = "#121214"
KNOB_RING = "#45464c"
KNOB_MARK = "#f2f2f2"
DISPLAY = "#0f1a16"
DISPLAY_TEXT = "#4dd198"
BUTTON = "#3d3e44"
BUTTON_LIT = "#ff7f3f"
WHITE_KEY = "#f7f7f4"
WHITE_KEY_EDGE = "#c9c9c4"
BLACK_KEY = "#0c0c0d"
BLACK_KEY_TOP = "#2b2b2e"
WHEEL = "#0e0e10"
WHEEL_RIDGE = "#2e2f33"

FIRST_OCTAVE_NOTE = "C"
OCTAVES = 4  # plus the closing C: 49 keys


def rect(x, y, w, h, fill, rx=0.0, extra=""):
    return f'<rect x="{x:.2f}" y="{y:.2f}" width="{w:.2f}" height="{h:.2f}" rx="{rx:.2f}" fill="{fill}"{extra}/>'


def circle(cx, cy, r, fill):
    return f'<circle cx="{cx:.2f}" cy="{cy:.2f}" r="{r:.2f}" fill="{fill}"/>'


def line(x1, y1, x2, y2, colour, width):
    return (f'<line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="{colour}" '
            f'stroke-width="{width:.2f}" stroke-linecap="round"/>')


def knob(cx, cy, r, angle_deg):
    import math

    a = math.radians(angle_deg)
    tip = (cx + math.sin(a) * r * 0.8, cy - math.cos(a) * r * 0.8)
    start = (cx + math.sin(a) * r * 0.25, cy - math.cos(a) * r * 0.25)
    return [circle(cx, cy, r + 4, KNOB_RING), circle(cx, cy, r, KNOB), line(*start, *tip, KNOB_MARK, r * 0.16)]


def case_and_cheeks():
    shapes = [
        # shadow under the instrument
        rect(22, 34, WIDTH - 36, HEIGHT - 48, "rgba(0,0,0,0.16)", 26),
        rect(16, 26, WIDTH - 32, HEIGHT - 52, CASE_EDGE, 24),
        rect(20, 30, WIDTH - 40, HEIGHT - 60, CASE, 22),
    ]
    for x in (20, WIDTH - 20 - 46):
        shapes.append(rect(x, 30, 46, HEIGHT - 60, CHEEK, 20))
        for i in range(5):
            gx = x + 9 + i * 7
            shapes.append(line(gx, 48, gx + 3, HEIGHT - 48, CHEEK_GRAIN, 2))
    return shapes


def control_panel():
    shapes = [rect(80, 52, WIDTH - 160, 150, PANEL, 10)]
    # display with a few lines of status text drawn as bars
    shapes.append(rect(640, 78, 300, 96, "#2a2b30", 8))
    shapes.append(rect(648, 86, 284, 80, DISPLAY, 5))
    for i, length in enumerate((170, 230, 120)):
        shapes.append(rect(664, 100 + i * 20, length, 8, DISPLAY_TEXT, 2))
    # two rows of knobs on the left
    for row, cy in enumerate((98, 158)):
        for col in range(6):
            cx = 130 + col * 82
            shapes += knob(cx, cy, 20, -120 + (col * 47 + row * 90) % 240)
    # buttons with a few lit ones and two big knobs on the right
    for col in range(8):
        for row in range(2):
            x = 990 + col * 44
            y = 86 + row * 46
            lit = (col + row * 3) % 5 == 0
            shapes.append(rect(x, y, 32, 30, BUTTON_LIT if lit else BUTTON, 5))
    for i, cx in enumerate((1400, 1480)):
        shapes += knob(cx, 128, 30, -60 + i * 100)
    return shapes


def wheels():
    shapes = []
    for x in (90, 140):
        shapes.append(rect(x - 4, 226, 44, 236, "#18191c", 8))
        shapes.append(rect(x, 236, 36, 216, WHEEL, 6))
        for i in range(13):
            y = 246 + i * 16
            shapes.append(rect(x + 3, y, 30, 5, WHEEL_RIDGE, 2))
    return shapes


def keybed():
    left, right = 200, WIDTH - 80
    top, bottom = 224, HEIGHT - 38
    whites_per_octave = 7
    white_count = OCTAVES * whites_per_octave + 1
    key_w = (right - left) / white_count
    shapes = [rect(left - 6, top - 6, right - left + 12, bottom - top + 12, "#101012", 4)]
    for i in range(white_count):
        x = left + i * key_w
        shapes.append(rect(x + 1, top, key_w - 2, bottom - top, WHITE_KEY_EDGE, 3))
        shapes.append(rect(x + 1, top, key_w - 2, bottom - top - 6, WHITE_KEY, 3))
    # black keys sit after C, D, F, G and A of each octave
    black_h = (bottom - top) * 0.6
    black_w = key_w * 0.58
    for octave in range(OCTAVES):
        for white_index in (0, 1, 3, 4, 5):
            boundary = left + (octave * whites_per_octave + white_index + 1) * key_w
            x = boundary - black_w / 2
            shapes.append(rect(x, top, black_w, black_h, BLACK_KEY, 3))
            shapes.append(rect(x + 3, top, black_w - 6, black_h - 10, BLACK_KEY_TOP, 2))
    return shapes


def placement():
    """Scale and offset that centre the instrument on the window's middle,
    SIDE_MARGIN of the window's width away from its sides."""
    window_width = CANVAS_WIDTH / BAND_WIDTH
    window_centre = (-BAND_LEFT + 0.5) * window_width
    scale = window_width * (1 - 2 * SIDE_MARGIN) / (EXTENT_RIGHT - EXTENT_LEFT)
    dx = window_centre - scale * (EXTENT_LEFT + EXTENT_RIGHT) / 2
    dy = CANVAS_HEIGHT / 2 - scale * (EXTENT_TOP + EXTENT_BOTTOM) / 2
    return scale, dx, dy


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "keyboard-picture.png")

    shapes = case_and_cheeks() + control_panel() + wheels() + keybed()
    scale, dx, dy = placement()
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{CANVAS_WIDTH}" height="{CANVAS_HEIGHT}" '
           f'viewBox="0 0 {CANVAS_WIDTH} {CANVAS_HEIGHT}">\n'
           f'<g transform="translate({dx:.2f} {dy:.2f}) scale({scale:.5f})">\n' + "\n".join(shapes) +
           "\n</g>\n</svg>\n")

    with tempfile.TemporaryDirectory() as folder:
        svg_path = os.path.join(folder, "keyboard.svg")
        with open(svg_path, "w", encoding="utf-8") as f:
            f.write(svg)
        subprocess.run(["convert", "-background", "none", svg_path, "-strip", "-define", "png:color-type=6",
                        "PNG32:" + out], check=True)


if __name__ == "__main__":
    main()
