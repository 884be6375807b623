#!/usr/bin/env python3
"""Writes the front end's 16 x 16 icons as XPM files (one per name) and icons.inc,
the table that gui/images.cpp compiles in. Each icon is drawn below as 16 rows of
16 characters; '.' is transparent, the other characters are colours of PALETTE.
Run it from anywhere after changing a drawing; commit the files it writes."""
import os

PALETTE = {
    "k": "#202020", "w": "#FFFFFF", "g": "#808080", "l": "#C8C8C8",
    "r": "#C0392B", "o": "#E67E22", "y": "#F1C40F", "G": "#27AE60",
    "b": "#2E86C1", "B": "#1B4F72", "p": "#8E44AD", "t": "#A0522D", "T": "#DEB887",
}

ICONS = {
    "dummy": ["................"] * 16,
    "material": [
        "................",
        "................",
        "................",
        "tttttttTtttttttt",
        "tTTTTTTttTTTTTTt",
        "tTTTTTTttTTTTTTt",
        "tttttttttttttttt",
        "ttttTTTTTTTttttt",
        "tTTttTTTTTTtTTTt",
        "tTTttTTTTTTtTTTt",
        "tttttttttttttttt",
        "tTTTTTTttTTTTTTt",
        "tTTTTTTttTTTTTTt",
        "tttttttttttttttt",
        "................",
        "................"],
    "folder": [
        "................",
        "................",
        "..yyyyy.........",
        ".yoooooy........",
        ".yyyyyyyyyyyyyy.",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yoooooooooooooy",
        ".yyyyyyyyyyyyyyy",
        "................",
        "................",
        "................"],
    "add": [
        "................",
        "................",
        "......GGGG......",
        "......GGGG......",
        "......GGGG......",
        "......GGGG......",
        "..GGGGGGGGGGGG..",
        "..GGGGGGGGGGGG..",
        "..GGGGGGGGGGGG..",
        "..GGGGGGGGGGGG..",
        "......GGGG......",
        "......GGGG......",
        "......GGGG......",
        "......GGGG......",
        "................",
        "................"],
    "delete": [
        "................",
        "................",
        "..rr........rr..",
        "..rrr......rrr..",
        "...rrr....rrr...",
        "....rrr..rrr....",
        ".....rrrrrr.....",
        "......rrrr......",
        "......rrrr......",
        ".....rrrrrr.....",
        "....rrr..rrr....",
        "...rrr....rrr...",
        "..rrr......rrr..",
        "..rr........rr..",
        "................",
        "................"],
    "replace": [
        "................",
        "........b.......",
        "........bb......",
        "..bbbbbbbbb.....",
        "..bbbbbbbbbb....",
        "..b.....bb......",
        "..b.....b.......",
        "..b.........b...",
        "...b........b...",
        "......G.....b...",
        ".....GG.....b...",
        "....GGGGGGGGG...",
        ".....GGGGGGGG...",
        "......G.........",
        "................",
        "................"],
    "dimension": [
        "................",
        "................",
        "................",
        "................",
        "bbbbbbbbbbbbbbbb",
        "bwwwwwwwwwwwwwwb",
        "bwkwkwkwkwkwkwkb",
        "bwkwkwkwkwkwkwkb",
        "bwkwwwkwwwkwwwkb",
        "bwwwwwwwwwwwwwwb",
        "bbbbbbbbbbbbbbbb",
        "................",
        "................",
        "................",
        "................",
        "................"],
    "sdimension": [
        "................",
        "................",
        "................",
        "................",
        "BBBBBBBBBBBBBBBB",
        "ByyyyyyyyyyyyyyB",
        "BykykykykykykykB",
        "BykykykykykykykB",
        "BykyyykyyykyyykB",
        "ByyyyyyyyyyyyyyB",
        "BBBBBBBBBBBBBBBB",
        "................",
        "................",
        "................",
        "................",
        "................"],
    "unit": [
        "................",
        "................",
        "................",
        "...gggggggggg...",
        "...gwwwwwwwwg...",
        "...gwkwwwwkwg...",
        "...gwkwwwwkwg...",
        "...gwkwwwwkwg...",
        "...gwkwwwwkwg...",
        "...gwkwwwwkwg...",
        "...gwwkkkkwwg...",
        "...gwwwwwwwwg...",
        "...gggggggggg...",
        "................",
        "................",
        "................"],
    "switch": [
        "................",
        "................",
        "................",
        "................",
        "...gggggggggg...",
        "..gGGGGGGwwwwg..",
        ".gGGGGGGwwwwwwg.",
        ".gGGGGGGwwwwwwg.",
        ".gGGGGGGwwwwwwg.",
        ".gGGGGGGwwwwwwg.",
        "..gGGGGGGwwwwg..",
        "...gggggggggg...",
        "................",
        "................",
        "................",
        "................"],
    "market": [
        "................",
        "................",
        ".kk.............",
        "..k.............",
        "..kbbbbbbbbbbbb.",
        "..kbwbwbwbwbwbb.",
        "...bbbbbbbbbbb..",
        "...bwbwbwbwbwb..",
        "....bbbbbbbbb...",
        "....k.......k...",
        "....kkkkkkkkkk..",
        "................",
        ".....kk....kk...",
        ".....kk....kk...",
        "................",
        "................"],
    "subprice": [
        "................",
        ".......G........",
        ".....GGGGG......",
        "....GG.G.GG.....",
        "....GG.G........",
        ".....GGG........",
        ".......GGG......",
        ".......G.GG.....",
        "....GG.G.GG.....",
        ".....GGGGG......",
        ".......G........",
        "................",
        "................",
        "................",
        "................",
        "................"],
}

