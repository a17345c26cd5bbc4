# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""The soak's PostScript inputs (see bench/soak.sh).

Every document draws its own marker text on each page and has a page size of
its own, so an output tells which input it came from: the marker in a PDF or
text output, the pixel size and page count in an image output.
"""

import os
import stat


class Doc:
    """One input of the pool: where a run puts it and what it should give."""

    def __init__(self, key, sub, name, pages, width, height, outcome, body):
        self.key = key          # short name used in the logs
        self.sub = sub          # the subfolder of a run's input folder
        self.name = name        # the file name (bytes: it need not be UTF-8)
        self.pages = pages      # pages a complete conversion has
        self.width = width      # page size in points
        self.height = height
        self.outcome = outcome  # "ok", "fail", "loop", "hungry", "refused", "toolong"
        self.body = body        # the file's bytes (None: not a regular file)
        self.marker = "SOAKMARK%s" % key.upper().replace("-", "")
        self.heavy = False
        self.twin = None        # a good document of the same name


def _page(marker, k, width, height, lines):
    out = ["%%%%Page: %d %d" % (k, k),
           "/Helvetica findfont 10 scalefont setfont 0 0 0 setrgbcolor",
           "10 %d moveto (%s page %d) show" % (height - 20, marker, k)]
    for l in range(lines):
        out.append("10 %d moveto (line %d of page %d: the quick brown fox %s) show"
                   % (height - 34 - 12 * l, l, k, marker))
    out.append("%d 255 div 0.4 0.6 setrgbcolor 20 20 %d %d rectfill"
               % ((k * 37) % 255, width // 3, height // 5))
    out.append("showpage")
    return out


def document(marker, pages, width, height, lines=4, fail_at=0, loop_at=0, hungry_at=0):
    """A document of `pages` pages; an undefined name on page `fail_at`, a
    loop that never ends on page `loop_at`, a loop that keeps every string
    it makes on page `hungry_at` (0: none)."""
    out = ["%!PS-Adobe-3.0", "%%Pages: " + str(pages),
           "<< /PageSize [%d %d] >> setpagedevice" % (width, height)]
    for k in range(1, pages + 1):
        if k == fail_at:
            out.append("soak_undefined_name_%d" % k)
        if k == loop_at:
            out.append("{ 1 pop } loop")
        if k == hungry_at:
            out.append("/soak_keep [] def { /soak_keep [ soak_keep 1048576 string ] def } loop")
        out += _page(marker, k, width, height, min(lines, max(0, (height - 60) // 12)))
    out.append("%%EOF")
    return ("\n".join(out) + "\n").encode()


def make_pool(memory_limit=0):
    """The documents the runs draw from; with a memory limit (MiB) set, also
    documents that need more memory than any limit."""
    docs = []

    def add(key, sub, name, pages, w, h, outcome="ok", **kw):
        d = Doc(key, sub, name, pages, w, h, outcome, None)
        d.body = document(d.marker, pages, w, h, **kw) if outcome not in ("refused",) else None
        docs.append(d)
        return d

    add("one", "a", b"one.ps", 1, 200, 300)
    add("two", "a", b"two.ps", 2, 260, 180, lines=10)
    add("four", "a", b"four.ps", 4, 300, 400, lines=25)
    add("many", "a", b"many.ps", 20, 220, 160)
    add("dense", "a", b"dense.ps", 3, 612, 792, lines=60)
    # The same output name from two folders: a good document and one that
    # fails on its last page.
    add("same-good", "a", b"same.ps", 3, 240, 340)
    add("same-bad", "b", b"same.ps", 3, 250, 350, outcome="fail", fail_at=3)
    add("fail-first", "a", b"failfirst.ps", 2, 210, 210, outcome="fail", fail_at=1)
    add("fail-mid", "a", b"failmid.ps", 5, 230, 190, outcome="fail", fail_at=4)
    add("loop-first", "a", b"loopfirst.ps", 2, 190, 230, outcome="loop", loop_at=1)
    add("loop-mid", "a", b"loopmid.ps", 3, 270, 200, outcome="loop", loop_at=2)
    if memory_limit:
        add("hungry-first", "a", b"hungryfirst.ps", 2, 200, 240, outcome="hungry", hungry_at=1)
        add("hungry-mid", "b", b"hungrymid.ps", 3, 240, 200, outcome="hungry", hungry_at=2)
    empty = add("empty", "a", b"empty.ps", 0, 100, 100, outcome="fail")
    empty.body = b""
    garbage = add("garbage", "a", b"garbage.ps", 0, 100, 100, outcome="fail")
    garbage.body = bytes(range(256)) * 8
    # A name that is not UTF-8 beside the name it would read as without its
    # odd bytes.
    add("odd-name", "c", b"bad\xff\xfe_.ps", 2, 280, 220)
    add("plain-name", "c", b"bad_.ps", 1, 170, 250)
    # Output names close to the limit of a name (255 bytes), and past it.
    add("long", "d", b"L" * 236 + b".ps", 2, 180, 200)
    add("too-long", "d", b"T" * 249 + b".ps", 2, 200, 180, outcome="toolong")
    for d in list(docs):
        if d.outcome in ("fail", "loop", "hungry"):
            pages = max(d.pages, 1)
            twin = Doc(d.key + "-twin", d.sub, d.name, pages, d.width + 10, d.height + 10, "ok",
                       None)
            twin.body = document(twin.marker, pages, twin.width, twin.height)
            d.twin = twin
    big = add("big", "a", b"big.ps", 1, 5000, 5000, lines=0)
    big.heavy = True
    for key, name in (("missing", b"missing.ps"), ("fifo", b"fifo.ps"), ("folder", b"folder.ps")):
        add(key, "e", name, 0, 0, 0, outcome="refused")
    return docs


def place(doc, folder):
    """Put `doc` into the run folder `folder` (bytes); its path (bytes)."""
    sub = os.path.join(folder, doc.sub.encode())
    os.makedirs(sub, exist_ok=True)
    path = os.path.join(sub, doc.name)
    if doc.key == "fifo":
        if not os.path.exists(path):
            os.mkfifo(path, 0o600)
    elif doc.key == "folder":
        os.makedirs(path, exist_ok=True)
    elif doc.key != "missing":
        with open(path, "wb") as f:
            f.write(doc.body)
    return path


def is_regular(path):
    try:
        return stat.S_ISREG(os.lstat(path).st_mode)
    except OSError:
        return False
