#!/usr/bin/env python3
"""The canvas drawing backend and Web Audio on the page, against the native program:
the resting placard at pixel ratio 2 equals the native frame at zoom 2 (the picture
pixel for pixel), each display string's line is fitted, cut in the middle and placed
as natively (its ink in the same box, its pixels close), sound waits for a gesture,
and after a show every sound file played was prepared once and every node started
has ended or been stopped; a damaged picture gets the same line as natively, and
a missing font one line.

    tests/web/canvas_test.py [--native BUILD] [--web BUILD_WEB]

Prints one line per check; status 1 when any fails."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402

NATIVE_BUILD, WEB = devtools.build_folders(__doc__.split("\n")[0])
NATIVE = os.path.join(NATIVE_BUILD, "bin", "paddock")
# In device pixels at zoom 2: the placard, and its text band (shadow included).
PLACARD = (112, 192, 528, 768)
TEXT_BAND = (116, 262, 524, 336)
WHOLE_BAND = (0, 0, TEXT_BAND[2] - TEXT_BAND[0], TEXT_BAND[3] - TEXT_BAND[1])
STRINGS = 14  # lines in the bundle's display strings, the last cut in the middle
# Outlines rasterised by cairo and by the browser differ at the glyphs' edges.
TEXT_MEAN = 8.0
INK_SLACK = 2

check = devtools.Checks()


class Frame:
    def __init__(self, png):
        self.w, self.h, self.rows = devtools.read_png(png)

    def crop(self, box):
        x0, y0, x1, y1 = box
        part = Frame.__new__(Frame)
        part.w, part.h = x1 - x0, y1 - y0
        part.rows = [r[4 * x0:4 * x1] for r in self.rows[y0:y1]]
        return part

    def channels(self, box):
        x0, y0, x1, y1 = box
        return [self.rows[y][4 * x + c] for y in range(y0, y1) for x in range(x0, x1)
                for c in range(3)]

    def ink(self, box):
        """The bounding box of the white text's pixels inside `box`."""
        x0, y0, x1, y1 = box
        xs, ys = [], []
        for y in range(y0, y1):
            r = self.rows[y]
            for x in range(x0, x1):
                if min(r[4 * x], r[4 * x + 1], r[4 * x + 2]) > 200:
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def differences(a, b, box):
    d = [abs(p - q) for p, q in zip(a.channels(box), b.channels(box))]
    return sum(d) / len(d), max(d)


def outside(box, hole):
    """`box` without the rows of `hole`: above and below it."""
    return [(box[0], box[1], box[2], hole[1]), (box[0], hole[3], box[2], box[3])]


