#!/usr/bin/env python3
"""Writes the gzip and tar samples the archive tests read, made by Python's own gzip, zlib and
tarfile (and by gzip(1) and tar(1) when they are there), each beside the bytes it holds:
NAME.gz and NAME.plain, NAME.tar.gz and NAME.members (one "type path size" line a member).

    make_archives.py FOLDER
"""
import gzip
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tarfile
import zlib


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def sample_texts():
    rng = random.Random(7)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(300)]
    names = b"\n".join(b".".join(rng.choice(words) for _ in range(rng.randint(2, 4)))
                       for _ in range(20000)) + b"\n"
    noise = bytes(rng.getrandbits(8) for _ in range(70000))  # incompressible: stored blocks
    runs = b"a" * 100000 + b"ab" * 40000  # long matches at distance 1 and 2
    return {"empty": b"", "byte": b"x", "names": names, "noise": noise, "runs": runs,
            "mixed": names[:30000] + noise[:20000] + runs[:50000]}


def raw_deflate(data, level, strategy=zlib.Z_DEFAULT_STRATEGY):
    c = zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy)
    return c.compress(data) + c.flush()


def gzip_with_header(data, flags, extra=b"", name=b"", comment=b""):
    header = b"\x1f\x8b\x08" + bytes([flags]) + b"\0\0\0\0\0\xff"
    if flags & 4:
        header += struct.pack("<H", len(extra)) + extra
    if flags & 8:
        header += name + b"\0"
    if flags & 16:
        header += comment + b"\0"
    if flags & 2:
        header += struct.pack("<H", zlib.crc32(header) & 0xFFFF)
    return header + raw_deflate(data, 6) + struct.pack("<II", zlib.crc32(data), len(data))


def write_gzips(folder):
    for key, data in sample_texts().items():
        for level in (0, 1, 6, 9):
            write(folder, f"{key}-{level}.gz", gzip.compress(data, compresslevel=level, mtime=0))
            write(folder, f"{key}-{level}.plain", data)
        # Fixed Huffman codes only, and Huffman codes without matches.
        for tag, strategy in (("fixed", zlib.Z_FIXED), ("huffman", zlib.Z_HUFFMAN_ONLY)):
            body = raw_deflate(data, 9, strategy)
            out = (b"\x1f\x8b\x08\0\0\0\0\0\0\xff" + body +
                   struct.pack("<II", zlib.crc32(data), len(data)))
            write(folder, f"{key}-{tag}.gz", out)
            write(folder, f"{key}-{tag}.plain", data)
    names = sample_texts()["names"]
    write(folder, "headers.gz", gzip_with_header(names, 2 | 4 | 8 | 16, b"ab\x02\0xy",
                                                 b"names.txt", b"a comment"))
    write(folder, "headers.plain", names)
    # Two members in a row, then zero padding as some downloads carry.
    write(folder, "members.gz", gzip.compress(names[:1000], mtime=0) +
          gzip.compress(names[1000:], mtime=0) + b"\0" * 16)
    write(folder, "members.plain", names)
    if shutil.which("gzip"):
        made = subprocess.run(["gzip", "-c", "-9"], input=names, stdout=subprocess.PIPE,
                              check=True).stdout
        write(folder, "gzip-tool.gz", made)
        write(folder, "gzip-tool.plain", names)


def tree_members():
    """The members of a category tree as the collections lay it out, and odd ones."""
    long_category = "a-category-name-long-enough-" + "x" * 60
    return [
        ("dir", "blacklists", b""),
        ("dir", "blacklists/adult", b""),
        ("file", "blacklists/adult/domains", b"adult.example\nWWW.Adult.Example.\n"),
        ("file", "blacklists/adult/urls", b"free.example/adult\n"),
        ("file", "blacklists/adult/usage", b"black\n"),
        ("link", "blacklists/porn", b"adult"),
        ("file", "blacklists/gambling/domains", b"casino.example\r\nbad name\r\n"),
        ("file", f"blacklists/{long_category}/domains", b"long.example\n"),
        ("file", "blacklists/empty/domains", b""),
        ("file", "README", b"not a list\n"),
    ]


def write_tarballs(folder):
    members = tree_members()
    for fmt_name, fmt in (("ustar", tarfile.USTAR_FORMAT), ("gnu", tarfile.GNU_FORMAT),
                          ("pax", tarfile.PAX_FORMAT)):
        buf = io.BytesIO()
        with tarfile.open(fileobj=buf, mode="w", format=fmt) as tar:
            for kind, path, data in members:
                if fmt == tarfile.USTAR_FORMAT and len(path) > 100 and "/" not in path[-100:]:
                    continue
                info = tarfile.TarInfo(path)
                info.mtime = 0
                if kind == "dir":
                    info.type = tarfile.DIRTYPE
                    tar.addfile(info)
                elif kind == "link":
                    info.type = tarfile.SYMTYPE
                    info.linkname = data.decode()
                    tar.addfile(info)
                else:
                    info.size = len(data)
                    tar.addfile(info, io.BytesIO(data))
        raw = buf.getvalue()
        write(folder, f"{fmt_name}.tar", raw)
        write(folder, f"{fmt_name}.tar.gz", gzip.compress(raw, mtime=0))
        with tarfile.open(fileobj=io.BytesIO(raw)) as tar:
            lines = [f"{m.type.decode() or '0'} {m.name} {m.size}" for m in tar.getmembers()]
        write(folder, f"{fmt_name}.members", ("\n".join(lines) + "\n").encode())
    if shutil.which("tar"):
        tree = os.path.join(folder, "tool-tree")
        for kind, path, data in members:
            full = os.path.join(tree, path)
            if kind == "dir":
                os.makedirs(full, exist_ok=True)
            elif kind == "file":
                os.makedirs(os.path.dirname(full), exist_ok=True)
                write(os.path.dirname(full), os.path.basename(full), data)
        subprocess.run(["tar", "-czf", os.path.join(folder, "tar-tool.tar.gz"), "-C", tree,
                        "blacklists"], check=True)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_gzips(folder)
    write_tarballs(folder)


if __name__ == "__main__":
    main()