# The four states of a subprice row: a digit in a coloured square.
DIGITS = {
    "1": ["..k..", ".kk..", "..k..", "..k..", "..k..", "..k..", ".kkk."],
    "2": [".kkk.", "k...k", "....k", "...k.", "..k..", ".k...", "kkkkk"],
    "3": ["kkkk.", "....k", "....k", ".kkk.", "....k", "....k", "kkkk."],
    "4": ["...k.", "..kk.", ".k.k.", "k..k.", "kkkkk", "...k.", "...k."],
}
for digit, fill in zip("1234", "GbpO"):
    colour = {"O": "o"}.get(fill, fill)
    rows = [list("................") for _ in range(16)]
    for y in range(2, 14):
        for x in range(2, 14):
            rows[y][x] = colour
    for y, line in enumerate(DIGITS[digit]):
        for x, c in enumerate(line):
            if c == "k":
                rows[4 + y][5 + x] = "w"
    ICONS["status" + digit] = ["".join(r) for r in rows]

# The link modes of the attribute link panel's mode button: a digit in a ring,
# blue for the attribute modes, violet for the selection modes.
# The material link's: the host's mode (violet in selection mode, teal-blue in
# material mode) and the label mode of its tree (orange).
for prefix, colour, digits in (("attmode", "b", "123"), ("selmode", "p", "1234"),
                               ("matmode", "B", "1234"), ("mtstat", "o", "123")):
    for digit in digits:
        rows = [list("................") for _ in range(16)]
        for y in range(1, 15):
            for x in range(1, 15):
                d = (x - 7.5) ** 2 + (y - 7.5) ** 2
                if 30 <= d <= 49:
                    rows[y][x] = colour
        for y, line in enumerate(DIGITS[digit]):
            for x, c in enumerate(line):
                if c == "k":
                    rows[4 + y][5 + x] = "k"
        ICONS[prefix + digit] = ["".join(r) for r in rows]

# Showing a held file.
ICONS["viewfile"] = [
    "................",
    "..kkkkkkkk......",
    "..kwwwwwwkk.....",
    "..kwwwwwwkwk....",
    "..kwggggwkkkk...",
    "..kwwwwwwwwwk...",
    "..kwggggggwwk...",
    "..kwwwwwwwwwk...",
    "..kwggggggwwk...",
    "..kwwwwwwbbbb...",
    "..kwggggbwwwwb..",
    "..kwwwwwbwwwwb..",
    "..kkkkkkbwwwwb..",
    ".........bbbbkk.",
    ".............kk.",
    "................"]


# The material trees: a material that cannot be linked (greyed, struck through), a
# material with children (two boards), and one whose children cannot be linked.
def greyed(rows):
    return ["".join({"t": "g", "T": "l"}.get(c, c) for c in r) for r in rows]


def struck(rows):
    out = [list(r) for r in rows]
    for i in range(2, 14):
        out[i][i + 1] = "r"
        out[i][i] = "r"
    return ["".join(r) for r in out]


BOARD = ["ttttttttttt",
         "tTTTTttTTTt",
         "tTTTTttTTTt",
         "ttttttttttt",
         "tTTttTTTTTt",
         "ttttttttttt"]


def stacked():
    rows = [list("................") for _ in range(16)]
    for (top, left) in ((2, 4), (8, 1)):
        for y, line in enumerate(BOARD):
            for x, c in enumerate(line):
                rows[top + y][left + x] = c
    return ["".join(r) for r in rows]


ICONS["invalid"] = struck(greyed(ICONS["material"]))
ICONS["cover"] = stacked()
ICONS["coverinv"] = greyed(ICONS["cover"])

