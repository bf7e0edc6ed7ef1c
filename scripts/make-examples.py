#!/usr/bin/env python3
"""Writes the sample game folder and the three sample mods under examples/.

    make-examples.py [output folder]     (default: examples/ of the checkout)

The game is a fake: its asset files are short text files that say which file
they are and whose version they hold, so that after every install or uninstall
`cat` shows which layer is in the game. The PNG cards are real small pictures,
each visibly different, for the card browser.

The output is the same on every run. The script writes and overwrites only the
files listed here; anything else found in the output folder is reported and left
alone, so that nothing of a user's is lost.
"""

import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# PNG pictures


def png_bytes(width, height, pixel):
    """An 8-bit RGB PNG; pixel(x, y) gives (r, g, b)."""
    rows = []
    previous = None
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row.extend(pixel(x, y))
        if previous is None:
            rows.append(b"\x00" + bytes(row))
        else:
            # Filter "Up": the pictures are mostly vertical bands and shapes,
            # which this turns into long runs of zeros.
            rows.append(b"\x02" + bytes((a - b) & 0xFF for a, b in zip(row, previous)))
        previous = row

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


# A small pixel font, five rows high, for the labels painted on the cards.
GLYPHS = {
    "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"], "3": ["111", "001", "011", "001", "111"],
    "A": ["010", "101", "111", "101", "101"], "B": ["110", "101", "110", "101", "110"],
    "C": ["011", "100", "100", "100", "011"], "D": ["110", "101", "101", "101", "110"],
    "F": ["111", "100", "110", "100", "100"], "G": ["011", "100", "101", "101", "011"],
    "M": ["10001", "11011", "10101", "10001", "10001"], "O": ["010", "101", "101", "101", "010"],
    "P": ["110", "101", "110", "100", "100"], "S": ["011", "100", "010", "001", "110"],
}


def label_width(text):
    """Width in font pixels, with one pixel between glyphs."""
    return sum(len(GLYPHS[char][0]) + 1 for char in text) - 1


def label_mask(text, scale, left, top):
    """The set of pixels that the label covers."""
    covered = set()
    offset = 0
    for char in text:
        for row, bits in enumerate(GLYPHS[char]):
            for column, bit in enumerate(bits):
                if bit == "1":
                    x0 = left + (offset + column) * scale
                    y0 = top + row * scale
                    for dy in range(scale):
                        for dx in range(scale):
                            covered.add((x0 + dx, y0 + dy))
        offset += len(GLYPHS[char][0]) + 1
    return covered


