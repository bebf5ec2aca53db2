#!/usr/bin/env python3
"""Renders an SVG into a Windows icon file of one or more square sizes:
    MakeIcon.py SVG OUT.ico SIZE...
Each image is a 32-bit BMP with alpha and its AND mask, which every Windows reads."""

import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from skinbuild import BuildError, read_png  # noqa: E402


def render(svg, size):
    with tempfile.TemporaryDirectory() as folder:
        png = os.path.join(folder, "icon.png")
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-f", "png", "-o", png, svg],
                       check=True)
        with open(png, "rb") as handle:
            width, height, channels, rows, _ = read_png(png, handle.read())
    if (width, height) != (size, size) or channels != 4:
        raise BuildError("%s: rendered %d x %d with %d channels" % (svg, width, height, channels))
    return rows


def bmp_image(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def main(argv):
    if len(argv) < 4:
        raise BuildError(__doc__)
    svg, out, sizes = argv[1], argv[2], [int(size) for size in argv[3:]]
    images = [bmp_image(size, render(svg, size)) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out + ".part", "wb") as handle:
        handle.write(data + b"".join(images))
    os.replace(out + ".part", out)


if __name__ == "__main__":
    try:
        main(sys.argv)
    except (BuildError, subprocess.CalledProcessError) as error:
        sys.stderr.write("MakeIcon: %s\n" % error)
        sys.exit(1)