def native_frames(tmp):
    """The resting placard and each next line after a double tap, at zoom 2."""
    lines = ["0.20 snapshot %s/0.png" % tmp]
    for k in range(1, STRINGS):
        t = 0.5 + 0.6 * k
        lines += ["%.2f down 40 450" % t, "%.2f up 40 450" % (t + 0.02),
                  "%.2f down 40 450" % (t + 0.1), "%.2f up 40 450" % (t + 0.12),
                  "%.2f snapshot %s/%d.png" % (t + 0.4, tmp, k)]
    lines.append("%.2f quit" % (1.0 + 0.6 * STRINGS))
    script = os.path.join(tmp, "lines.script")
    open(script, "w").write("\n".join(lines) + "\n")
    subprocess.run([NATIVE, "--headless", "--zoom", "2", "--script", script], check=True,
                   timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return [Frame(open("%s/%d.png" % (tmp, k), "rb").read()) for k in range(STRINGS)]


def band(b):
    """The text band alone (a small screenshot is quick to read)."""
    x0, y0, x1, y1 = TEXT_BAND
    return Frame(b.screenshot(clip=(x0 / 2, y0 / 2, (x1 - x0) / 2, (y1 - y0) / 2)))


def next_line(b, before):
    """Double-taps beside the placard until its text changes (a loaded machine may
    take the two taps for single ones); the frame with the next line."""
    for attempt in range(3):
        b.tap(40, 450)
        b.pump(0.08)
        b.tap(40, 450)
        deadline = time.monotonic() + 1.5
        while time.monotonic() < deadline:
            b.pump(0.15)
            now = band(b)
            if differences(now, before, WHOLE_BAND)[0] > 1:
                return now
    return before


def page_lines(folder, leave_out="", cut_short=""):
    """The console of the page served from a copy of it without `leave_out` and with
    the bundle's file `cut_short` (if any) cut to half its length."""
    os.makedirs(os.path.join(folder, "bundle"))
    for name in os.listdir(WEB):
        if name not in ("bundle", leave_out):
            os.symlink(os.path.join(WEB, name), os.path.join(folder, name))
    for name in os.listdir(os.path.join(WEB, "bundle")):
        shutil.copy(os.path.join(WEB, "bundle", name), os.path.join(folder, "bundle"))
    if cut_short:
        cut(os.path.join(folder, "bundle", cut_short))
    with devtools.serve(folder) as base, devtools.Browser(width=320, height=480, dpr=2) as b:
        b.open(base + "/index.html")
        b.wait_for("Module.paddockFirstFrame", timeout=20)
        return [text for _, text in b.console]


def cut(path):
    data = open(path, "rb").read()
    open(path, "wb").write(data[:len(data) // 2])


def native_lines(folder, cut_short):
    """The native program's standard error, run from a copy of it whose resource
    `cut_short` is cut to half its length."""
    resources = os.path.join(folder, "share", "paddock", "resources")
    shutil.copytree(os.path.join(os.path.dirname(NATIVE), "..", "share", "paddock", "resources"),
                    resources)
    os.makedirs(os.path.join(folder, "bin"))
    shutil.copy(NATIVE, os.path.join(folder, "bin"))
    cut(os.path.join(resources, cut_short))
    script = os.path.join(folder, "quit.script")
    open(script, "w").write("0.1 quit\n")
    run = subprocess.run([os.path.join(folder, "bin", "paddock"), "--headless", "--zoom", "2",
                          "--script", script], timeout=60, capture_output=True, text=True)
    return run.stderr.splitlines()


def main():
    if not os.path.isfile(os.path.join(WEB, "paddock.wasm")):
        print("FAIL no page in %s (run scripts/web)" % WEB)
        return 1
    with tempfile.TemporaryDirectory(prefix="paddock-canvas-test-") as tmp:
        native = native_frames(tmp)
    with devtools.serve(WEB) as base, devtools.Browser(width=320, height=480, dpr=2) as b:
        b.open(base + "/index.html")
        b.wait_for("Module.paddockFirstFrame", timeout=20)
        b.pump(0.3)
        audio = b.evaluate("Module.paddockAudioReport()")
        check(audio["state"] == "suspended", "sound waits for a gesture", str(audio))

        rest = Frame(b.screenshot())
        check((rest.w, rest.h) == (640, 960), "the frame is 640 x 960 device pixels",
              "%d x %d" % (rest.w, rest.h))
        worst = max(differences(rest, native[0], box)[1]
                    for box in outside(PLACARD, TEXT_BAND) + [(0, 0, 640, PLACARD[1])])
        check(worst == 0, "the picture lands where the native frame has it, pixel for pixel",
              "largest difference %d" % worst)

        page = rest.crop(TEXT_BAND)
        for k in range(STRINGS):
            if k:
                page = next_line(b, page)
            there = native[k].crop(TEXT_BAND)
            mean, _ = differences(page, there, WHOLE_BAND)
            a, n = page.ink(WHOLE_BAND), there.ink(WHOLE_BAND)
            placed = a and n and all(abs(p - q) <= INK_SLACK for p, q in zip(a, n))
            check(placed and mean <= TEXT_MEAN,
                  "line %d fitted and placed as natively%s" % (
                      k, " (cut in the middle)" if k == STRINGS - 1 else ""),
                  "ink %s, native %s, mean difference %.2f" % (a, n, mean))

        # A show: the release starts it; every node ends or is stopped.
        b.touch("start", 160, 240)
        b.pump(0.1)
        b.touch("move", 200, 300)
        b.pump(0.1)
        b.touch("end", 200, 300)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and not any(
                text.endswith("show end") for _, text in b.console):
            b.pump(0.2)
        # The last moo may still sound for a few seconds.
        b.wait_for("Module.paddockAudioReport().playing == 0", timeout=10)
        audio = b.evaluate("Module.paddockAudioReport()")
        files = {text.rsplit(" ", 1)[1] for _, text in b.console
                 if text.startswith("trace: ") and " sound played " in text}
        check(audio["state"] == "running" and audio["started"] > 0 and audio["playing"] == 0
              and audio["ended"] + audio["stopped"] == audio["started"]
              and audio["decoded"] == len(files) > 1,
              "after a show every sound file was prepared once and every node started has "
              "ended or been stopped", "%s; %d files played" % (audio, len(files)))
        errors = [text for kind, text in b.console if kind in ("error", "exception")]
        check(not errors, "no errors in the console", "; ".join(errors[:3]))

    # A damaged picture: one line, the same problem as natively, whatever its folder.
    # Without its font the page says so once.
    with tempfile.TemporaryDirectory(prefix="paddock-canvas-test-") as tmp:
        page = [line for line in page_lines(os.path.join(tmp, "a"), cut_short="cow@2x.png")
                if "cow@2x.png" in line]
        native = [line for line in native_lines(os.path.join(tmp, "n"), "cow@2x.png")
                  if "cow@2x.png" in line]
        fonts = [line for line in page_lines(os.path.join(tmp, "b"), "paddock-sans.woff")
                 if "font" in line]
    problem = [line.split(" cannot be used: ", 1)[-1] for line in page + native]
    check(len(page) == 1 and len(native) == 1 and problem[0] == problem[1],
          "a damaged picture is refused in one line, as natively",
          "page %s, native %s" % (page, native))
    check(len(fonts) == 1 and fonts[0].startswith("no usable font")
          and "paddock-sans.woff" in fonts[0], "a page without its font says so once",
          str(fonts))
    return check.status()


if __name__ == "__main__":
    sys.exit(main())
