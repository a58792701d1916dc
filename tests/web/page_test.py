#!/usr/bin/env python3
"""The page in headless chromium on a phone viewport (mobile, touch, pixel ratio 2):
first frame time, a drag and release by touch, the show over black, the placard
back at the centre, a double tap beside it turning its text, the trace's cues
against the native headless run of the same drag, Web Audio's report, and what
the page loads, gzipped.

    tests/web/page_test.py [--native BUILD] [--web BUILD_WEB]

BUILD holds bin/paddock (default build/), BUILD_WEB the page (default
build-web/, made by scripts/web). Prints one line per check; status 1 when any
fails."""

import gzip
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402

NATIVE_BUILD, WEB = devtools.build_folders(__doc__.split("\n")[0])
NATIVE = os.path.join(NATIVE_BUILD, "bin", "paddock")
CLOCK_START = 1000
FIRST_FRAME_MS = 1500
PAGE_BYTES_GZIPPED = 600 * 1024
# The placard resting at the centre and its text band, in stage points.
PLACARD = (56, 96, 264, 384)
TEXT_BAND = (62, 130, 258, 170)
# The drag, in stage points and seconds from the first touch.
DRAG = [(0.0, 160, 240)] + [(0.1 + 0.03 * i, 160 + 9 * i, 240 + 14 * i) for i in range(1, 11)]

check = devtools.Checks()


class Picture:
    """A screenshot at one pixel per stage point."""

    def __init__(self, browser):
        self.w, self.h, self.rows = devtools.read_png(browser.screenshot(scale=0.5))

    def px(self, x, y):
        r = self.rows[y]
        return r[4 * x], r[4 * x + 1], r[4 * x + 2]

    def pixels(self, box):
        x0, y0, x1, y1 = box
        return [self.px(x, y) for y in range(y0, y1) for x in range(x0, x1)]

    def mean_difference(self, other, box):
        a, b = self.pixels(box), other.pixels(box)
        return sum(abs(p - q) for pa, pb in zip(a, b) for p, q in zip(pa, pb)) / (3.0 * len(a))


def black(p):
    return max(p) < 24


def cow_coloured(p):
    # The hide's lit browns and pinks: red leads, blue trails, bright enough.
    r, g, b = p
    return r > 110 and r > g + 15 and g >= b


def trace_lines(console):
    return [text[len("trace: "):] for kind, text in console if text.startswith("trace: ")]


def cues(lines):
    """The show's documented sequence, without times: starts, cues, sounds, ends."""
    out = []
    for line in lines:
        words = line.split(" ", 1)[1] if " " in line else line
        if words.startswith(("cue ", "show ", "sound played")):
            out.append(words)
    return out


