#!/usr/bin/env python3
"""How many times the links of a graph picture cross one another: every pair of segments of two
different links' polylines that properly intersect (touching ends do not count).
Usage: quantifier-run --format graph SCENE | scripts/count-crossings.py"""
import re
import sys


def segments(svg):
    links = []
    for points in re.findall(r'<polyline class="link[^"]*" points="([^"]*)"', svg):
        p = [tuple(map(float, xy.split(","))) for xy in points.split()]
        links.append([(p[i], p[i + 1]) for i in range(len(p) - 1)])
    return links


def side(a, b, c):
    v = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
    return (v > 1e-9) - (v < -1e-9)


def cross(s, t):
    return (side(*s, t[0]) * side(*s, t[1]) < 0) and (side(*t, s[0]) * side(*t, s[1]) < 0)


def count(links):
    boxes = [(min(min(a[0], b[0]) for a, b in l), max(max(a[0], b[0]) for a, b in l)) for l in links]
    total = 0
    order = sorted(range(len(links)), key=lambda i: boxes[i][0])
    for k, i in enumerate(order):
        for j in order[k + 1:]:
            if boxes[j][0] > boxes[i][1]:
                break
            total += sum(cross(s, t) for s in links[i] for t in links[j])
    return total


if __name__ == "__main__":
    print(count(segments(sys.stdin.read())))
