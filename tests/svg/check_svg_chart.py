#!/usr/bin/env python3
"""Renders the runner's --format svg with a real SVG renderer and checks the picture: it
renders at the size the document gives, the step line of a float output passes where its
values say in the middle of each frame's column, and the frames whose value is not finite
are marked instead of drawn. A chart of two thousand frames shows a lone infinity and keeps
its longest value label whole; a chart of a million frames is a small document that an XML
parser and the renderer accept, with one mark for a constant NaN, exact labels of whole
numbers and a colour per matrix component. The 16 colours stay apart also as the common colour
blindnesses see them, a matrix's legend keeps a gap before each swatch, and a text label stays
in its cell.

Usage: check_svg_chart.py RUNNER RSVG-CONVERT XMLLINT
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
SERIES = (0x19, 0x65, 0xB0)  # the first component's colour
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


def render(runner, renderer, work, channels, outputs, frames=None):
    """The runner's chart of a scene, parsed, and its rendering as rows of pixels."""
    scene = os.path.join(work, "scene.json")
    document = {"channels": channels, "outputs": outputs}
    if frames is not None:
        document["frames"] = frames
    with open(scene, "w", encoding="utf-8") as f:
        json.dump(document, f)
    svg = subprocess.run([runner, "--format", "svg", scene], capture_output=True,
                         check=True).stdout
    with open(os.path.join(work, "chart.svg"), "wb") as f:
        f.write(svg)
    rendered = subprocess.run([renderer, "--format", "png", "--output",
                               os.path.join(work, "chart.png"), os.path.join(work, "chart.svg")],
                              capture_output=True, text=True)
    if rendered.returncode != 0:
        raise RuntimeError(f"the renderer refuses the chart of {frames} frames: "
                           f"{rendered.stderr.strip()[:300]}")
    return svg, read_png(os.path.join(work, "chart.png"))


NS = {"svg": "http://www.w3.org/2000/svg"}


def check_many_frames(runner, renderer, xmllint, work, failures):
    frames = 2000
    spike = [1.0] * frames
    spike[700] = "inf"
    long_name = "a vector whose name runs on far past where its legend begins " * 2
    svg, (width, height, rows) = render(runner, renderer, work, [
        {"name": "spike", "type": "float", "frames": spike},
        {"name": "lowest", "type": "float", "frames": [-3.4028234663852886e38, 1]},
        {"name": long_name, "type": "vector", "value": [1, 2, 3, 4]}],
        ["spike", "lowest", long_name], frames)
    root = ElementTree.fromstring(svg)
    plot = root.find("svg:g[@class='chart']/svg:rect[@class='plot']", NS)
    left, top = float(plot.get("x")), float(plot.get("y"))
    middle = int(left + 700.5 * float(plot.get("width")) / frames)
    widest = max(sum(1 for x in range(middle - 10, middle + 11)
                     if distance(rows[y][x], INFINITY) < 60)
                 for y in range(int(top), int(top) + 12))
    if widest < 6:
        failures.append(f"a lone inf in {frames} frames is a mark {widest} pixels wide")
    if any(distance(rows[y][x], (255, 255, 255)) > 30 for y in range(height) for x in (0, 1)):
        failures.append("a value label reaches the picture's left edge: it is clipped")
    # Above the vector's plot, the title's letters and the legend's swatches share no row.
    plot = root.findall("svg:g[@class='chart']/svg:rect[@class='plot']", NS)[2]
    left, top = int(float(plot.get("x"))), int(float(plot.get("y")))
    band = range(top - 45, top - 1)
    title_rows = {y for y in band for x in range(left, left + 60) if max(rows[y][x]) < 100}
    swatches = [(0x19, 0x65, 0xB0), (0x72, 0x19, 0x0E), (0xF1, 0x93, 0x2D), (0x7B, 0xAF, 0xDE)]
    legend_rows = {y for y in band for x in range(left, width)
                   if any(distance(rows[y][x], colour) < 30 for colour in swatches)}
    if not title_rows or not legend_rows or title_rows & legend_rows:
        failures.append(f"the title (rows {sorted(title_rows)}) and the legend "
                        f"(rows {sorted(legend_rows)}) meet")

    # Toggling, constant NaN, the largest unsigned values, a matrix and a name XML cannot
    # carry as it is.
    matrix = [[1, 2, 3, 4], [5, 6, 7, 8], [9, 10, 11, 12], [13, 14, 15, 16]]
    svg, _ = render(runner, renderer, work, [
        {"name": "one", "type": "float", "value": 1},
        {"name": "toggle", "type": "quantifier", "operation": "Toggle", "children": ["one"]},
        {"name": "nan", "type": "float", "value": "nan"},
        {"name": "u", "type": "unsigned", "frames": [4294967295, 4294967290]},
        {"name": "m", "type": "matrix", "value": matrix},
        {"name": "odd \ufffe\uffff\u202e name", "type": "text", "frames": ["a", "b"] * 500000}],
        ["toggle", "nan", "u", "m", "odd \ufffe\uffff\u202e name"], 1000000)
    if len(svg) > 1 << 20:
        failures.append(f"the chart of a million frames is {len(svg)} bytes")
    linted = subprocess.run([xmllint, "--noout", os.path.join(work, "chart.svg")],
                            capture_output=True, text=True)
    if linted.returncode != 0:
        failures.append(f"xmllint refuses the chart: {linted.stderr[:300]}")
    root = ElementTree.fromstring(svg)
    charts = root.findall("svg:g[@class='chart']", NS)
    specials = charts[1].findall(".//*[@class='special']", NS)
    if len(specials) != 1:
        failures.append(f"a constant NaN over a million frames has {len(specials)} marks")
    labels = {text.text for text in charts[2].iter("{http://www.w3.org/2000/svg}text")}
    if not {"4294967290", "4294967295"} <= labels:
        failures.append(f"the unsigned axis is labelled {sorted(l for l in labels if l)}")
    cells = charts[4].findall(".//svg:rect", NS)
    if len(cells) > 2 * 660 + 2:
        failures.append(f"a text toggling over a million frames has {len(cells)} cells")
    colours = {path.get("stroke") for path in charts[3].findall("svg:path[@class='series']", NS)}
    if len(colours) != 16:
        failures.append(f"the 16 components of a matrix have {len(colours)} colours")
    # Dichromat vision simulated (Machado, Oliveira and Fernandes 2009, full severity, on linear
    # RGB), then CIE 1976 distances in Lab: lines closer than this are hard to tell apart.
    for vision, matrix in DICHROMACIES.items():
        seen = [lab(simulated(colour, matrix)) for colour in sorted(colours)]
        closest = min((sum((p - q) ** 2 for p, q in zip(a, b)) ** 0.5, i, j)
                      for i, a in enumerate(seen) for j, b in enumerate(seen) if i < j)
        if closest[0] < 8:
            pair = sorted(colours)[closest[1]], sorted(colours)[closest[2]]
            failures.append(f"in {vision} vision {pair} are {closest[0]:.1f} apart")


