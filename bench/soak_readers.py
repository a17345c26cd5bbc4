# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""Independent checks of the soak's output files (see bench/soak.sh).

Each check takes a path and returns (problem, info): problem is the empty
text for a complete, valid file, info holds what the file says about itself
(pixel width and height, page count) where the format tells.
"""

import os
import struct
import subprocess
import zlib


def _run(cmd):
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def _data(path):
    with open(path, "rb") as f:
        return f.read()


def check_pdf(path):
    rc, out, err = _run(["qpdf", "--check", path])
    if rc not in (0, 3):
        return "qpdf --check: " + (err or out).strip()[:200], {}
    rc, out, err = _run(["pdfinfo", path])
    if rc != 0:
        return "pdfinfo: " + err.strip()[:200], {}
    pages = 0
    for line in out.splitlines():
        if line.startswith("Pages:"):
            pages = int(line.split()[1])
    rc, text, err = _run(["pdftotext", path, "-"])
    if rc != 0:
        return "pdftotext: " + err.strip()[:200], {}
    return "", {"pages": pages, "text": text}


def check_text(path):
    return "", {"text": _data(path).decode("utf-8", "replace")}


def check_jpeg(path):
    rc, _, err = _run(["djpeg", "-outfile", os.devnull, path])
    if rc != 0 or err.strip():
        return "djpeg: " + (err.strip() or "exit %d" % rc)[:200], {}
    d = _data(path)
    i = 2
    while i + 9 < len(d):
        if d[i] != 0xFF:
            return "djpeg read it but its markers are broken", {}
        marker = d[i + 1]
        length = struct.unpack(">H", d[i + 2:i + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            h, w = struct.unpack(">HH", d[i + 5:i + 9])
            return "", {"width": w, "height": h, "pages": 1}
        i += 2 + length
    return "no frame header", {}


def check_tiff(path):
    rc, out, err = _run(["tiffinfo", "-D", path])
    bad = [l for l in err.splitlines() if "error" in l.lower() or "cannot" in l.lower()]
    if rc != 0 or bad:
        return "tiffinfo: " + ("; ".join(bad) or "exit %d" % rc)[:200], {}
    dirs, width, height = 0, 0, 0
    for line in out.splitlines():
        if line.startswith("TIFF Directory"):
            dirs += 1
        if "Image Width:" in line and dirs == 1:
            parts = line.split()
            width, height = int(parts[2]), int(parts[5])
    if dirs == 0:
        return "tiffinfo found no directory", {}
    return "", {"width": width, "height": height, "pages": dirs}


def check_png(path):
    d = _data(path)
    if d[:8] != b"\x89PNG\r\n\x1a\n":
        return "no PNG signature", {}
    i, idat, width, height, ended = 8, b"", 0, 0, False
    while i + 12 <= len(d):
        length = struct.unpack(">I", d[i:i + 4])[0]
        kind = d[i + 4:i + 8]
        body = d[i + 8:i + 8 + length]
        if len(body) != length or i + 12 + length > len(d):
            return "chunk %s cut short" % kind, {}
        crc = struct.unpack(">I", d[i + 8 + length:i + 12 + length])[0]
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            return "chunk %s has a wrong CRC" % kind, {}
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            ended = True
            break
        i += 12 + length
    if not ended:
        return "no IEND chunk (cut short)", {}
    try:
        zlib.decompress(idat)
    except zlib.error as e:
        return "image data: %s" % e, {}
    return "", {"width": width, "height": height, "pages": 1}


def check_bmp(path):
    d = _data(path)
    if len(d) < 54 or d[:2] != b"BM":
        return "no BMP header", {}
    size, _, offset, _, width, height, _, bits = struct.unpack("<IIIIiiHH", d[2:30])
    if size != len(d):
        return "header says %d bytes, file has %d" % (size, len(d)), {}
    row = ((abs(width) * bits + 31) // 32) * 4
    compression = struct.unpack("<I", d[30:34])[0]
    if compression == 0 and offset + row * abs(height) > len(d):
        return "pixel data cut short", {}
    return "", {"width": abs(width), "height": abs(height), "pages": 1}


def check_gif(path):
    d = _data(path)
    if d[:6] not in (b"GIF87a", b"GIF89a"):
        return "no GIF header", {}
    width, height, flags = struct.unpack("<HHB", d[6:11])
    i = 13 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)

    def skip_blocks(i):
        while i < len(d) and d[i] != 0:
            i += d[i] + 1
        return i + 1

    while i < len(d):
        b = d[i]
        if b == 0x3B:
            return "", {"width": width, "height": height, "pages": 1}
        if b == 0x21:
            i = skip_blocks(i + 2)
        elif b == 0x2C:
            lflags = d[i + 9] if i + 9 < len(d) else 0
            i += 10 + (3 * (2 << (lflags & 7)) if lflags & 0x80 else 0)
            i = skip_blocks(i + 1)
        else:
            return "unknown block 0x%02x" % b, {}
    return "no trailer (cut short)", {}


def check_pcx(path):
    d = _data(path)
    if len(d) < 128 or d[0] != 0x0A:
        return "no PCX header", {}
    xmin, ymin, xmax, ymax = struct.unpack("<HHHH", d[4:12])
    planes = d[65]
    per_line = struct.unpack("<H", d[66:68])[0]
    need = per_line * planes * (ymax - ymin + 1)
    i, got = 128, 0
    while got < need and i < len(d):
        b = d[i]
        if b >= 0xC0:
            if i + 1 >= len(d):
                break
            got += b & 0x3F
            i += 2
        else:
            got += 1
            i += 1
    if got < need:
        return "pixel data cut short", {}
    if d[3] == 8 and planes == 1 and (len(d) < i + 769 or d[-769] != 0x0C):
        return "palette missing (cut short)", {}
    return "", {"width": xmax - xmin + 1, "height": ymax - ymin + 1, "pages": 1}


def check_tga(path):
    d = _data(path)
    if len(d) < 18:
        return "no TGA header", {}
    idlen, cmtype, itype = d[0], d[1], d[2]
    cmlen, cmbits = struct.unpack("<H", d[5:7])[0], d[7]
    width, height, bits = struct.unpack("<HHB", d[12:17])
    i = 18 + idlen + (cmlen * ((cmbits + 7) // 8) if cmtype else 0)
    px, need = (bits + 7) // 8, width * height
    if itype in (1, 2, 3):
        if i + need * px > len(d):
            return "pixel data cut short", {}
    elif itype in (9, 10, 11):
        got = 0
        while got < need and i < len(d):
            count = (d[i] & 0x7F) + 1
            i += 1 + (px if d[i] & 0x80 else px * count)
            got += count
        if got < need or i > len(d):
            return "pixel data cut short", {}
    else:
        return "image type %d" % itype, {}
    return "", {"width": width, "height": height, "pages": 1}


def check_ras(path):
    d = _data(path)
    if len(d) < 32 or d[:4] != b"\x59\xa6\x6a\x95":
        return "no Sun raster header", {}
    _, width, height, depth, length, rtype, _, maplen = struct.unpack(">8I", d[:32])
    if 32 + maplen + length > len(d):
        return "pixel data cut short", {}
    if rtype in (0, 1, 3) and length < ((width * depth + 15) // 16) * 2 * height:
        return "pixel data shorter than the picture", {}
    return "", {"width": width, "height": height, "pages": 1}


def check_jpeg2000(path):
    rc, out, err = _run(["opj_dump", "-i", path])
    if rc != 0:
        return "opj_dump: " + (err.strip() or "exit %d" % rc)[:200], {}
    if not _data(path).endswith(b"\xff\xd9"):
        return "no end-of-codestream marker (cut short)", {}
    width = height = 0
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("x1="):
            for part in line.split(","):
                k, _, v = part.strip().partition("=")
                if k == "x1":
                    width = int(v)
                elif k == "y1":
                    height = int(v)
            break
    return "", {"width": width, "height": height, "pages": 1}


def check_wmf(path):
    d = _data(path)
    if d[:4] == b"\xd7\xcd\xc6\x9a":
        d = d[22:]
    if len(d) < 18:
        return "no WMF header", {}
    words = struct.unpack("<I", d[6:10])[0]
    if words * 2 != len(d):
        return "header says %d bytes, records hold %d" % (words * 2, len(d)), {}
    if d[-6:] != b"\x03\x00\x00\x00\x00\x00":
        return "no end-of-file record", {}
    return "", {"pages": 1}


def check_emf(path):
    d = _data(path)
    if len(d) < 88 or struct.unpack("<I", d[:4])[0] != 1 or d[40:44] != b" EMF":
        return "no EMF header", {}
    total = struct.unpack("<I", d[48:52])[0]
    if total != len(d):
        return "header says %d bytes, file has %d" % (total, len(d)), {}
    i, last = 0, 0
    while i + 8 <= len(d):
        last, size = struct.unpack("<II", d[i:i + 8])
        if size < 8 or i + size > len(d):
            return "record cut short", {}
        i += size
    if last != 14:
        return "no end-of-file record", {}
    return "", {"pages": 1}


CHECKS = {
    ".pdf": check_pdf, ".txt": check_text, ".jpg": check_jpeg, ".tif": check_tiff,
    ".png": check_png, ".bmp": check_bmp, ".gif": check_gif, ".pcx": check_pcx,
    ".tga": check_tga, ".ras": check_ras, ".jp2": check_jpeg2000, ".jpc": check_jpeg2000,
    ".wmf": check_wmf, ".emf": check_emf,
}


def check_file(path):
    """(problem, info) of the output at `path`, by its extension."""
    ext = os.path.splitext(path)[1].lower()
    check = CHECKS.get(ext)
    if check is None:
        return "unexpected output extension %r" % ext, {}
    try:
        return check(path)
    except (OSError, struct.error, IndexError, ValueError, subprocess.TimeoutExpired) as e:
        return "unreadable: %s" % e, {}
