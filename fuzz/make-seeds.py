#!/usr/bin/env python3
"""Writes the seed files of the fuzz targets into fuzz/corpus/: a few small valid inputs and
broken variants of them. The output is committed; run this again only to change the seeds.
The bitmap seeds named tool-* are files as ImageMagick writes them (convert of an 8 × 6
picture with -type TrueColor, TrueColorAlpha, TrueColor -define bmp:subtype=RGB565,
Palette -compress none, Bilevel, and Palette into BMP2:, and a 6 × 20 gradient with
-type Palette, which ImageMagick compresses), made once and kept."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- dx000.bmp -------------------------------------------------------------------------------

def bitmap(width, height, bits, top_down=False, header_size=40, compression=0, colors_used=0,
           planes=1, pixel_bytes=None):
    stride = (width * bits + 31) // 32 * 4 if width > 0 and bits in (16, 24, 32) else 0
    rows = abs(height) if height != -2**31 else 0
    if pixel_bytes is None:
        pixels = bytearray()
        for stored in range(min(rows, 64)):
            row = bytearray()
            for x in range(width):
                r, g, b = (x * 60) & 0xFF, (stored * 50) & 0xFF, 0x80
                if bits == 16:
                    row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
                else:
                    row += bytes((b, g, r)) + (b"\0" if bits == 32 else b"")
            pixels += row + b"\0" * (stride - len(row))
        pixel_bytes = bytes(pixels)
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height,
                       planes, bits, compression, len(pixel_bytes), 2835, 2835, colors_used, 0)
    info = info[:header_size] if header_size < 40 else info + b"\0" * (header_size - 40)
    head = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixel_bytes), 0, 0, 14 + len(info))
    return head + info + pixel_bytes


write("bitmap_file", "valid-4x4-16bpp", bitmap(4, 4, 16))
write("bitmap_file", "valid-4x4-24bpp", bitmap(4, 4, 24))
write("bitmap_file", "valid-4x4-32bpp", bitmap(4, 4, 32))
write("bitmap_file", "valid-4x4-24bpp-top-down", bitmap(4, 4, 24, top_down=True))
write("bitmap_file", "valid-3x5-24bpp-padded-rows", bitmap(3, 5, 24))
write("bitmap_file", "valid-1x1-32bpp-top-down", bitmap(1, 1, 32, top_down=True))
write("bitmap_file", "valid-300x2-16bpp-wider-than-surface", bitmap(300, 2, 16))
write("bitmap_file", "broken-empty", b"")
write("bitmap_file", "broken-file-header-only", bitmap(4, 4, 24)[:14])
write("bitmap_file", "broken-headers-without-pixels", bitmap(4, 4, 24)[:54])
write("bitmap_file", "broken-last-row-cut", bitmap(4, 4, 24)[:-5])
write("bitmap_file", "broken-core-header", bitmap(4, 4, 24, header_size=12))
write("bitmap_file", "broken-v5-header", bitmap(4, 4, 32, header_size=124))
write("bitmap_file", "broken-8bpp-colour-table", bitmap(4, 4, 8, colors_used=256,
                                                        pixel_bytes=b"\x40" * 1024 + b"\1" * 16))
write("bitmap_file", "broken-bitfields", bitmap(4, 4, 32, compression=3,
                                                pixel_bytes=struct.pack("<III", 0xFF0000, 0xFF00,
                                                                        0xFF) + b"\x7f" * 64))
write("bitmap_file", "broken-height-min", bitmap(4, -2**31, 24, pixel_bytes=b"\x10" * 48))
write("bitmap_file", "broken-width-zero", bitmap(0, 4, 24, pixel_bytes=b"\x10" * 48))
write("bitmap_file", "broken-width-negative", bitmap(-4, 4, 24, pixel_bytes=b"\x10" * 48))
write("bitmap_file", "broken-width-huge", bitmap(0x7FFFFFFF, 1, 32, pixel_bytes=b"\x10" * 48))
write("bitmap_file", "broken-height-huge", bitmap(4, 0x40000000, 24, pixel_bytes=b"\x10" * 48))
write("bitmap_file", "broken-planes", bitmap(4, 4, 24, planes=2))

# --- records.dat ------------------------------------------------------------------------------

NAMES = [b"GANT", b"LUVESH", b"TROK", b"PIMU", b"ADMIN", b"QUELTA", b"ZORBU"]


def record(name, score, lines, seconds):
    return name[:16].ljust(16, b"\0") + struct.pack("<iii", score, lines, seconds)


def default_table():
    # The names an unseeded generator picks: state 1, x 214013 + 2531011, bits 16 to 30.
    state, table = 1, b""
    for i in range(10):
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        score = 2000 - 200 * i
        table += record(NAMES[((state >> 16) & 0x7FFF) % 7], score, score // 150, 276 - 23 * i)
    return table + b"\0" * 28


def finished_game(score, lines, seconds, screen, slide, name):
    # The fuzz target reads the bytes after the file with libFuzzer's FuzzedDataProvider:
    # numbers from the end backwards (a 32-bit one as its offset from the lowest value, little-
    # endian), the typed name from the front up to a backslash and one more character.
    def int32(v):
        return struct.pack("<I", (v + 2**31) & 0xFFFFFFFF)
    return (name + b"\\;" + bytes((slide, screen)) + int32(seconds) + int32(lines) +
            int32(score))


default = default_table()
write("records", "valid-default-table", default)
write("records", "valid-default-table-with-game", default + finished_game(1000, 6, 161, 0, 0,
                                                                          b"PLAYER ONE"))
write("records", "valid-default-table-small-screen", default + finished_game(2500, 17, 300, 2,
                                                                             40, b"AB"))
write("records", "broken-empty", b"")
write("records", "broken-short", default[:100])
write("records", "broken-one-record", default[:28])
write("records", "broken-long", default + b"\xff" * 92)
unterminated = b"".join(record(b"ABCDEFGHIJKLMNOP", 3000 - 100 * i, i, 60 * i) for i in range(11))
write("records", "broken-names-without-nul", unterminated)
unordered = b"".join(record(b"X%d" % i, (i * 7919) % 5000 - 1000, i, i) for i in range(11))
write("records", "broken-unordered-and-negative", unordered + finished_game(-5, -1, -61, 3, 99,
                                                                            b"\x80\xff\x01"))
write("records", "broken-all-ones", b"\xff" * 308)

# --- replay files -----------------------------------------------------------------------------

with open(os.path.join(HERE, "..", "tests", "replays", "empty-table-1920x1080.sfr"), "rb") as f:
    game = f.read()
write("replay_file", "valid-empty-table-1920x1080", game)
write("replay_file", "valid-cut-between-events", game[:len(game) // 2 - 1])
write("replay_file", "broken-cut-inside-key-event", game[:len(game) // 2])
write("replay_file", "valid-no-records-keys-and-focus",
      b"SFRP\x01\x28\x1e\x07\0\0\0\0" + b"\x05\x81\x25\x80\x90\x03\x82\x25\x84\x83\x01")
write("replay_file", "broken-end-miscounted", game[:-83] + b"\0\x05" + game[-80:])
write("replay_file", "broken-version-2", game[:4] + b"\x02" + game[5:])
write("replay_file", "broken-records-too-long", b"SFRP\x01\x28\x1e\x07\0\0\0\x01\xb5\x02")
