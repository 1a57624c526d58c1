#!/usr/bin/env python3
"""Renders the runner's --format svg with a real SVG renderer and checks the picture: it
renders at the size the document gives, the step line of a float output passes where its
values say in the middle of each frame's column, and the frames whose value is not finite
are marked instead of drawn.

Usage: check_svg_chart.py RUNNER RSVG-CONVERT
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib

VALUES = [0, 10, 2, 7, 7, "nan", 3, "inf", "-inf", 5]
SERIES = (0x1F, 0x77, 0xB4)  # the first component's colour
NAN = (0x7F, 0x7F, 0x7F)
INFINITY = (0xBC, 0xBD, 0x22)


def read_png(path):
    """Pixels of an 8-bit RGB or RGBA, non-interlaced PNG as rows of (r, g, b) tuples."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    position, chunks, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks += body
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, f"unexpected PNG {header}"
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(chunks)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - corner
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + predictor) & 0xFF
        previous = line
        # Composited over white, as a browser shows it.
        pixels = []
        for x in range(width):
            r, g, b = line[x * channels:x * channels + 3]
            a = line[x * channels + 3] if channels == 4 else 255
            pixels.append(tuple((c * a + 255 * (255 - a)) // 255 for c in (r, g, b)))
        rows.append(pixels)
    return width, height, rows


def distance(a, b):
    return max(abs(p - q) for p, q in zip(a, b))


def main():
    runner, renderer = sys.argv[1:]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        scene = os.path.join(work, "chart.json")
        with open(scene, "w", encoding="utf-8") as f:
            json.dump({"channels": [{"name": "f", "type": "float", "frames": VALUES},
                                    {"name": "t", "type": "text", "frames": ["a", "a", "b"]},
                                    {"name": "v", "type": "vector", "value": [1, 2, 3, 4]}],
                       "outputs": ["f", "t", "v"]}, f)
        svg = subprocess.run([runner, "--format", "svg", scene], capture_output=True,
                             check=True).stdout
        with open(os.path.join(work, "chart.svg"), "wb") as f:
            f.write(svg)
        subprocess.run([renderer, "--format", "png", "--output", os.path.join(work, "chart.png"),
                        os.path.join(work, "chart.svg")], check=True)
        width, height, rows = read_png(os.path.join(work, "chart.png"))

    root = ElementTree.fromstring(svg)
    ns = {"svg": "http://www.w3.org/2000/svg"}
    if (width, height) != (round(float(root.get("width"))), round(float(root.get("height")))):
        failures.append(f"rendered {width}x{height}, the document says "
                        f"{root.get('width')}x{root.get('height')}")
    charts = root.findall("svg:g[@class='chart']", ns)
    if len(charts) != 3:
        failures.append(f"{len(charts)} charts for 3 outputs")
    plot = charts[0].find("svg:rect[@class='plot']", ns)
    left, top = float(plot.get("x")), float(plot.get("y"))
    plot_width, plot_height = float(plot.get("width")), float(plot.get("height"))
    finite = [v for v in VALUES if isinstance(v, (int, float))]
    low, high = min(finite), max(finite)

    for frame, value in enumerate(VALUES):
        column = int(left + (frame + 0.5) * plot_width / len(VALUES))
        # The line may run along the plot's edges, half outside it.
        inside = range(int(top) - 2, int(top + plot_height) + 3)
        hits = [y for y in inside if distance(rows[y][column], SERIES) < 60]
        if isinstance(value, str):
            if hits:
                failures.append(f"frame {frame} ({value}): the line is drawn at rows {hits}")
            mark = NAN if value == "nan" else INFINITY
            if not any(distance(rows[y][column], mark) < 40 for y in inside):
                failures.append(f"frame {frame} ({value}): no mark in its column")
            continue
        expected = top + (high - value) / (high - low) * plot_height
        if not hits:
            failures.append(f"frame {frame} ({value}): no line in column {column}")
            continue
        found = sum(hits) / len(hits) + 0.5
        if abs(found - expected) > 1.5:
            failures.append(f"frame {frame} ({value}): the line is at y={found:.1f}, "
                            f"expected {expected:.1f}")

    for failure in failures:
        print(failure)
    print("the chart shows the values" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