DICHROMACIES = {
    "normal": None,
    "protanope": ((0.152286, 1.052583, -0.204868), (0.114503, 0.786281, 0.099216),
                  (-0.003882, -0.048116, 1.051998)),
    "deuteranope": ((0.367322, 0.860646, -0.227968), (0.280085, 0.672501, 0.047413),
                    (-0.011820, 0.042940, 0.968881)),
    "tritanope": ((1.255528, -0.076749, -0.178779), (-0.078411, 0.930809, 0.147602),
                  (0.004733, 0.691367, 0.303900)),
}


def simulated(colour, matrix):
    """The linear RGB of "#rrggbb" as `matrix` sees it."""
    linear = []
    for i in (1, 3, 5):
        c = int(colour[i:i + 2], 16) / 255
        linear.append(c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4)
    if matrix is None:
        return linear
    return [min(1, max(0, sum(m * c for m, c in zip(row, linear)))) for row in matrix]


def lab(rgb):
    r, g, b = rgb
    xyz = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, \
        0.2126 * r + 0.7152 * g + 0.0722 * b, (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883
    fx, fy, fz = (t ** (1 / 3) if t > 0.008856 else 7.787 * t + 16 / 116 for t in xyz)
    return 116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)


def check_labels_keep_their_place(runner, renderer, work, failures):
    """Labels too wide for their text cell are shortened as drawn (a character a picture must
    not carry raw takes six), and a matrix's legend names end before the next swatch."""
    labels = [f"<&>\"\u202e rtl {i} \u2026" for i in range(7)]  # cells of 94 pixels
    matrix = [[1, 2, 3, 4], [5, 6, 7, 8], [9, 10, 11, 12], [13, 14, 15, 16]]
    svg, (_, _, rows) = render(runner, renderer, work, [
        {"name": "t", "type": "text", "frames": labels},
        {"name": "m", "type": "matrix", "value": matrix}], ["t", "m"], len(labels))
    dark = lambda x, y: max(rows[y][x]) < 128
    charts = ElementTree.fromstring(svg).findall("svg:g[@class='chart']", NS)
    strip = charts[0].find("svg:g", NS)
    shift = float(strip.get("transform").split()[1].rstrip(")"))
    for cell in strip.findall("svg:rect", NS)[:-1]:
        border = round(float(cell.get("x")) + float(cell.get("width")))
        top = int(float(cell.get("y")) + shift)
        if any(dark(x, y) for x in range(border - 1, border + 2) for y in range(top, top + 26)):
            failures.append(f"a text label runs over the cell border at x={border}")
    swatches = sorted((float(r.get("x")), float(r.get("y")))
                      for r in charts[1].findall("svg:rect[@width='10']", NS))
    for x, y in swatches[1:]:
        if any(dark(int(x) - d, int(y) + h) for d in (1, 2, 3) for h in range(10)):
            failures.append(f"a legend name reaches the swatch at x={x}")


def main():
    runner, renderer, xmllint = sys.argv[1:]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        try:
            check_many_frames(runner, renderer, xmllint, work, failures)
            check_labels_keep_their_place(runner, renderer, work, failures)
        except RuntimeError as refused:
            failures.append(str(refused))
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
