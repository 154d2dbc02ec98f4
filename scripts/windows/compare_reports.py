"""Compares two demo-inspect JSON reports: the same structure, texts and whole numbers, and fractions equal to a
relative 1e-5 (the 32-bit Windows build computes with the x87 unit's wider registers, so its last digits may
differ). Prints the figures; exit status 1 when anything differs beyond that.
    python3 compare_reports.py linux.json windows.json"""
import json
import sys

a, b = (json.load(open(path)) for path in sys.argv[1:3])
numbers, differing, problems = 0, 0, []


def walk(x, y, path):
    global numbers, differing
    if type(x) != type(y) and not (isinstance(x, (int, float)) and isinstance(y, (int, float))):
        problems.append(f"{path}: {x!r:.60} / {y!r:.60}")
    elif isinstance(x, dict):
        if x.keys() != y.keys():
            problems.append(f"{path}: keys {sorted(x.keys() ^ y.keys())} in one only")
        for key in x.keys() & y.keys():
            walk(x[key], y[key], f"{path}/{key}")
    elif isinstance(x, list):
        if len(x) != len(y):
            problems.append(f"{path}: {len(x)} / {len(y)} items")
        for i, (u, v) in enumerate(zip(x, y)):
            walk(u, v, f"{path}[{i}]")
    elif isinstance(x, (int, float)) and not isinstance(x, bool):
        numbers += 1
        if x != y:
            differing += 1
            if abs(x - y) > 1e-5 * max(1.0, abs(x), abs(y)):
                problems.append(f"{path}: {x} / {y}")
    elif x != y:
        problems.append(f"{path}: {x!r:.60} / {y!r:.60}")


walk(a, b, "")
print(f"{numbers} numbers, {differing} differ in their last digits, {len(problems)} beyond that")
for problem in problems[:10]:
    print("   ", problem)
sys.exit(1 if problems else 0)
