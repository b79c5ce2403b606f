#!/usr/bin/env python3
"""Prints one table of benchmark medians against their targets.

targets.tsv: one line per figure: benchmark name (as Google Benchmark prints it,
without the aggregate suffix), the figure ("time" for the median real time, or
the name of a user counter), the target value and its unit (us, ms, x, count).
"""
import json
import sys

UNIT_SCALE = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def main():
    targets = []
    with open(sys.argv[1], encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            name, figure, target, unit = line.split("\t")
            targets.append((name, figure, float(target), unit))
    medians = {}
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") != "median":
                continue
            medians[b["run_name"]] = b
    rows = [("name", "median", "target", "ratio")]
    missing = 0
    for name, figure, target, unit in targets:
        b = medians.get(name)
        if b is None:
            rows.append((name + (" " + figure if figure != "time" else ""), "missing", f"{target:g} {unit}", "-"))
            missing += 1
            continue
        if figure == "time":
            us = b["real_time"] * UNIT_SCALE[b.get("time_unit", "ns")]
            value = us / UNIT_SCALE[unit] if unit in UNIT_SCALE else us
        else:
            value = float(b[figure])
        label = name if figure == "time" else f"{name} {figure}"
        ratio = value / target if target else float("inf")
        rows.append((label, f"{value:.3g} {unit}", f"{target:g} {unit}", f"{ratio:.2f}"))
    widths = [max(len(r[i]) for r in rows) for i in range(4)]
    for r in rows:
        print("  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip())
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
