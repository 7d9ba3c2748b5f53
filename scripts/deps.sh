#!/usr/bin/env bash
# The layering check (run by scripts/test.sh): the product's folders include only from their
# own folder and the layers below them, as the README's "Layering" says, and code under a
# portable/ folder includes only portable code. Prints each include that breaks the order and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.h' '*.cpp' '*.rc' | python3 -c '
import re, sys

# Lowest first; folders of one layer do not include one another.
LAYERS = [["base"], ["win"], ["log"], ["Api"], ["wsock", "filter", "gui"], ["tools"]]
RANK = {folder: rank for rank, layer in enumerate(LAYERS) for folder in layer}
INCLUDE = re.compile(r"^\s*#\s*include\s+\"([^\"]+)\"")
SYSTEM = re.compile(r"^\s*#\s*include\s+<(windows|winsock2|ws2tcpip|mswsock)\.h>")

def rule(path, target):
    """Why including target from path breaks the layering, or None."""
    top, other = path.split("/")[0], target.split("/")[0]
    if top not in RANK or other not in RANK:
        return None  # tests, bench, fuzz and generated headers may include anything
    if "/portable/" in path and "/portable/" not in target:
        return "portable code includes code that is not"
    if other == top:
        if path.startswith("filter/core/") and target.startswith("filter/frame/"):
            return "the filter core includes the frame it is served by"
        return None
    if RANK[other] > RANK[top]:
        return "%s is below %s" % (top, other)
    if RANK[other] == RANK[top]:
        return "%s and %s are beside each other" % (top, other)
    return None

broken = 0
for path in sys.stdin.read().split():
    with open(path, encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            why = rule(path, match.group(1)) if match else None
            if not why and "/portable/" in path and SYSTEM.match(line):
                why = "portable code includes a Windows header"
            if why:
                print("%s:%d: %s (%s)" % (path, number, line.strip(), why))
                broken += 1
if broken:
    sys.exit("deps: %d include(s) break the layering" % broken)
print("deps: the layering holds")
'
