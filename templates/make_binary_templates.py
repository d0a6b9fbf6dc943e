#!/usr/bin/env python3
"""Writes the binary files of the Flash and Java template folders.

The pages do not use them: they show the panorama with panorama_viewer.js. They ship because the
exports copy them beside every page, and each is a valid file of its format: a one-frame SWF
movie of a plain colour and a JAR archive that holds only its manifest. Run from any folder;
the files are written beside this script and are committed as they come out.
"""
import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def rect_bits(values):
    """The SWF RECT record: 5 bits of field width, then the signed fields."""
    width = max(v.bit_length() for v in values) + 1
    bits = format(width, "05b") + "".join(format(v & ((1 << width) - 1), "0%db" % width)
                                          for v in values)
    bits += "0" * (-len(bits) % 8)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


def tag(code, body=b""):
    return struct.pack("<H", (code << 6) | len(body)) + body


def swf_movie(width, height, colour):
    """A one-frame movie of width x height pixels filled with colour (r, g, b)."""
    body = rect_bits([0, width * 20, 0, height * 20])  # twips
    body += struct.pack("<HH", 24 << 8, 1)              # 24 frames a second, one frame
    body += tag(69, struct.pack("<I", 0))               # FileAttributes
    body += tag(9, bytes(colour))                       # SetBackgroundColor
    body += tag(1)                                      # ShowFrame
    body += tag(0)                                      # End
    return b"FWS" + bytes([10]) + struct.pack("<I", 8 + len(body)) + body


def jar_archive():
    manifest = b"Manifest-Version: 1.0\r\nCreated-By: Skylacer 3\r\n\r\n"
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_STORED) as jar:
        entry = zipfile.ZipInfo("META-INF/MANIFEST.MF", date_time=(2026, 1, 1, 0, 0, 0))
        jar.writestr(entry, manifest)
    return data.getvalue()


def main():
    files = {
        "flash/pviewer.swf": swf_movie(400, 300, (0x20, 0x20, 0x20)),
        "flash/pano0d.swf": swf_movie(400, 300, (0x00, 0x00, 0x00)),
        "flash/pano1d.swf": swf_movie(400, 300, (0x40, 0x40, 0x40)),
        "flash/sp.swf": swf_movie(16, 16, (0xFF, 0xFF, 0xFF)),
        "ptviewer/ptviewer.jar": jar_archive(),
    }
    for name, content in files.items():
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main()
