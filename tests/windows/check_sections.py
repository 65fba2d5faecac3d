#!/usr/bin/env python3
"""Checks where kyla.exe keeps its data, from the build machine with the toolchain's objdump.

usage: check_sections.py OBJDUMP KYLA_EXE

The shader table sits in ".shader", the display-mode record in ".screens" and the float-to-int
routine in "ftol"; the record is a DEVMODEA of 156 bytes with only dmSize (156), dmFields
(DM_PELSWIDTH | DM_PELSHEIGHT), dmPelsWidth (1920) and dmPelsHeight (1080) set.
"""
import re
import struct
import subprocess
import sys

DEVMODEA_SIZE = 156
EXPECTED_SECTIONS = {"shaderSources": ".shader", "displayMode": ".screens", "kylaFtol": "ftol"}


def objdump(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True).stdout


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    tool, exe = sys.argv[1:]
    sections = dict(re.findall(r"^\s*(\d+) (\S+)\s", objdump(tool, "-h", exe), re.M))
    # Symbol lines: "[ n](sec  k)(fl ...)...(nx n) 0x<offset in section> name"; k counts from 1.
    placed = {name: (sections.get(str(int(sec) - 1)), int(offset, 16))
              for sec, offset, name in re.findall(r"\(sec\s+(-?\d+)\).* 0x([0-9a-f]+) (\S+)$",
                                                  objdump(tool, "-t", exe), re.M)
              if name in EXPECTED_SECTIONS}
    failures = [f"{name} is in {placed.get(name, ('nowhere',))[0]}, not {section}"
                for name, section in EXPECTED_SECTIONS.items() if placed.get(name, (None,))[0] != section]

    dump = objdump(tool, "-s", "-j", ".screens", exe)
    words = re.findall(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ?){1,4})", dump, re.M)
    contents = bytes.fromhex("".join(w.replace(" ", "") for w in words))
    start = placed.get("displayMode", (None, 0))[1]
    record = contents[start:start + DEVMODEA_SIZE]
    expected = bytearray(DEVMODEA_SIZE)
    struct.pack_into("<H", expected, 36, DEVMODEA_SIZE)  # dmSize
    struct.pack_into("<I", expected, 40, 0x00180000)     # dmFields
    struct.pack_into("<II", expected, 108, 1920, 1080)   # dmPelsWidth, dmPelsHeight
    if record != expected:
        failures.append(f"the display-mode record is {record.hex()}, not {expected.hex()}")

    for failure in failures:
        print(f"check_sections: {failure}")
    if not failures:
        print("shaderSources in .shader, displayMode in .screens (DEVMODEA 1920x1080), kylaFtol in ftol")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
