#!/usr/bin/env python3
"""Cuts DejaVu Sans down to what the page shows: printable ASCII and Latin-1,
the ellipsis and the replacement character the text drawing uses, and every
letter of the display strings. Written as WOFF (zlib), loaded as a FontFace.

    web_font.py PYFTSUBSET FONT.ttf DisplayStrings.strings OUT.woff

PYFTSUBSET is Debian's fonttools program (it runs under the system's Python).
"""
import subprocess
import sys


def strings_text(path):
    data = open(path, "rb").read()
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        return data.decode("utf-16")
    if len(data) > 1 and data[0] == 0 and data[1] != 0:
        return data.decode("utf-16-be")
    if len(data) > 1 and data[1] == 0 and data[0] != 0:
        return data.decode("utf-16-le")
    return data.decode("utf-8")


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: web_font.py PYFTSUBSET FONT.ttf DisplayStrings.strings OUT.woff")
    pyftsubset, font, strings, out = sys.argv[1:]
    letters = "".join(sorted(set(strings_text(strings)) - set("\r\n")))
    subprocess.run([pyftsubset, font, "--unicodes=U+0020-007E,U+00A0-00FF,U+2026,U+FFFD",
                 "--text=" + letters, "--layout-features=*", "--flavor=woff",
                    "--output-file=" + out], check=True)


if __name__ == "__main__":
    main()
