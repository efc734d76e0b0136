#!/usr/bin/python3
"""Builds the Windows Installer package of a distribution folder with Debian's wixl.

    make_msi.py --template setup.wxs.in --dist DIR --version 1.2.3.4 --arch x64|x86 --out FILE

wixl 0.101 crashes on any string that mixes Latin and Chinese characters (the manufacturer, the
product name, most file names of the distribution). So the source given to wixl carries a Latin
stand-in of the same length in code page 936 for each such string, and the built package's
string pool and summary information get the real GBK bytes afterwards: the streams keep their
sizes, and the tables name the code page 936 that Windows Installer decodes them with.
"""

import argparse
import hashlib
import os
import struct
import subprocess
import sys
import uuid
from xml.sax.saxutils import quoteattr

import olefile

PRODUCT_NAME = "Korvane 82列票据打印机驱动"
MANUFACTURER = "Velmora科技有限公司"
DOWNGRADE_TEXT = "这台电脑上已安装本产品的更新版本，未作任何改动。"
# Fixed for every version and both architectures: Windows Installer finds the older product by it.
UPGRADE_CODE = "{3F6C2A9E-7B41-4D8C-9E25-6A1D0C7B4E93}"
# The product code of a package is derived from its version, architecture and file name, so a
# build of the same version always gives the same code (deployment systems detect the product by
# it), and every version has its own.
PRODUCT_NAMESPACE = uuid.UUID("9b1c8f4e-2d7a-4e63-8a15-3c0f6e2b7d41")
CODEPAGE = 936

# The string pool's streams, by their names as Windows Installer stores them.
STRING_POOL = "\u4840\u3f3f\u4577\u446c\u3e6a\u44b2\u482f"  # _StringPool
STRING_DATA = "\u4840\u3f3f\u4577\u446c\u3b6a\u45e4\u4824"  # _StringData
SUMMARY = "\x05SummaryInformation"


class StandIns:
    """Latin stand-ins for strings wixl cannot take, each as long as the real string in GBK."""

    def __init__(self):
        self.real = {}  # stand-in -> real text

    def of(self, text):
        if all(ord(c) < 128 for c in text):
            return text
        size = len(text.encode("gbk"))
        number = len(self.real)
        stand_in = "Q@" + format(number, "x")
        if len(stand_in) > size:
            sys.exit(f"make_msi: name too short for a stand-in: {text!r}")
        stand_in += "q" * (size - len(stand_in))
        self.real[stand_in] = text
        return stand_in


def node_id(kind, relative):
    """A stable WiX identifier of a file ("f") or folder ("d") of the distribution."""
    return kind + hashlib.sha1(relative.encode("utf-8")).hexdigest()[:20]


def tree_xml(folder, relative, names, components, depth):
    """The Directory, Component and File elements of one folder, walked in a fixed order."""
    pad = "  " * depth
    lines = []
    for entry in sorted(os.listdir(folder)):
        path = os.path.join(folder, entry)
        rel = os.path.join(relative, entry) if relative else entry
        if os.path.isdir(path):
            lines.append(
                f"{pad}<Directory Id={quoteattr(node_id('d', rel))} Name={quoteattr(names.of(entry))}>"
            )
            lines += tree_xml(path, rel, names, components, depth + 1)
            lines.append(f"{pad}</Directory>")
            continue
        ident = "SetupExe" if rel == "Setup.exe" else node_id("f", rel)
        component = "c" + ident
        guid = uuid.uuid5(PRODUCT_NAMESPACE, "component:" + rel.replace(os.sep, "\\"))
        components.append(component)
        lines.append(
            f"{pad}<Component Id={quoteattr(component)} Guid=\"{str(guid).upper()}\" @WIN64@>"
        )
        lines.append(
            f"{pad}  <File Id={quoteattr(ident)} Name={quoteattr(names.of(entry))} "
            f"Source={quoteattr(rel.replace(os.sep, '/'))} KeyPath=\"yes\"/>"
        )
        lines.append(f"{pad}</Component>")
    return lines


def read_pool(ole):
    pool = ole.openstream(STRING_POOL).read()
    data = ole.openstream(STRING_DATA).read()
    strings, at, offset = [], 4, 0
    while at + 4 <= len(pool):
        size, references = struct.unpack("<HH", pool[at : at + 4])
        at += 4
        if size == 0 and references != 0:
            # A string of 64 KiB or more, whose size takes two entries: none of ours is.
            sys.exit("make_msi: the package has a string too long to rewrite")
        strings.append((offset, size))
        offset += size
    if offset != len(data):
        sys.exit("make_msi: the package's string pool does not add up")
    return pool, data, strings


