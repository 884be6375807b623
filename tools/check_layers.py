#!/usr/bin/env python3
"""Checks the include lines of the sources against the layers (docs/layers.md).

The core (src/foundation, src/stream) includes only itself and the standard
library. host/ includes the core and itself, never a subsystem of src/. A
subsystem of src/ includes the core, the public headers of host/ (never SQLite,
never an internal header of a stand-in, never the stand-ins' database connection)
and the public headers of the subsystems it builds on (LAYERS below). The front
ends (cli/, gui/, fuzz/, bench/) include any public header, no *_internal.h
of another folder. Tests may reach into internals.

Prints one line per crossing, "file:line: reason", and exits 1 when there is
any; exits 0 otherwise. Usage: check_layers.py [source root]
check_layers.py --self-test plants each kind of crossing in a scratch tree and
fails unless every one is reported with its file and line.
"""

import pathlib
import re
import sys
import tempfile

# The subsystems of src/ and those each builds on (besides the core and host/).
# A new subsystem gets its line here before it compiles into the library.
LAYERS = {
    "dialogs": [],
    "palettes": ["dialogs"],
    "materials": ["dialogs"],
    "matlink": ["dialogs", "materials", "palettes", "locations"],
    "attributes": ["dialogs", "palettes"],
    "listspec": ["dialogs", "materials", "attributes", "palettes"],
    "locations": ["dialogs", "attributes"],
    "clipboard": ["dialogs", "palettes", "attributes", "locations"],
}
CORE = ("foundation", "stream")
FRONT_ENDS = ("cli", "gui", "fuzz", "bench")
# Headers of host/ that name the stand-ins' own machinery: src/ never sees them.
STAND_IN_ONLY = ("host/model/sqlite_connection.h",)
# Headers that only a stand-in may include.
FOREIGN_STORES = re.compile(r"(^|/)sqlite3?\w*\.h$")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c", ".inc"}


def first_folder(path):
    return path.split("/", 1)[0] if "/" in path else ""


def check_src(sub, quoted, name):
    """The reason an include of a file in src/<sub> crosses a boundary, or None."""
    if quoted is False:  # <...>
        if FOREIGN_STORES.search(name):
            return "src/ includes no SQLite header"
        if sub in CORE and ("." in name or "/" in name):
            return "the core includes only the standard library"
        return None
    if name == "dlist/api.h":
        return None
    top = first_folder(name)
    if sub in CORE:
        if top in CORE:
            return None
        return "the core includes only itself and the standard library"
    if top in CORE:
        return None
    if top == "host":
        if name.endswith("_internal.h"):
            return "src/ includes no internal header of a stand-in"
        if name in STAND_IN_ONLY:
            return "src/ includes no header of the stand-ins' database connection"
        return None
    if top == sub:
        return None
    if top in LAYERS:
        if name.endswith("_internal.h"):
            return f"{name} is internal to src/{top}"
        if top in LAYERS.get(sub, []):
            return None
        return f"src/{sub} does not build on src/{top}"
    return f"unknown include root {top or name!r}"


def check_host(quoted, name):
    if not quoted:
        return None
    if name == "dlist/api.h":
        return None
    top = first_folder(name)
    if top in CORE or top == "host":
        return None
    return "host/ includes only the core and itself"


def check_front_end(folder, quoted, name):
    if not quoted or not name.endswith("_internal.h"):
        return None
    if first_folder(name) == folder:
        return None
    return "a front end includes only public headers"


def check_file(root, path):
    rel = path.relative_to(root).as_posix()
    parts = rel.split("/")
    problems = []
    try:
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    except OSError as e:
        return [f"{rel}: cannot be read: {e}"]
    if parts[0] == "src" and len(parts) > 2 and parts[1] not in CORE and parts[1] not in LAYERS:
        return [f"{rel}:1: src/{parts[1]} has no entry in the layer table of tools/check_layers.py"]
    for number, line in enumerate(lines, 1):
        m = INCLUDE.match(line)
        if not m:
            continue
        quoted = m.group(1) == '"'
        name = m.group(2).strip()
        if parts[0] == "src" and len(parts) > 2:
            reason = check_src(parts[1], quoted, name)
        elif parts[0] == "host":
            reason = check_host(quoted, name)
        elif parts[0] in FRONT_ENDS:
            reason = check_front_end(parts[0], quoted, name)
        else:
            reason = None
        if reason:
            close = '"' if quoted else ">"
            problems.append(f"{rel}:{number}: #include {m.group(1)}{name}{close}: {reason}")
    return problems


def find_problems(root):
    problems = []
    for folder in ("src", "host") + FRONT_ENDS:
        base = root / folder
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.is_file() and path.suffix in SOURCE_SUFFIXES:
                problems.extend(check_file(root, path))
    return problems


# Files of a scratch tree: (path, text, the line reported, or 0 for none).
PLANTS = [
    ("src/stream/a.h", '#include <vector>\n#include "host/report.h"\n', 2),
    ("src/stream/b.h", '#include <sqlite3.h>\n', 1),
    ("src/palettes/c.cpp", '#include "host/model/model_internal.h"\n', 1),
    ("src/palettes/d.cpp", '#include "host/model/sqlite_connection.h"\n', 1),
    ("src/palettes/e.cpp", '\n#include "materials/material_library.h"\n', 2),
    ("src/materials/f.cpp", '#include "palettes/exchange_internal.h"\n', 1),
    ("src/materials/g.cpp", '#include "dialogs/dialog_runner.h"\n#include "host/report.h"\n', 0),
    ("src/newthing/h.cpp", '#include "host/report.h"\n', 1),
    ("host/i.cpp", '#include "stream/stream.h"\n#include "palettes/palette_records.h"\n', 2),
    ("cli/j.cpp", '#include "palettes/exchange_internal.h"\n', 1),
    ("cli/k.cpp", '#include "cli/k_internal.h"\n#include "palettes/palette_records.h"\n', 0),
]


def self_test():
    with tempfile.TemporaryDirectory() as scratch:
        root = pathlib.Path(scratch)
        for name, text, _ in PLANTS:
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text, encoding="utf-8")
        found = {p.split(": ", 1)[0] for p in find_problems(root)}
    expected = {f"{name}:{line}" for name, _, line in PLANTS if line}
    if found != expected:
        print(f"self-test: reported {sorted(found)}, expected {sorted(expected)}")
        return 1
    print(f"self-test: all {len(expected)} planted crossings reported")
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    root = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).resolve().parents[1])
    problems = find_problems(root)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) cross a layer boundary (see docs/layers.md)")
        return 1
    print("layers: no include crosses a boundary")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