# A location: a pin.
ICONS["location"] = [
    "................",
    "......rrrr......",
    ".....rrrrrr.....",
    "....rrrwwrrr....",
    "....rrwwwwrr....",
    "....rrwwwwrr....",
    "....rrrwwrrr....",
    ".....rrrrrr.....",
    ".....rrrrrr.....",
    "......rrrr......",
    "......rrrr......",
    ".......rr.......",
    ".......rr.......",
    "....gggggggg....",
    "................",
    "................"]


# The palette trees: a folder of palettes, a palette (registered, or greyed when it
# has no node), a prototype (a block).
def ellipse(colour, cx=7.5, cy=7.5, rx=7.0, ry=5.5):
    rows = [list("................") for _ in range(16)]
    for y in range(16):
        for x in range(16):
            if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                rows[y][x] = colour
    return rows


ICONS["palfolder"] = list(ICONS["folder"])
palette = ellipse("T")
for (x, y, c) in ((4, 5, "r"), (7, 4, "G"), (10, 5, "b"), (11, 8, "y"), (4, 9, "p")):
    for dy in (0, 1):
        for dx in (0, 1):
            palette[y + dy][x + dx] = c
palette[9][8] = palette[9][9] = palette[10][8] = palette[10][9] = "."
ICONS["registered"] = ["".join(r) for r in palette]
ICONS["unregist"] = ["".join({"T": "l", "r": "g", "G": "g", "b": "g", "y": "g", "p": "g"}.get(c, c)
                             for c in r) for r in ICONS["registered"]]
ICONS["prototype"] = [
    "................",
    "................",
    ".....bbbbbbbbb..",
    "....bwwwwwwwbb..",
    "...bwwwwwwwbBb..",
    "..bbbbbbbbbBBb..",
    "..bbbbbbbbbBBb..",
    "..bbbbbbbbbBBb..",
    "..bbbbbbbbbBBb..",
    "..bbbbbbbbbBBb..",
    "..bbbbbbbbbBb...",
    "..bbbbbbbbbb....",
    "................",
    "................",
    "................",
    "................"]

# The attribute library: its root, a formula attribute ("="), a text attribute
# ("T") and a file attribute (a page).
def badge(colour, mark):
    rows = [list("................") for _ in range(16)]
    for y in range(2, 14):
        for x in range(2, 14):
            rows[y][x] = colour
    for y, line in enumerate(mark):
        for x, c in enumerate(line):
            if c == "w":
                rows[4 + y][4 + x] = "w"
    return ["".join(r) for r in rows]


ICONS["aroot"] = ["".join({"y": "b", "o": "B"}.get(c, c) for c in r) for r in ICONS["folder"]]
ICONS["formula"] = badge("G", ["........", "wwwwwwww", "wwwwwwww", "........",
                               "........", "wwwwwwww", "wwwwwwww", "........"])
ICONS["text"] = badge("p", ["wwwwwwww", "wwwwwwww", "...ww...", "...ww...",
                            "...ww...", "...ww...", "...ww...", "...ww..."])
ICONS["file"] = [
    "................",
    "...kkkkkkk......",
    "...kwwwwwkk.....",
    "...kwwwwwkwk....",
    "...kwggggkkkk...",
    "...kwwwwwwwwk...",
    "...kwggggggwk...",
    "...kwwwwwwwwk...",
    "...kwggggggwk...",
    "...kwwwwwwwwk...",
    "...kwggggggwk...",
    "...kwwwwwwwwk...",
    "...kwggggggwk...",
    "...kwwwwwwwwk...",
    "...kkkkkkkkkk...",
    "................"]


# The material link's link mode (a chain) and group mode (three boards), and the
# caller's linking flag (a green tick, or an empty box).
ICONS["linkmode1"] = [
    "................",
    "................",
    "................",
    "..bbbbb.........",
    ".bb...bb........",
    ".b.....b........",
    ".b...bbbbbbb....",
    ".b...b.b...bb...",
    ".bb..b.b....b...",
    "..bbbbbb....b...",
    ".....b......b...",
    ".....bb....bb...",
    "......bbbbbb....",
    "................",
    "................",
    "................"]
groups = [list("................") for _ in range(16)]
for top in (2, 7, 12):
    for x in range(2, 14):
        groups[top][x] = "t"
        groups[top + 2][x] = "t"
    for x in range(3, 13):
        groups[top + 1][x] = "T"
    groups[top + 1][2] = groups[top + 1][13] = "t"
ICONS["linkmode2"] = ["".join(r) for r in groups[:16]]
box = [list("................") for _ in range(16)]
for i in range(2, 14):
    box[2][i] = box[13][i] = box[i][2] = box[i][13] = "g"
