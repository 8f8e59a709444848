#!/usr/bin/env python3
"""Hostile and heavy OCR inputs for the stop and load benchmarks, written
into OUTDIR (deterministic, standard library only; the text page is drawn by
ImageMagick's convert):
  noise-bilevel.tif  A4 at 300 dpi, one bit a pixel, pure noise
  noise-rgb.tif      A4 at 300 dpi, 8-bit RGB, pure noise
  scan.tif           A4 at 300 dpi, one bit a pixel, a letter of English text
  scan-rgba.tif      the same letter as RGBA with unassociated alpha at half strength
  scans-500.pdf      500 pages, each the letter (one shared image)
  pages-2000.tif     2,000 pages of the letter at 150 dpi (one shared strip)
  nested.pdf         forms nested 9 deep, each drawn 10 times (a billion lines)
  OUTDIR"""
import os, random, struct, subprocess, sys, zlib

out = sys.argv[1]
rnd = random.Random(7)


def tiff(path, pages, extra=b""):
    """pages: list of (width, height, bits, samples, photometric, data, alpha, dpi);
    a page's data may be shared: the same bytes object is written once."""
    blobs, offsets = [], {}
    body = bytearray(b"II*\0\0\0\0\0")
    for p in pages:
        data = p[5]
        if id(data) not in offsets:
            offsets[id(data)] = len(body)
            body += data
    ifd_at = []
    for i, (w, h, bits, samples, photo, data, alpha, dpi) in enumerate(pages):
        if len(body) % 2:
            body += b"\0"
        bits_at = len(body)
        body += struct.pack("<%dH" % samples, *([bits] * samples))
        res_at = len(body)
        body += struct.pack("<II", dpi, 1)
        entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, samples, bits_at if samples > 2 else bits),
                   (259, 3, 1, 1), (262, 3, 1, photo), (273, 4, 1, offsets[id(data)]),
                   (277, 3, 1, samples), (278, 4, 1, h), (279, 4, 1, len(data)),
                   (282, 5, 1, res_at), (283, 5, 1, res_at), (296, 3, 1, 2)]
        if alpha:
            entries.append((338, 3, 1, 2))  # unassociated alpha
        entries.sort()
        ifd_at.append(len(body))
        body += struct.pack("<H", len(entries))
        for tag, typ, count, value in entries:
            if typ == 3 and count == 1:
                body += struct.pack("<HHIHH", tag, typ, count, value, 0)
            else:
                body += struct.pack("<HHII", tag, typ, count, value)
        body += b"\0\0\0\0"
    struct.pack_into("<I", body, 4, ifd_at[0])
    for a, b in zip(ifd_at, ifd_at[1:]):
        n = struct.unpack_from("<H", body, a)[0]
        struct.pack_into("<I", body, a + 2 + 12 * n, b)
    with open(path, "wb") as f:
        f.write(body)


def pbm(width, height, dpi, size):
    """A letter drawn by ImageMagick: rows of bits, 1 = black, padded to bytes."""
    lines = ["Dear Customer,", "Thank you for your order of 12 December.",
             "The goods will be shipped within five working days.",
             "Please find the invoice enclosed with this letter.",
             "If you have any questions, do not hesitate to call us.",
             "Yours sincerely,", "The Quilbex Trading Company"]
    cmd = ["convert", "-size", "%dx%d" % (width, height), "xc:white", "-fill", "black",
           "-font", "DejaVu-Sans", "-pointsize", str(size)]
    for i, line in enumerate(lines):
        cmd += ["-annotate", "+%d+%d" % (width // 10, height // 8 + i * size * 2), line]
    cmd += ["-monochrome", "pbm:-"]
    raw = subprocess.run(cmd, check=True, capture_output=True).stdout
    # P4 header: magic, width, height, then the bits.
    fields, at = [], 0
    while len(fields) < 3:
        while raw[at:at + 1].isspace():
            at += 1
        start = at
        while not raw[at:at + 1].isspace():
            at += 1
        fields.append(raw[start:at])
    return raw[at + 1:]


a4 = (2480, 3508)
row = (a4[0] + 7) // 8
tiff(os.path.join(out, "noise-bilevel.tif"),
     [(a4[0], a4[1], 1, 1, 0, rnd.randbytes(row * a4[1]), False, 300)])
tiff(os.path.join(out, "noise-rgb.tif"),
     [(a4[0], a4[1], 8, 3, 2, rnd.randbytes(a4[0] * 3 * a4[1]), False, 300)])
letter = pbm(a4[0], a4[1], 300, 40)
tiff(os.path.join(out, "scan.tif"), [(a4[0], a4[1], 1, 1, 0, letter, False, 300)])
# The letter as RGBA: black text, white paper, every pixel half transparent.
rgba = bytearray()
for y in range(a4[1]):
    bits = letter[y * row:(y + 1) * row]
    for x in range(a4[0]):
        v = 0 if bits[x >> 3] & (0x80 >> (x & 7)) else 255
        rgba += bytes((v, v, v, 128))
tiff(os.path.join(out, "scan-rgba.tif"), [(a4[0], a4[1], 8, 4, 2, bytes(rgba), True, 300)])
small = pbm(1240, 1754, 150, 20)
shared = [(1240, 1754, 1, 1, 0, small, False, 150)] * 2000
tiff(os.path.join(out, "pages-2000.tif"), shared)


def pdf(path, objects):
    body = b"%PDF-1.7\n"
    offsets = []
    for i, o in enumerate(objects, 1):
        offsets.append(len(body))
        body += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(body)
    body += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    body += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    body += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as f:
        f.write(body)


def stream(entries, data):
    return b"<< " + entries + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream"


# 500 pages sharing one image of the letter (object 3); pages from object 4.
pages = 500
inverted = bytes(255 - b for b in letter)  # PDF's 1-bit grey: 0 is black
objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
           b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (4 + 2 * i) for i in range(pages)) +
           b"] /Count %d >>" % pages,
           stream(b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
                  b"/BitsPerComponent 1 /Filter /FlateDecode" % a4, zlib.compress(inverted))]
for i in range(pages):
    objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.2 841.92] /Resources "
                   b"<< /XObject << /Im0 3 0 R >> >> /Contents %d 0 R >>" % (5 + 2 * i))
    objects.append(stream(b"", b"q 595.2 0 0 841.92 0 0 cm /Im0 Do Q"))
pdf(os.path.join(out, "scans-500.pdf"), objects)

# Forms nested 9 deep, each drawing the next 10 times; the last draws lines.
depth = 9
objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /XObject "
           b"<< /F0 5 0 R >> >> /Contents 4 0 R >>",
           stream(b"", b"/F0 Do")]
for level in range(depth):
    if level + 1 < depth:
        content = b" ".join([b"q 1 0 0 1 0.1 0.1 cm /F Do Q"] * 10)
        resources = b"/Resources << /XObject << /F %d 0 R >> >>" % (6 + level)
    else:
        content = b"0 0 m 595 842 l S " * 10
        resources = b""
    objects.append(stream(b"/Type /XObject /Subtype /Form /BBox [0 0 595 842] " + resources,
                          content))
pdf(os.path.join(out, "nested.pdf"), objects)