def write_real_names(package, names):
    """The real GBK bytes over the stand-ins, and code page 936 for the string pool."""
    replacements = [(s.encode("ascii"), r.encode("gbk")) for s, r in names.real.items()]
    ole = olefile.OleFileIO(package, write_mode=True)
    try:
        pool, data, strings = read_pool(ole)
        patched = bytearray(data)
        for offset, size in strings:
            text = bytes(patched[offset : offset + size])
            for stand_in, real in replacements:
                text = text.replace(stand_in, real)
            patched[offset : offset + size] = text  # same length, so the pool stays right
        ole.write_stream(STRING_DATA, bytes(patched))
        ole.write_stream(STRING_POOL, struct.pack("<I", CODEPAGE) + pool[4:])
        summary = ole.openstream(SUMMARY).read()
        for stand_in, real in replacements:
            summary = summary.replace(stand_in, real)
        ole.write_stream(SUMMARY, summary)
    finally:
        ole.close()
    # Read back: no stand-in is left anywhere, and the summary is in code page 936.
    ole = olefile.OleFileIO(package)
    try:
        everything = b"".join(ole.openstream(e).read() for e in ole.listdir())
        if ole.get_metadata().codepage != CODEPAGE:
            sys.exit("make_msi: the summary information is not in code page 936")
    finally:
        ole.close()
    for stand_in, _ in replacements:
        if stand_in in everything:
            sys.exit(f"make_msi: a stand-in was left in the package: {stand_in!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--template", required=True)
    parser.add_argument("--dist", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--arch", choices=["x64", "x86"], required=True)
    parser.add_argument("--out", required=True)
    arguments = parser.parse_args()

    names = StandIns()
    components = []
    files = tree_xml(arguments.dist, "", names, components, 6)
    if "cSetupExe" not in components:
        sys.exit("make_msi: the distribution folder has no Setup.exe")
    package_name = os.path.basename(arguments.out)
    product_code = uuid.uuid5(
        PRODUCT_NAMESPACE, f"product:{arguments.version}:{arguments.arch}:{package_name}"
    )
    with open(arguments.template, encoding="utf-8") as template:
        source = template.read()
    fields = [int(field) for field in arguments.version.split(".")]
    if len(fields) != 4 or fields[2] >= 65535:
        sys.exit(f"make_msi: not a version of four fields: {arguments.version}")
    values = {
        "@NEXT_RELEASE@": f"{fields[0]}.{fields[1]}.{fields[2] + 1}",
        "@FILES@": "\n".join(files),
        "@COMPONENT_REFS@": "\n".join(f'      <ComponentRef Id="{c}"/>' for c in components),
        "@PRODUCT_CODE@": "{" + str(product_code).upper() + "}",
        "@UPGRADE_CODE@": UPGRADE_CODE,
        "@VERSION@": arguments.version,
        "@PRODUCT_NAME@": names.of(PRODUCT_NAME),
        "@MANUFACTURER@": names.of(MANUFACTURER),
        "@DOWNGRADE_TEXT@": names.of(DOWNGRADE_TEXT),
        "@PROGRAM_FILES@": "ProgramFiles64Folder" if arguments.arch == "x64" else "ProgramFilesFolder",
        "@WIN64@": 'Win64="yes"' if arguments.arch == "x64" else "",
    }
    for key, value in values.items():
        source = source.replace(key, value)

    # The WiX source and the package before its names are written, beside the package.
    work = os.path.join(os.path.dirname(os.path.abspath(arguments.out)), "work")
    os.makedirs(work, exist_ok=True)
    wxs = os.path.join(work, package_name + ".wxs")
    temporary = os.path.join(work, package_name)
    with open(wxs, "w", encoding="utf-8") as out:
        out.write(source)
    # wixl finds the files by paths relative to the folder it runs in.
    subprocess.run(
        ["wixl", "-a", arguments.arch, "-o", os.path.abspath(temporary), os.path.abspath(wxs)],
        cwd=arguments.dist,
        check=True,
    )
    write_real_names(temporary, names)
    os.replace(temporary, arguments.out)


if __name__ == "__main__":
    main()
