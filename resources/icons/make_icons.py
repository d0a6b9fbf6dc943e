#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's icon (a strip of panorama over a sky) at the hicolor sizes.

Run from this folder: /usr/bin/python3 make_icons.py (python3-pil). Writes panorama.png (256 px) and
hicolor/<n>x<n>/apps/skylacer3.png.
"""
import os
from PIL import Image, ImageDraw

def draw(size):
    scale = 4
    big = size * scale
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    r = big // 6
    # sky: rounded square with a vertical gradient
    sky = Image.new("RGBA", (big, big))
    for y in range(big):
        t = y / big
        sky.paste((int(30 + 60 * t), int(90 + 90 * t), int(170 + 60 * t), 255), (0, y, big, y + 1))
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, big // 10, big - 1, big - big // 10), r, fill=255)
    image.paste(sky, (0, 0), mask)
    # mountains
    m = [(0, big * 0.72), (big * 0.22, big * 0.42), (big * 0.38, big * 0.58), (big * 0.58, big * 0.32),
         (big * 0.80, big * 0.55), (big, big * 0.45), (big, big * 0.9), (0, big * 0.9)]
    ridge = Image.new("L", (big, big), 0)
    ImageDraw.Draw(ridge).polygon(m, fill=255)
    ridge = Image.composite(ridge, Image.new("L", (big, big), 0), mask)
    image.paste((34, 70, 60, 255), (0, 0), ridge)
    # sun
    d.ellipse((big * 0.66, big * 0.18, big * 0.80, big * 0.32), fill=(255, 214, 102, 255))
    return image.resize((size, size), Image.LANCZOS)

if __name__ == "__main__":
    draw(256).save("panorama.png")
    for n in (16, 32, 48, 64, 128, 256):
        folder = os.path.join("hicolor", f"{n}x{n}", "apps")
        os.makedirs(folder, exist_ok=True)
        draw(n).save(os.path.join(folder, "skylacer3.png"))
