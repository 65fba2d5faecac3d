#!/usr/bin/env python3
"""Checks a screenshot of the whole screen taken with `xwd -root`.

usage: frame_check.py SHOT.xwd WIDTH HEIGHT LOW HIGH [PNG]

Passes (exit 0) when the screen is WIDTHxHEIGHT and every pixel's red, green and blue values lie
in [LOW, HIGH]; otherwise says what it found and exits 1. With PNG, also writes the screenshot
there, for a person to look at.
"""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    (header_size, _version, _format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order,
     _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_per_rgb,
     _entries, ncolors) = header[:20]
    if bits_per_pixel != 32 or (red_mask, green_mask, blue_mask) != (0xFF0000, 0xFF00, 0xFF):
        sys.exit(f"frame_check: unsupported screenshot: {bits_per_pixel} bits per pixel, masks "
                 f"{red_mask:#x} {green_mask:#x} {blue_mask:#x}")
    pixels = data[header_size + 12 * ncolors:]
    rows = b"".join(pixels[y * bytes_per_line:y * bytes_per_line + 4 * width] for y in range(height))
    # Byte order 0: least significant byte first, so each pixel is B, G, R, unused.
    offsets = (2, 1, 0) if byte_order == 0 else (1, 2, 3)
    channels = [rows[o::4] for o in offsets]
    return width, height, channels


def write_png(path, width, height, channels):
    red, green, blue = channels
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        row = bytearray(3 * width)
        row[0::3] = red[y * width:(y + 1) * width]
        row[1::3] = green[y * width:(y + 1) * width]
        row[2::3] = blue[y * width:(y + 1) * width]
        raw += row

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 6)))
        f.write(chunk(b"IEND", b""))


def main():
    if len(sys.argv) not in (6, 7):
        sys.exit(__doc__)
    path, want_width, want_height, low, high = sys.argv[1], *map(int, sys.argv[2:6])
    width, height, channels = read_xwd(path)
    if len(sys.argv) == 7:
        write_png(sys.argv[6], width, height, channels)
    lows = [min(c) for c in channels]
    highs = [max(c) for c in channels]
    print(f"screen {width}x{height}; red, green, blue range from {lows} to {highs}")
    if (width, height) != (want_width, want_height):
        print(f"frame_check: the screen is {width}x{height}, not {want_width}x{want_height}")
        return 1
    if min(lows) < low or max(highs) > high:
        print(f"frame_check: pixels outside [{low}, {high}]")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