def blend(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def character_card(label, top_colour, bottom_colour, figure_colour, shoulders):
    """A portrait card: a figure (head and body) on a vertical gradient."""
    width, height = 168, 240
    scale = 6
    text = label_mask(label, scale, (width - label_width(label) * scale) // 2, 196)

    def pixel(x, y):
        if (x, y) in text:
            return (255, 255, 255)
        dx, dy = x - width // 2, y - 70
        if dx * dx + dy * dy <= 28 * 28:
            return figure_colour
        if 104 <= y <= 180:
            half = shoulders - (shoulders - 24) * (y - 104) // 76
            if abs(x - width // 2) <= half:
                return figure_colour
        return blend(top_colour, bottom_colour, y / (height - 1))

    return png_bytes(width, height, pixel)


def landscape_card(label, sky, ground, accent, kind):
    """A wide picture: a sun over a horizon, a horizon alone, or a stage floor."""
    width, height = 240, 135
    scale = 5
    text = label_mask(label, scale, 10, 10)

    def pixel(x, y):
        if (x, y) in text:
            return (255, 255, 255)
        horizon = 90
        if kind == "sun":
            dx, dy = x - 180, y - 50
            if dx * dx + dy * dy <= 22 * 22:
                return accent
        if kind == "stage" and y >= horizon:
            return accent if ((x // 20) + (y // 10)) % 2 == 0 else ground
        if kind == "hills" and y >= horizon - int(12 * abs(((x % 80) - 40) / 40)):
            return ground
        if y >= horizon:
            return ground
        return blend(sky, (255, 255, 255), y / (horizon * 2))

    return png_bytes(width, height, pixel)


# ---------------------------------------------------------------------------
# The sample: every file below the output folder, as bytes


def asset(path, owner):
    return ("Fake game asset %s\nVersion: %s\n" % (path, owner)).encode("utf-8")


def game_files():
    files = {}
    for path in ("abdata/chara/body_00.unity3d", "abdata/chara/face_00.unity3d",
                 "abdata/chara/hair_00.unity3d", "abdata/studio/map_00.unity3d"):
        files[path] = asset(path, "the game's own file")
    files["Plugins/SampleLoader.dll"] = asset("Plugins/SampleLoader.dll", "the game's own file")
    files["README.txt"] = (
        "A fake game folder for trying Veldane. It is not a real game: the asset\n"
        "files are text that says which version of the file they are.\n"
        "Work on a copy (cp -r examples/game workspace/game), so that this one stays clean.\n"
    ).encode("utf-8")

    female = [("F1", (250, 200, 215), (200, 90, 130), (120, 40, 80), 44),
              ("F2", (255, 235, 190), (230, 140, 40), (150, 70, 20), 40),
              ("F3", (215, 200, 255), (110, 80, 200), (50, 30, 110), 46)]
    for number, (label, top, bottom, figure, shoulders) in enumerate(female, 1):
        files["UserData/chara/female/hs_female_%02d.png" % number] = character_card(
            label, top, bottom, figure, shoulders)
    male = [("M1", (190, 220, 250), (40, 90, 160), (20, 40, 70), 56),
            ("M2", (200, 240, 210), (40, 130, 70), (20, 60, 30), 60)]
    for number, (label, top, bottom, figure, shoulders) in enumerate(male, 1):
        files["UserData/chara/male/hs_male_%02d.png" % number] = character_card(
            label, top, bottom, figure, shoulders)

    files["UserData/cap/cap_01.png"] = landscape_card(
        "CAP1", (255, 150, 80), (90, 50, 40), (255, 230, 90), "sun")
    files["UserData/cap/cap_02.png"] = landscape_card(
        "CAP2", (120, 60, 160), (30, 20, 50), (250, 250, 210), "sun")
    files["UserData/background/bg_01.png"] = landscape_card(
        "BG1", (90, 170, 240), (70, 150, 60), (0, 0, 0), "hills")
    files["UserData/background/bg_02.png"] = landscape_card(
        "BG2", (60, 80, 120), (230, 220, 180), (0, 0, 0), "plain")
    files["UserData/studio/scene_01.png"] = landscape_card(
        "SC1", (70, 70, 80), (150, 110, 70), (200, 170, 120), "stage")
    files["UserData/studioneo/scene/neo_scene_01.png"] = landscape_card(
        "SC2", (20, 30, 60), (60, 60, 70), (0, 190, 200), "stage")
    return files


def mod_files():
    """The three mods. SoftSkinHD replaces a file of SoftSkin and a game file;
    StudioLights, packed as a single abdata folder, overlaps both."""
    files = {}

    def put(mod, path, in_game, owner):
        files["%s/%s" % (mod, path)] = asset(in_game, owner)

    put("SoftSkin", "abdata/chara/body_00.unity3d", "abdata/chara/body_00.unity3d", "mod SoftSkin")
    put("SoftSkin", "abdata/chara/skin_extra.unity3d", "abdata/chara/skin_extra.unity3d",
        "mod SoftSkin")
    files["SoftSkin/UserData/chara/female/softskin_sample.png"] = character_card(
        "MOD1", (255, 235, 240), (200, 60, 100), (120, 20, 60), 48)

    put("SoftSkinHD", "abdata/chara/skin_extra.unity3d", "abdata/chara/skin_extra.unity3d",
        "mod SoftSkinHD")
    put("SoftSkinHD", "abdata/chara/face_00.unity3d", "abdata/chara/face_00.unity3d",
        "mod SoftSkinHD")
    put("SoftSkinHD", "Plugins/SoftSkinHD.dll", "Plugins/SoftSkinHD.dll", "mod SoftSkinHD")

    for path in ("chara/body_00.unity3d", "chara/skin_extra.unity3d", "studio/light_00.unity3d",
                 "studio/map_00.unity3d"):
        put("StudioLights/abdata", path, "abdata/" + path, "mod StudioLights")
    return files


GUIDE = """# Sample game and mods

Written by `scripts/make-examples.py`; run it again to restore them.

- `game/`: a fake HoneySelect folder (`abdata`, `Plugins`, `UserData` with PNG cards).
  Copy it before use: `cp -r examples/game workspace/game`.
- `mods/SoftSkin`: a mod root with `abdata` and `UserData`.
- `mods/SoftSkinHD`: a mod root with `abdata` and `Plugins`.
- `mods/StudioLights/abdata`: a mod packed as a single `abdata` folder; choose
  the `abdata` folder itself when you install it.

Every asset file is a line of text naming the version it holds, so
`cat workspace/game/abdata/chara/skin_extra.unity3d` tells which mod is on top.

| Game file | Game | SoftSkin | SoftSkinHD | StudioLights |
|---|---|---|---|---|
| abdata/chara/body_00.unity3d | x | x | | x |
| abdata/chara/face_00.unity3d | x | | x | |
| abdata/chara/skin_extra.unity3d | | x | x | x |
| abdata/studio/map_00.unity3d | x | | | x |
| abdata/studio/light_00.unity3d | | | | x |
| Plugins/SoftSkinHD.dll | | | x | |
| UserData/chara/female/softskin_sample.png | | x | | |
""".encode("utf-8")


def all_files():
    files = {"README.md": GUIDE}
    files.update(("game/" + path, data) for path, data in game_files().items())
    files.update(("mods/" + path, data) for path, data in mod_files().items())
    return files


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "examples"))
    files = all_files()
    written = 0
    for path, data in sorted(files.items()):
        target = os.path.join(out, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        try:
            with open(target, "rb") as existing:
                if existing.read() == data:
                    continue
        except FileNotFoundError:
            pass
        with open(target, "wb") as stream:
            stream.write(data)
        written += 1

    ours = {os.path.join(out, *path.split("/")) for path in files}
    strays = []
    for part in ("game", "mods"):
        for folder, _, names in os.walk(os.path.join(out, part)):
            strays.extend(os.path.join(folder, name) for name in names
                          if os.path.join(folder, name) not in ours)
    print("make-examples: %d files in %s, %d written" % (len(files), out, written))
    if strays:
        print("make-examples: left alone, not written by this script:")
        for stray in sorted(strays):
            print("  " + os.path.relpath(stray, out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
