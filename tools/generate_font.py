#!/usr/bin/env python3
"""Generates src/drawing/font_cp437.cpp, the 8 x 16 code-page-437 screen font.

Each byte's glyph is taken from the first source that has it:
  1. the VGA 8x16 console fonts of Debian's console-setup-linux, looked up by
     the Unicode character that code page 437 shows for the byte;
  2. the Terminus 8x16 IBM-437 font of Debian's xfonts-terminus-dos, looked up
     by the byte itself.
Bytes 0x00, 0x20 and 0xFF stay blank. The table stores one byte per glyph row
with bit 0 as the leftmost pixel.

Usage: tools/generate_font.py [output file]
       tools/generate_font.py --check [file]   exit status 1, naming the first
                                                glyph that differs, unless the
                                                file is what the sources give
"""

import gzip
import pathlib
import struct
import sys

CONSOLE_FONTS = [
    "/usr/share/consolefonts/Uni2-VGA16.psf.gz",
    "/usr/share/consolefonts/FullGreek-VGA16.psf.gz",
]
TERMINUS_FONT = "/usr/share/fonts/X11/misc/ter-u16n_ibm437.pcf.gz"
WIDTH, HEIGHT = 8, 16
BLANK_BYTES = (0x00, 0x20, 0xFF)

# Code page 437 shows the control bytes as these graphic characters.
CONTROL_PICTURES = "\u0000☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼"


def cp437_character(byte):
    if byte < 0x20:
        return CONTROL_PICTURES[byte]
    if byte == 0x7F:
        return "⌂"
    return bytes([byte]).decode("cp437")


def load_psf1(path):
    """Returns {character: 16 glyph rows} of a PSF version 1 font with a Unicode table."""
    data = gzip.open(path).read()
    if data[:2] != b"\x36\x04":
        sys.exit(f"{path}: not a PSF1 font")
    mode, height = data[2], data[3]
    if height != HEIGHT or not mode & 0x02:
        sys.exit(f"{path}: not an 8x16 font with a Unicode table")
    count = 512 if mode & 0x01 else 256
    glyphs = [data[4 + i * height:4 + (i + 1) * height] for i in range(count)]
    table = data[4 + count * height:]
    mapping = {}
    glyph, in_sequence = 0, False
    for (code,) in struct.iter_unpack("<H", table):
        if code == 0xFFFF:
            glyph, in_sequence = glyph + 1, False
        elif code == 0xFFFE:
            in_sequence = True  # combining sequences are of no use here
        elif not in_sequence:
            mapping.setdefault(chr(code), glyphs[glyph])
    return mapping


