#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/.

Small on purpose: a few inputs of each shape, from which the fuzzer grows its
own corpus in the build folder. Run again after changing it.
"""
import io
import pathlib
import shutil
import struct
import subprocess
import tempfile
import zipfile
import zlib

HERE = pathlib.Path(__file__).resolve().parent
TOP = HERE.parent.parent
CORPUS = HERE / "corpus"
DOS_TIME = (2024, 1, 2, 3, 4, 6)


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("utf-8"))


# ---- catalogues -------------------------------------------------------------

DECL = '<?xml version="1.0" encoding="UTF-8"?>\n'


def layout_mod(mod_id, info, time, install, replace, add):
    def text(tag, value):
        return f"        <{tag}/>\n" if not value else f"        <{tag}>{value}</{tag}>\n"

    def items(tag, entries):
        if not entries:
            return f"        <{tag}/>\n"
        lines = "".join(f'            <item order="{o}">{p}</item>\n' for o, p in entries)
        return f"        <{tag}>\n{lines}        </{tag}>\n"

    return (f'    <mod id="{mod_id}">\n' + text("info", info) + text("time", time) +
            text("install", str(install)) + items("replace", replace) + items("add", add) +
            "    </mod>\n")


def catalogues():
    write("catalogue", "empty-layout.xml", DECL + "<HoneySelect/>\n")
    mods = (layout_mod("SoftSkin", "", "2024-1-2 03:04:05", 1,
                       [(1, "/game/abdata/chara/body_00.unity3d")],
                       [(1, "/game/abdata/chara/skin_extra.unity3d"),
                        (2, "/game/UserData/chara/female/softskin_sample.png")]) +
            layout_mod("Studio &amp; Lights", "灯光 &lt;new&gt;\nsecond line", "2024-1-3 10:00:00",
                       0, [], [(1, "C:\\Games\\HS\\abdata\\studio\\light_00.unity3d")]))
    write("catalogue", "layout.xml", DECL + "<HoneySelect>\n" + mods + "</HoneySelect>\n")
    write("catalogue", "hand-edited.xml",
          '<?xml version="1.0"?>\n<!-- kept by hand -->\n<PlayClub>\n'
          '  <mod id="a" extra="1"><note>x</note><install>\n 1\n</install>'
          '<add><item order=" 4 ">p</item><file>q</file></add></mod>\n'
          '  <mod><info>no id</info></mod>\n'
          '  <mod id="a"><info>repeated</info><install>0</install></mod>\n'
          '  <entry id="b"><replace><item order="2">r</item></replace></entry>\n'
          '</PlayClub>\n')
    write("catalogue", "cut-short.xml", DECL + "<HoneySelect>\n" + mods[: len(mods) // 2])


# ---- Wine registry ----------------------------------------------------------

def registries():
    head = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    write("wineregistry", "user.reg", head +
          "[Software\\\\illusion\\\\HoneySelect] 1700000000\n#time=1d9c0000000000\n"
          '"INSTALLDIR"="C:\\\\Games\\\\HoneySelect\\\\"\n'
          '"Version"=dword:00000001\n\n'
          "[Software\\\\illusion\\\\AI-Syoujyo] 1700000000\n"
          '"installdir"=str(2):"c:\\\\ILLUSION\\\\ai-syoujyo"\n\n'
          "[Software\\\\illusion\\\\Koikatsu] 1700000000\n"
          '"INSTALLDIR"="D:\\\\Koikatsu\\\\"\n')
    write("wineregistry", "escapes.reg", head +
          "[Software\\\\illusion\\\\Hone\\x0079Select]\n"
          '"INSTALL\\"DIR"="C:\\\\x\\u4e2d\\x4e2d\\101\\e\\a"\n'
          '"INSTALLDIR"=hex(2):43,00,3a,00,00,00\n'
          "[Software\\\\illusion\\\\HoneySelect]\n"
          '"INSTALLDIR"="C:\\\\Games\\\\.\\\\HoneySelect"\n')


# ---- archives ---------------------------------------------------------------

MOD = TOP / "examples" / "mods" / "SoftSkin"


def mod_files():
    return sorted(p for p in MOD.rglob("*") if p.is_file())


def zips():
    for name, method in (("deflate.zip", zipfile.ZIP_DEFLATED), ("stored.zip", zipfile.ZIP_STORED)):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", method) as archive:
            archive.writestr(zipfile.ZipInfo("SoftSkin/", DOS_TIME), b"")
            for path in mod_files():
                info = zipfile.ZipInfo("SoftSkin/" + path.relative_to(MOD).as_posix(), DOS_TIME)
                info.compress_type = method
                archive.writestr(info, path.read_bytes())
        write("archive", name, buffer.getvalue())
    # A name in the Chinese Windows code page, without the UTF-8 flag.
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as archive:
        info = zipfile.ZipInfo("皮肤/a.txt", DOS_TIME)
        archive.writestr(info, b"gbk name\n")
    data = buffer.getvalue()
    utf8, gbk = "皮肤".encode("utf-8"), "皮肤".encode("gbk") + b"\0\0"
    data = data.replace(utf8, gbk).replace(struct.pack("<H", 0x800), struct.pack("<H", 0))
    write("archive", "gbk-name.zip", data)
    # What the archive tests refuse: a way out of the folder, and a link.
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as archive:
        archive.writestr(zipfile.ZipInfo("mod/../../escaped.txt", DOS_TIME), b"out\n")
        link = zipfile.ZipInfo("mod/link", DOS_TIME)
        link.create_system = 3
        link.external_attr = 0o120777 << 16
        archive.writestr(link, b"/etc/passwd")
    write("archive", "hostile.zip", buffer.getvalue())


def sevenzips():
    if not shutil.which("bsdtar"):
        print("bsdtar missing: 7z seeds left as they are")
        return
    with tempfile.TemporaryDirectory() as tmp:
        for options, name in (("", "lzma2.7z"), ("7zip:compression=store", "stored.7z")):
            target = pathlib.Path(tmp) / name
            command = ["bsdtar", "--format", "7zip", "-cf", str(target), "-C", str(MOD.parent)]
            if options:
                command[1:1] = ["--options", options]
            subprocess.run(command + ["SoftSkin"], check=True,
                           env={"TZ": "UTC", "SOURCE_DATE_EPOCH": "1700000000"})
            write("archive", name, target.read_bytes())


def rar4_header(kind, flags, body):
    size = 7 + len(body)
    without_crc = struct.pack("<BHH", kind, flags, size) + body
    return struct.pack("<H", zlib.crc32(without_crc) & 0xFFFF) + without_crc


def rar4(entries):
    out = b"Rar!\x1a\x07\x00" + rar4_header(0x73, 0, b"\0" * 6)
    for name, data in entries:
        folder = data is None
        data = data or b""
        encoded = name.encode("utf-8")
        flags = 0x8000 | (0xE0 if folder else 0)
        body = struct.pack("<IIBIIBBHI", len(data), len(data), 2, zlib.crc32(data), 0x58210000,
                           20, 0x30, len(encoded), 0x10 if folder else 0x20) + encoded
        out += rar4_header(0x74, flags, body) + data
    return out + rar4_header(0x7B, 0x4000, b"")


def vint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def rar5_header(fields):
    body = b"".join(fields)
    size = vint(len(body))
    return struct.pack("<I", zlib.crc32(size + body)) + size + body


def rar5(entries):
    out = b"Rar!\x1a\x07\x01\x00" + rar5_header([vint(1), vint(0), vint(0)])
    for name, data in entries:
        folder = data is None
        data = data or b""
        encoded = name.encode("utf-8")
        fields = [vint(2), vint(0x0002), vint(len(data)),  # file header with a data area
                  vint(0x0001 if folder else 0x0004), vint(len(data)), vint(0x10 if folder else 0x20)]
        if not folder:
            fields.append(struct.pack("<I", zlib.crc32(data)))
        fields += [vint(0), vint(0), vint(len(encoded)), encoded]  # stored, Windows
        out += rar5_header(fields) + data
    return out + rar5_header([vint(5), vint(0), vint(0)])


def rars():
    entries = [("SoftSkin", None)] + [
        ("SoftSkin/" + p.relative_to(MOD).as_posix(), p.read_bytes()) for p in mod_files()]
    write("archive", "stored.rar", rar4(entries))
    write("archive", "stored-rar5.rar", rar5(entries))


# ---- names and settings -----------------------------------------------------

def names():
    write("names", "settings.ini",
          "[Global]\nBakPath=data\nSelect=HoneySelect\nLanguage=en\n\n"
          "[HoneySelect]\nGamePath=/games/HoneySelect\n\n[AI-Syoujyo]\nGamePath=C:\\\\AI\n")
    write("names", "odd-settings.ini",
          "[General]\nSelect=x\n[Global]\nSelect=../mod\n[%2E%2E]\nGamePath=@Invalid()\n"
          "[a%2Fb]\nGamePath=\"quoted\"\n[CON]\n")
    write("names", "names.txt", "HoneySelect\nmod.\nNUL.txt\nCOM¹\n..\na:b\nVeldane留存\n"
          ".veldane-unpacking-1\n")
    write("names", "utf16.txt", "柔肤 Mod".encode("utf-16-le"))


# ---- state database ---------------------------------------------------------

def databases():
    import sqlite3
    with tempfile.TemporaryDirectory() as tmp:
        path = pathlib.Path(tmp) / "HoneySelect.db"
        db = sqlite3.connect(path)
        db.execute("CREATE TABLE journal (id INTEGER PRIMARY KEY AUTOINCREMENT, payload BLOB NOT NULL)")
        # A payload in the journal's layout: format, command, empty texts and lists.
        payload = struct.pack(">II", 0x564A0003, 0) + b"\xff\xff\xff\xff" * 7 + b"\0\0"
        payload += b"\0\0\0\0" * 5 + b"\0\0\0\0" * 2 + b"\0" + b"\0\0\0\0" + b"\xff\xff\xff\xff"
        db.execute("INSERT INTO journal (payload) VALUES (?)", (payload,))
        db.execute("INSERT INTO journal (payload) VALUES (?)", (b"not a journal entry",))
        db.commit()
        db.close()
        write("statedatabase", "journal.db", path.read_bytes())
    write("statedatabase", "not-a-database", "SQLite format 2\0 written by hand\n")


if __name__ == "__main__":
    shutil.rmtree(CORPUS, ignore_errors=True)
    catalogues()
    registries()
    zips()
    sevenzips()
    rars()
    names()
    databases()
