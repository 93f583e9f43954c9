#!/usr/bin/env python3
"""Draws the header wordmark "TAVELO" as plain SVG paths.

One fill colour, no <text>, no CSS: the framework's SVG parser reads it as it
is. The letters are simple geometric shapes of one stroke weight, spread over
a long, thin view box.

Usage: draw-logo.py [out.svg]   (default: ../logo.svg beside this folder)
"""
import math
import os
import sys

WIDTH = 447.39
HEIGHT = 38.25
STROKE = 5.5
FILL = "#1a1a1a"

LETTER_WIDTHS = {"T": 50.0, "A": 56.0, "V": 56.0, "E": 42.0, "L": 40.0, "O": 64.0}
WORD = "TAVELO"


def fmt(value):
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return text if text != "-0" else "0"


def polygon(points, dx):
    return "M" + " L".join(f"{fmt(x + dx)} {fmt(y)}" for x, y in points) + " Z"


def leg_base_width(w, apex_half):
    # Horizontal width of a slanted leg whose perpendicular thickness is STROKE.
    slope = (w / 2 - apex_half) / HEIGHT
    return STROKE * math.sqrt(1 + slope * slope)


def letter_t(w):
    s, h = STROKE, HEIGHT
    return [[(0, 0), (w, 0), (w, s), (w / 2 + s / 2, s), (w / 2 + s / 2, h), (w / 2 - s / 2, h),
             (w / 2 - s / 2, s), (0, s)]]


def inner_apex(w, apex_half, base):
    # Where the inner edges of the two legs meet, measured from the wide end.
    return (w / 2 - base) * HEIGHT / (w / 2 - apex_half)


def letter_a(w):
    h = HEIGHT
    a = STROKE * 0.55
    b = leg_base_width(w, a)
    rise = inner_apex(w, a, b)
    legs = [(0, h), (w / 2 - a, 0), (w / 2 + a, 0), (w, h), (w - b, h), (w / 2, h - rise), (b, h)]
    bar_top = h * 0.62
    slope = (w / 2 - a) / h
    inset_top = b + (h - bar_top) * slope
    inset_bottom = b + (h - bar_top - STROKE) * slope
    bar = [(inset_top - 1, bar_top), (w - inset_top + 1, bar_top), (w - inset_bottom + 1, bar_top + STROKE),
           (inset_bottom - 1, bar_top + STROKE)]
    return [legs, bar]


def letter_v(w):
    h = HEIGHT
    a = STROKE * 0.55
    b = leg_base_width(w, a)
    rise = inner_apex(w, a, b)
    return [[(0, 0), (b, 0), (w / 2, rise), (w - b, 0), (w, 0), (w / 2 + a, h), (w / 2 - a, h)]]


def letter_e(w):
    s, h = STROKE, HEIGHT
    m = w * 0.85
    return [[(0, 0), (w, 0), (w, s), (s, s), (s, h / 2 - s / 2), (m, h / 2 - s / 2), (m, h / 2 + s / 2),
             (s, h / 2 + s / 2), (s, h - s), (w, h - s), (w, h), (0, h)]]


def letter_l(w):
    s, h = STROKE, HEIGHT
    return [[(0, 0), (s, 0), (s, h - s), (w, h - s), (w, h), (0, h)]]


def stadium(x, y, w, h):
    r = h / 2
    return (f"M{fmt(x + r)} {fmt(y)} L{fmt(x + w - r)} {fmt(y)} A{fmt(r)} {fmt(r)} 0 0 1 {fmt(x + w - r)} "
            f"{fmt(y + h)} L{fmt(x + r)} {fmt(y + h)} A{fmt(r)} {fmt(r)} 0 0 1 {fmt(x + r)} {fmt(y)} Z")


def letter_o_path(w, dx):
    s = STROKE
    return stadium(dx, 0, w, HEIGHT) + " " + stadium(dx + s, s, w - 2 * s, HEIGHT - 2 * s)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "logo.svg")

    total = sum(LETTER_WIDTHS[c] for c in WORD)
    gap = (WIDTH - total) / (len(WORD) - 1)
    shapes = {"T": letter_t, "A": letter_a, "V": letter_v, "E": letter_e, "L": letter_l}

    paths = []
    x = 0.0
    for letter in WORD:
        w = LETTER_WIDTHS[letter]
        if letter == "O":
            paths.append(f'<path fill="{FILL}" fill-rule="evenodd" d="{letter_o_path(w, x)}"/>')
        else:
            for points in shapes[letter](w):
                paths.append(f'<path fill="{FILL}" d="{polygon(points, x)}"/>')
        x += w + gap

    svg = (f'<?xml version="1.0" encoding="UTF-8"?>\n'
           f'<svg xmlns="http://www.w3.org/2000/svg" width="{fmt(WIDTH)}" height="{fmt(HEIGHT)}" '
           f'viewBox="0 0 {fmt(WIDTH)} {fmt(HEIGHT)}">\n' + "\n".join(paths) + "\n</svg>\n")
    with open(out, "w", encoding="utf-8") as f:
        f.write(svg)


if __name__ == "__main__":
    main()
