#!/usr/bin/env python3
"""Reads an SVG written by `tarsel render` with a strict XML parser and prints what the tests
check, one line each (tab-separated):
    viewBox X Y W H
    element DEPTH CLASS STROKE FILL MINX MINY MAXX MAXY TEXT
DEPTH counts the enclosing INSERT/DIMENSION groups (0 for a model-space entity); the box is
that of the path's coordinates (empty for text); TEXT is a text element's lines joined by '|'.
Exit status 1, with the parser's message, when the file is not well-formed XML."""
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"


def numbers(d):
    values = [float(v) for v in re.findall(r"-?[0-9.]+(?:e[-+]?[0-9]+)?", d)]
    return values[0::2], values[1::2]


def walk(node, depth, out):
    for child in node:
        tag = child.tag.replace(NS, "")
        cls = child.get("class", "")
        box = ["", "", "", ""]
        text = ""
        if tag == "path":
            xs, ys = numbers(child.get("d", ""))
            if xs and ys:
                box = [repr(min(xs)), repr(min(ys)), repr(max(xs)), repr(max(ys))]
        if tag == "text":
            spans = child.findall(NS + "tspan")
            text = "|".join(s.text or "" for s in spans) if spans else (child.text or "")
        out.append("\t".join(["element", str(depth), cls, child.get("stroke", ""),
                              child.get("fill", "")] + box + [text]))
        if tag == "g":
            walk(child, depth + 1 if cls in ("INSERT", "DIMENSION") else depth, out)


def main():
    try:
        root = ET.parse(sys.argv[1]).getroot()
    except ET.ParseError as error:
        print("not well-formed: %s" % error)
        return 1
    print("viewBox\t" + "\t".join(root.get("viewBox", "").split()))
    out = []
    model = [g for g in root if g.get("class") == "model"]
    for g in model:
        walk(g, 0, out)
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