ICONS["checkoff"] = ["".join(r) for r in box]
for (x, y) in ((4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5)):
    box[y][x] = box[y - 1][x] = "G"
ICONS["checkon"] = ["".join(r) for r in box]

# The list definition editor: loops, sections, the start and final sections and the
# conditional group; a "q" variant marks a node that is not valid (a red corner), a
# "d" variant a disabled one (every colour grey); "sectionon"/"sectionoff" and their
# selected "s" forms mark chosen and not chosen items of the check lists.
LIST_ICONS = {
    "loop": [
        "................",
        "....bbbbbbb.....",
        "...b.......b....",
        "..b.........b...",
        "..b.........b...",
        "..b.........b...",
        "..b......bbbbbb.",
        "..b.......bbbb..",
        "..b........bb...",
        "..b.............",
        "..b.........b...",
        "...b.......b....",
        "....bbbbbbb.....",
        "................",
        "................",
        "................"],
    "section": [
        "................",
        "..kkkkkkkkkk....",
        "..kwwwwwwwwkk...",
        "..kwggggggwwkk..",
        "..kwwwwwwwwwwk..",
        "..kwgggggggwwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kwgggggggwwk..",
        "..kwwwwwwwwwwk..",
        "..kwggggggggwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................"],
    "start": [
        "................",
        "...GG...........",
        "...GGGG.........",
        "...GGGGGG.......",
        "...GGGGGGGG.....",
        "...GGGGGGGGGG...",
        "...GGGGGGGGGGG..",
        "...GGGGGGGGGG...",
        "...GGGGGGGG.....",
        "...GGGGGG.......",
        "...GGGG.........",
        "...GG...........",
        "................",
        "................",
        "................",
        "................"],
    "finaly": [
        "................",
        "................",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "...rrrrrrrrrr...",
        "................",
        "................",
        "................",
        "................"],
    "condgroup": [
        "................",
        "................",
        ".......pp.......",
        "......pppp......",
        ".....pp..pp.....",
        "....pp....pp....",
        "...pp......pp...",
        "..pp........pp..",
        "...pp......pp...",
        "....pp....pp....",
        ".....pp..pp.....",
        "......pppp......",
        ".......pp.......",
        "................",
        "................",
        "................"],
}
CHECKS = {
    "sectionon": [
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwGwk..",
        "..kwwwwwwwGGwk..",
        "..kwGwwwwGGwwk..",
        "..kwGGwwGGwwwk..",
        "..kwwGGGGwwwwk..",
        "..kwwwGGwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
        "................"],
    "sectionoff": [
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
        "................"],
}


def invalid(rows):
    """The "q" variant: a red mark in the lower right corner."""
    out = [list(r) for r in rows]
    for y in range(11, 16):
        for x in range(11, 16):
            if (x - 11) + (y - 11) >= 4 or x == 13 or y == 13:
                out[y][x] = "r"
    return ["".join(r) for r in out]


def disabled(rows):
    """The "d" variant: every colour grey."""
    return ["".join("." if c == "." else ("l" if c in "wlyT" else "g") for c in r) for r in rows]


def selected(rows):
    """The "s" form of a check list item: on a blue ground."""
    return ["".join("b" if c == "." else c for c in r) for r in rows]


for name in ("loop", "section"):
    LIST_ICONS[name + "q"] = invalid(LIST_ICONS[name])
for name in ("loop", "loopq", "section", "sectionq", "start", "finaly", "condgroup"):
    ICONS[name] = LIST_ICONS[name]
for name in ("loop", "loopq", "section", "sectionq", "start", "finaly", "condgroup"):
    ICONS[name + "d"] = disabled(LIST_ICONS[name])
for name, rows in CHECKS.items():
    ICONS[name] = rows
    ICONS[name + "s"] = selected(rows)


def write_xpm(folder, name, rows):
    used = sorted({c for row in rows for c in row if c != "."})
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
    lines = ["/* XPM */", "static const char* const %s_xpm[] = {" % name,
             '"16 16 %d 1",' % (len(used) + 1), '". c None",']
    lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
    lines += ['"%s",' % r for r in rows[:-1]] + ['"%s"};' % rows[-1]]
    with open(os.path.join(folder, name + ".xpm"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, rows in ICONS.items():
        write_xpm(folder, name, rows)
    with open(os.path.join(folder, "icons.inc"), "w") as f:
        f.write("// Written by make_icons.py: the icons by name.\n")
        for name in ICONS:
            f.write('#include "gui/resources/%s.xpm"\n' % name)
        f.write("#define DLIST_ICON_TABLE \\\n")
        f.write(" \\\n".join('  {"%s", %s_xpm},' % (n, n) for n in ICONS) + "\n")


if __name__ == "__main__":
    main()
