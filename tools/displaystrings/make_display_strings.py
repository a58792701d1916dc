#!/usr/bin/env python3
"""Writes resources/DisplayStrings.strings: the placard's lines, one per line
feed, as UTF-16 big-endian text without a byte order mark and without a final
line feed (a final one would add an empty line to the cycle).

Run: tools/displaystrings/make_display_strings.py resources/DisplayStrings.strings
"""
import sys

LINES = [
    "Drag me, then let go!",
    "Moo.",
    "Hold on to your hay",
    "This cow can fly",
    "Double tap for more",
    "Udderly fantastic",
    "Gravity is optional today",
    "Born to graze, forced to bounce",
    "Please do not tip the cow",
    "Grass is greener over here",
    "Mooving right along",
    "Муу! Привет из поля",
    "Η αγελάδα πετάει",
    "Eight bounces and a nap, every single time, no matter what the farmer says",
]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_display_strings.py OUT.strings")
    with open(sys.argv[1], "wb") as out:
        out.write("\n".join(LINES).encode("utf-16-be"))


if __name__ == "__main__":
    main()