def native_cues(drag):
    """The same drag and release in a native headless run with the same clock start."""
    with tempfile.TemporaryDirectory(prefix="paddock-page-test-") as tmp:
        script = os.path.join(tmp, "drag.script")
        trace = os.path.join(tmp, "trace.txt")
        steps = ["%.2f %s %d %d" % (0.5 + t, "down" if i == 0 else "move", x, y)
                 for i, (t, x, y) in enumerate(drag)]
        t, x, y = drag[-1]
        steps += ["%.2f up %d %d" % (0.6 + t, x, y), "16 quit"]
        open(script, "w").write("\n".join(steps) + "\n")
        subprocess.run([NATIVE, "--headless", "--script", script, "--clock-start",
                        str(CLOCK_START), "--trace", trace], check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return cues(open(trace).read().splitlines())


def page_bytes(browser):
    """What the page fetched (every resource and the page itself), gzipped by us."""
    names = browser.evaluate(
        "performance.getEntriesByType('resource').map(e => e.name)"
        ".concat([location.href])")
    total, files = 0, []
    for url in names:
        path = urllib.parse.urlparse(url).path.lstrip("/") or "index.html"
        local = os.path.join(WEB, path)
        if not os.path.isfile(local):
            check(False, "the page fetches only files that exist", path)
            continue
        size = len(gzip.compress(open(local, "rb").read(), 9))
        files.append((size, path))
        total += size
    return total, sorted(files, reverse=True)


def main():
    if not os.path.isfile(os.path.join(WEB, "paddock.wasm")):
        print("FAIL no page in %s (run scripts/web)" % WEB)
        return 1
    with devtools.serve(WEB) as base, devtools.Browser(width=320, height=480, dpr=2) as b:
        # The first frame: once in a browser just started (its GPU process and
        # SwiftShader start with the page), then again as a phone's browser would
        # load it, already running, nothing cached; the second load is tested on.
        b.send("Network.setCacheDisabled", cacheDisabled=True)
        b.open(base + "/index.html")
        cold = b.wait_for("Module.paddockFirstFrame", timeout=20)
        b.console.clear()
        b.open("%s/index.html?clock-start=%d" % (base, CLOCK_START))
        first = b.wait_for("Module.paddockFirstFrame", timeout=20)
        check(first <= FIRST_FRAME_MS, "first frame within %d ms" % FIRST_FRAME_MS,
              "%.0f ms from navigation (%.0f ms in a browser just started)" % (first, cold))
        check(b.evaluate("[innerWidth, innerHeight, devicePixelRatio, "
                         "document.getElementById('stage').width]") == [320, 480, 2, 640],
              "a phone viewport at pixel ratio 2 gets a 640 x 960 canvas")
        b.pump(0.3)
        resting = Picture(b)
        check(not black(resting.px(160, 240)) and black(resting.px(300, 440)),
              "the placard rests at the centre on black")

        # A drag by touch: the placard follows the finger.
        start = time.monotonic()
        for i, (t, x, y) in enumerate(DRAG):
            b.pump(max(0.0, start + t - time.monotonic()))
            b.touch("start" if i == 0 else "move", x, y)
        b.pump(0.3)
        held = Picture(b)
        check(not black(held.px(300, 440)) and black(held.px(70, 110)),
              "the placard follows the finger", "pixel at (300, 440) %s" % (held.px(300, 440),))
        b.touch("end", *DRAG[-1][1:])

        # The show: the cow over black where the placard was.
        b.pump(0.8)
        show = Picture(b)
        where = show.pixels(PLACARD)
        dark = sum(map(black, where)) / len(where)
        cow = sum(map(cow_coloured, show.pixels((0, 0, 320, 480))))
        check(dark > 0.6 and cow > 200, "the show: cow-coloured pixels over black",
              "%.0f%% of the placard's place black, %d cow pixels" % (100 * dark, cow))

        deadline = time.monotonic() + 15
        while not any(line.endswith("show end") for line in trace_lines(b.console)):
            if time.monotonic() > deadline:
                break
            b.pump(0.2)
        b.pump(2.2)
        back = Picture(b)
        diff = back.mean_difference(resting, (0, 0, 320, 480))
        check(diff < 1.5, "the placard is back at the centre after the show",
              "mean difference %.2f from the resting frame" % diff)

        # A double tap beside the placard: its next line.
        b.tap(40, 450)
        b.pump(0.08)
        b.tap(40, 450)
        b.pump(0.5)
        turned = Picture(b)
        band = turned.mean_difference(resting, TEXT_BAND)
        rest = turned.mean_difference(resting, (0, 200, 320, 480))
        check(band > 3 and rest < 1.5, "a double tap beside the placard changes its text",
              "text band differs by %.2f, the rest by %.2f" % (band, rest))
        check(b.evaluate("visualViewport.scale") == 1 and b.evaluate("scrollY") == 0,
              "the page neither zoomed nor scrolled")

        # The trace's cues equal the native run's of the same drag and clock start.
        web = cues(trace_lines(b.console))
        web = web[:web.index("show end") + 1] if "show end" in web else web
        native = native_cues(DRAG)
        same = web == native
        detail = "%d lines" % len(web)
        if not same:
            n = next((i for i, (p, q) in enumerate(zip(web, native)) if p != q),
                     min(len(web), len(native)))
            detail = "first difference at line %d: page %r, native %r" % (
                n, web[n] if n < len(web) else None, native[n] if n < len(native) else None)
        check(same and len(web) > 10, "the show's cues equal the native run's", detail)

        # Web Audio: the sounds decoded and started, one start per sound played.
        report = b.evaluate("Module.paddockAudioReport()")
        played = sum(1 for line in web if line.startswith("sound played"))
        check(report["decoded"] >= 2 and report["started"] + report.get("unheard", 0) == played
              and report["started"] > 0 and report["state"] == "running",
              "Web Audio decoded and started the sounds",
              "%s; %d played in the trace" % (report, played))

        total, files = page_bytes(b)
        pictures = sorted(p for _, p in files if p.endswith(".png"))
        check(pictures == ["bundle/cow@2x.png"], "the page fetches only the picture for its "
              "pixel ratio", ", ".join(pictures))
        check(total <= PAGE_BYTES_GZIPPED, "the page loads at most %d KB gzipped"
              % (PAGE_BYTES_GZIPPED // 1024), "%.1f KB: %s" % (total / 1024, ", ".join(
                  "%s %.1f" % (p, s / 1024) for s, p in files[:5])))

        errors = [text for kind, text in b.console if kind in ("error", "exception")]
        check(not errors, "no errors in the console", "; ".join(errors[:3]))

    # On a desktop (no touch, pixel ratio 1, a larger window) the mouse is a finger,
    # and the stage is scaled to fit the window.
    with devtools.serve(WEB) as base, devtools.Browser(width=600, height=600, dpr=1,
                                                       mobile=False) as b:
        b.open(base + "/index.html")
        b.wait_for("Module.paddockFirstFrame", timeout=20)
        box = b.evaluate("(r => [r.left, r.top, r.width, r.height])"
                         "(document.getElementById('stage').getBoundingClientRect())")
        check(box == [100, 0, 400, 600], "the stage fits a desktop window", str(box))
        # Stage points to window pixels: 600 / 480 of a point each (whole pixels here).
        at = lambda x, y: (100 + x * 1.25, y * 1.25)  # noqa: E731
        b.mouse("pressed", *at(160, 240))
        for i in range(1, 6):
            b.pump(0.03)
            b.mouse("moved", *at(160 + 8 * i, 240 + 8 * i))
        b.pump(0.3)
        touches = [line.split(" ", 1)[1] for line in trace_lines(b.console)
                   if " touch " in line]
        check(len(touches) == 6 and touches[0].startswith("touch began view=PlacardView")
              and touches[-1].endswith("x=200.0 y=280.0"),
              "the mouse drags the placard on a desktop", "; ".join(touches[-2:]))

    # A bad argument in the address: one line, and the page says it could not start.
    with devtools.serve(WEB) as base, devtools.Browser() as b:
        b.open(base + "/index.html?clock-start=soon")
        text = b.wait_for("!document.getElementById('notice').hidden && "
                          "document.getElementById('notice').textContent", timeout=20)
        warned = [t for kind, t in b.console if kind == "warning"]
        check(text == "Paddock could not start: cannot start: the page's address: clock-start "
                      "wants whole seconds since 1970, from 0 to 253402300799" and len(warned) == 1 and not b.evaluate(
                                  "Module.paddockFrames"),
              "a bad clock start in the address stops the page with one line", text)
    return check.status()


if __name__ == "__main__":
    sys.exit(main())