def load_pcf(path):
    """Returns {encoding: 16 rows, leftmost pixel in bit 7} of an 8-pixel-wide PCF font."""
    data = gzip.open(path).read()
    if data[:4] != b"\x01fcp":
        sys.exit(f"{path}: not a PCF font")
    (table_count,) = struct.unpack_from("<I", data, 4)
    tables = {}
    for i in range(table_count):
        kind, fmt, size, offset = struct.unpack_from("<4I", data, 8 + 16 * i)
        tables[kind] = offset

    def table_header(kind):
        offset = tables[kind]
        (fmt,) = struct.unpack_from("<I", data, offset)
        return offset + 4, fmt, (">" if fmt & 0x04 else "<")

    offset, fmt, order = table_header(0x100)  # BDF accelerators
    font_ascent, font_descent = struct.unpack_from(order + "2i", data, offset + 8)
    if font_ascent + font_descent != HEIGHT:
        sys.exit(f"{path}: not a 16-pixel font")

    offset, fmt, order = table_header(0x04)  # metrics
    metrics = []
    if fmt & 0x100:
        (count,) = struct.unpack_from(order + "H", data, offset)
        for i in range(count):
            left, right, width, ascent, descent = (
                value - 0x80 for value in data[offset + 2 + 5 * i:offset + 7 + 5 * i])
            metrics.append((left, right, ascent, descent))
    else:
        (count,) = struct.unpack_from(order + "I", data, offset)
        for i in range(count):
            left, right, width, ascent, descent, _ = struct.unpack_from(
                order + "5hH", data, offset + 4 + 12 * i)
            metrics.append((left, right, ascent, descent))

    offset, fmt, order = table_header(0x08)  # bitmaps
    if not fmt & 0x08:
        sys.exit(f"{path}: bitmaps stored least significant bit first")
    (count,) = struct.unpack_from(order + "I", data, offset)
    bitmap_offsets = struct.unpack_from(order + f"{count}I", data, offset + 4)
    bitmap_data = offset + 4 + 4 * count + 16
    row_bytes = 1 << (fmt & 0x03)

    offset, fmt, order = table_header(0x20)  # encodings
    first_col, last_col, first_row, last_row, _ = struct.unpack_from(order + "5h", data, offset)
    columns = last_col - first_col + 1
    entries = columns * (last_row - first_row + 1)
    indexes = struct.unpack_from(order + f"{entries}H", data, offset + 10)

    glyphs = {}
    for slot, index in enumerate(indexes):
        if index == 0xFFFF:
            continue
        encoding = (first_row + slot // columns) * 256 + first_col + slot % columns
        left, right, ascent, descent = metrics[index]
        if left < 0 or right > WIDTH:
            sys.exit(f"{path}: glyph {encoding} wider than {WIDTH} pixels")
        rows = bytearray(HEIGHT)
        start = bitmap_data + bitmap_offsets[index]
        for line in range(ascent + descent):
            rows[font_ascent - ascent + line] = data[start + line * row_bytes] >> left
        glyphs[encoding] = bytes(rows)
    return glyphs


def leftmost_in_bit_0(row):
    return int(f"{row:08b}"[::-1], 2)


def build_font():
    console_fonts = [load_psf1(path) for path in CONSOLE_FONTS]
    terminus = load_pcf(TERMINUS_FONT)
    font, origins = [], []
    for byte in range(256):
        character = cp437_character(byte)
        if byte in BLANK_BYTES:
            rows, origin = bytes(HEIGHT), "blank"
        else:
            found = [(font[character], path) for font, path in zip(console_fonts, CONSOLE_FONTS)
                     if character in font]
            if found:
                rows, origin = found[0]
            elif byte in terminus:
                rows, origin = terminus[byte], TERMINUS_FONT
            else:
                sys.exit(f"no glyph for byte 0x{byte:02X} ({character})")
        font.append(bytes(leftmost_in_bit_0(row) for row in rows))
        origins.append(pathlib.Path(origin).name.split(".")[0])
    return font, origins


def describe(byte):
    character = cp437_character(byte)
    return "blank" if byte in BLANK_BYTES else f"U+{ord(character):04X} {character}"


def source_text(font, origins):
    lines = [
        "// Generated by tools/generate_font.py; do not edit. Origin and licence: FONT-LICENSE.",
        "#include \"drawing/font.h\"",
        "",
        "namespace novabit {",
        "",
        "const std::array<std::uint8_t, 256 * 16>& screen_font() {",
        "  // Glyph of byte b: 16 rows at offset 16 * b, bit 0 of a row is its leftmost pixel.",
        "  // clang-format off",
        "  static constexpr std::array<std::uint8_t, 256 * 16> glyphs = {",
    ]
    for byte, rows in enumerate(font):
        values = ", ".join(f"0x{row:02X}" for row in rows)
        lines.append(f"      {values},  // 0x{byte:02X} {describe(byte)} ({origins[byte]})")
    lines += ["  };", "  // clang-format on", "  return glyphs;", "}", "", "}  // namespace novabit", ""]
    return "\n".join(lines)


def check(generated, path):
    """Names the first line of `path` that the sources do not give."""
    kept = pathlib.Path(path).read_text(encoding="utf-8").split("\n")
    for number, (wanted, found) in enumerate(zip(generated.split("\n"), kept), start=1):
        if wanted != found:
            sys.exit(f"{path}:{number}: not what the source fonts give:\n  {found}\n  {wanted}")
    if len(generated.split("\n")) != len(kept):
        sys.exit(f"{path}: not as long as what the source fonts give")


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    arguments = sys.argv[1:]
    checking = arguments[:1] == ["--check"]
    arguments = arguments[1:] if checking else arguments
    path = arguments[0] if arguments else root / "src/drawing/font_cp437.cpp"
    generated = source_text(*build_font())
    if checking:
        check(generated, path)
    else:
        pathlib.Path(path).write_text(generated, encoding="utf-8")


if __name__ == "__main__":
    main()
