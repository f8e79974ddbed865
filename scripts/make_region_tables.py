#!/usr/bin/env python3
"""Builds the three region code tables embedded in the program.

The codes and names come from the GB/T 2260 editions 2010-10 and 2011-10 as
published in the npm package gb2260@0.6.0 (lib/201010.json, lib/201110.json):

    cd /tmp && npm pack gb2260@0.6.0 && tar xzf gb2260-0.6.0.tgz
    scripts/make_region_tables.py /tmp/package/lib resources/regions

The output is GBK text, one row per line ended by CR LF, fields joined by a
comma and one blank. The build only uses the committed output; npm is needed
only to regenerate it.
"""
import json
import os
import sys

OWN_ROWS = [("710000", "台湾"), ("810000", "香港"), ("820000", "澳门"), ("980000", "未申报")]
# Rows kept after 659000 in the city table, as in the table the program was
# first shipped with; the loader sorts them into place.
CITIES_AT_END = ["419000", "520500", "520600"]
CITY_NAMES = {"429000": "省直辖行政单位", "659000": "省直辖行政单位", "500300": "市"}


def load(lib, edition):
    with open(os.path.join(lib, edition + ".json"), encoding="utf-8") as f:
        return json.load(f)


def provinces(e2010):
    rows = [(c, n) for c, n in sorted(e2010.items()) if c.endswith("0000")]
    assert len(rows) == 34, len(rows)
    rows.append(("980000", "未申报"))
    return [f"{c}, {n}" for c, n in rows]


def cities(e2010, e2011):
    names = {}
    for edition in (e2011, e2010):  # 2010's name wins where both have a code
        for c, n in edition.items():
            if c.endswith("00") and not c.endswith("0000"):
                names[c] = n
    names.update(CITY_NAMES)
    codes = sorted(names)
    tail = [c for c in CITIES_AT_END if c in codes]
    codes = [c for c in codes if c not in tail]
    at = codes.index("659000") + 1
    codes[at:at] = tail
    rows = [(c, names[c], c[:2] + "0000") for c in codes]
    rows += [(c, n, c) for c, n in OWN_ROWS]
    return [f"{c}, {n}, {p}" for c, n, p in rows]


def counties(e2011):
    rows = {c: (n, c[:4] + "00") for c, n in e2011.items() if not c.endswith("00")}
    rows["441901"] = ("东莞市", "441900")
    for c, n in [("442000", "中山市"), ("460200", "三亚市")] + OWN_ROWS:
        rows[c] = (n, c)
    return [f"{c}, {rows[c][0]}, {rows[c][1]}" for c in sorted(rows)]


def write(path, lines, trailer):
    data = ("\r\n".join(lines) + trailer).encode("gbk")
    with open(path, "wb") as f:
        f.write(data)
    print(f"{path}: {len(lines)} rows, {len(data)} bytes")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_region_tables.py <gb2260 lib folder> <output folder>")
    lib, out = sys.argv[1], sys.argv[2]
    e2010, e2011 = load(lib, "201010"), load(lib, "201110")
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "g_Province"), provinces(e2010), "\r\n\r\n")
    write(os.path.join(out, "g_City"), cities(e2010, e2011), "")
    write(os.path.join(out, "g_Area"), counties(e2011), "")


if __name__ == "__main__":
    main()
