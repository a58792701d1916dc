"""A small DevTools-protocol client for the browser tests.

Starts Debian's chromium headless (WebGL on SwiftShader, a private profile in a temp
folder), opens a page with a phone viewport, evaluates JS, collects console lines,
dispatches touch and mouse events and takes screenshots. Every wait has a timeout and
the browser is always killed. Also: a static file server on 127.0.0.1 and a PNG reader.

    with serve("build-web") as base, Browser() as b:
        b.open(base + "/index.html")
        b.wait_for("window.paddockFrames > 0")
        b.touch("start", 160, 240); b.touch("move", 170, 250); b.touch("end", 170, 250)
        png = b.screenshot()
"""

import argparse
import base64
import functools
import http.server
import json
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
import urllib.request
import zlib

import websocket

CHROMIUM = os.environ.get("PADDOCK_CHROMIUM", "chromium")



# -- the builds a test runs against --------------------------------------------------
def build_folders(description):
    """The --native and --web build folders every browser test takes (defaults:
    build/ and build-web/ of the tree), as absolute paths."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--native", default=os.path.join(root, "build"))
    parser.add_argument("--web", default=os.path.join(root, "build-web"))
    args = parser.parse_args()
    return os.path.abspath(args.native), os.path.abspath(args.web)


# -- results ------------------------------------------------------------------------
class Checks:
    """Prints one PASS or FAIL line a check; status() is 1 when any failed."""

    def __init__(self):
        self.failed = []

    def check(self, ok, what, detail=""):
        print("%s %s%s" % ("PASS" if ok else "FAIL", what, (": " + detail) if detail else ""),
              flush=True)
        if not ok:
            self.failed.append(what)
        return ok

    __call__ = check

    def status(self):
        return 1 if self.failed else 0

class DevToolsError(RuntimeError):
    pass


class Browser:
    """One headless chromium with one page. Use as a context manager."""

    def __init__(self, width=320, height=480, dpr=2, mobile=True, timeout=30):
        self.width, self.height, self.dpr, self.mobile = width, height, dpr, mobile
        self.timeout = timeout
        self.console = []  # (type, text) in arrival order; exceptions as ("exception", text)
        self.events = []  # every other protocol event: (method, params)
        self._id = 0
        self._profile = tempfile.mkdtemp(prefix="paddock-chromium-")
        self._proc = None
        self._ws = None

    # -- life --------------------------------------------------------------------------
    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        args = [CHROMIUM, "--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                "--enable-unsafe-swiftshader", "--remote-debugging-port=0",
                "--remote-debugging-address=127.0.0.1", "--user-data-dir=" + self._profile,
                "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                "--disable-background-networking", "--disable-component-update",
                "--autoplay-policy=user-gesture-required", "--mute-audio",
                "--window-size=%d,%d" % (self.width, self.height), "about:blank"]
        self._proc = subprocess.Popen(args, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(self._profile, "DevToolsActivePort")
        deadline = time.monotonic() + self.timeout
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if self._proc.poll() is not None:
                raise DevToolsError("chromium exited at start (status %d)" % self._proc.returncode)
            if time.monotonic() > deadline:
                raise DevToolsError("chromium gave no DevTools port in %ds" % self.timeout)
            time.sleep(0.05)
        port = int(open(port_file).read().split()[0])
        with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port,
                                    timeout=self.timeout) as r:
            pages = [t for t in json.load(r) if t["type"] == "page"]
        if not pages:
            raise DevToolsError("chromium has no page target")
        self._ws = websocket.create_connection(pages[0]["webSocketDebuggerUrl"],
                                               timeout=self.timeout, suppress_origin=True)
        for domain in ("Page", "Runtime", "Network"):
            self.send(domain + ".enable")
        self.send("Emulation.setDeviceMetricsOverride", width=self.width, height=self.height,
                  deviceScaleFactor=self.dpr, mobile=self.mobile)
        self.send("Emulation.setTouchEmulationEnabled", enabled=self.mobile, maxTouchPoints=5)

    def close(self):
        if self._ws is not None:
            try:
                self._ws.close()
            except Exception:
                pass
            self._ws = None
        if self._proc is not None and self._proc.poll() is None:
            for sig, wait in ((signal.SIGTERM, 3), (signal.SIGKILL, 5)):
                try:
                    os.killpg(self._proc.pid, sig)
                    self._proc.wait(wait)
                    break
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    pass
        shutil.rmtree(self._profile, ignore_errors=True)

    # -- protocol ----------------------------------------------------------------------
    def send(self, method, timeout=None, **params):
        """Sends one command and returns its result; events read meanwhile are kept."""
        self._id += 1
        my_id = self._id
        self._ws.send(json.dumps({"id": my_id, "method": method, "params": params}))
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            msg = self._read(deadline, method)
            if msg.get("id") == my_id:
                if "error" in msg:
                    raise DevToolsError("%s: %s" % (method, msg["error"].get("message")))
                return msg.get("result", {})

    def _read(self, deadline, what):
        left = deadline - time.monotonic()
        if left <= 0:
            raise DevToolsError("timed out waiting for " + what)
        self._ws.settimeout(left)
        try:
            msg = json.loads(self._ws.recv())
        except websocket.WebSocketTimeoutException:
            raise DevToolsError("timed out waiting for " + what) from None
        if "method" in msg:
            self._event(msg["method"], msg.get("params", {}))
        return msg

    def _event(self, method, params):
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append((params["type"], text))
        elif method == "Runtime.exceptionThrown":
            d = params["exceptionDetails"]
            self.console.append(("exception",
                                 d.get("exception", {}).get("description", d.get("text", ""))))
        else:
            self.events.append((method, params))

    def pump(self, seconds):
        """Reads events for a while (console lines keep arriving while nothing is sent)."""
        deadline = time.monotonic() + seconds
        try:
            while True:
                self._read(deadline, "events")
        except DevToolsError:
            pass

    # -- page --------------------------------------------------------------------------
    def open(self, url, timeout=None):
        """Navigates and waits for the load event."""
        self.events.clear()
        self.send("Page.navigate", url=url)
        deadline = time.monotonic() + (timeout or self.timeout)
        while not any(m == "Page.loadEventFired" for m, _ in self.events):
            self._read(deadline, "the load of " + url)

    def evaluate(self, expression, timeout=None):
        """Evaluates JS (awaiting a promise) and returns its value by JSON."""
        r = self.send("Runtime.evaluate", timeout=timeout, expression=expression,
                      awaitPromise=True, returnByValue=True, userGesture=True)
        if "exceptionDetails" in r:
            d = r["exceptionDetails"]
            raise DevToolsError("JS: " + d.get("exception", {}).get("description",
                                                                    d.get("text", "")))
        return r["result"].get("value")

    def wait_for(self, expression, timeout=None, every=0.05):
        """Evaluates until the value is truthy; returns it. Fails after the timeout."""
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise DevToolsError("timed out waiting for: " + expression)
            self.pump(every)

    # -- input (CSS pixels of the viewport) --------------------------------------------
    def touch(self, kind, x=0, y=0, id=0):
        """kind: start, move, end or cancel; one finger (more: touches())."""
        points = [] if kind in ("end", "cancel") else [{"x": x, "y": y, "id": id}]
        self.touches(kind, points)

    def touches(self, kind, points):
        self.send("Input.dispatchTouchEvent", type="touch" + kind.capitalize(),
                  touchPoints=points)

    def tap(self, x, y):
        self.touch("start", x, y)
        self.touch("end", x, y)

    def mouse(self, kind, x, y, button="left"):
        """kind: pressed, released or moved."""
        self.send("Input.dispatchMouseEvent", type="mouse" + kind.capitalize(), x=x, y=y,
                  button=button, buttons=1 if kind != "released" else 0, clickCount=1)

    # -- pictures ----------------------------------------------------------------------
    def screenshot(self, clip=None, scale=1):
        """PNG bytes of the viewport (device pixels times scale); clip in CSS pixels."""
        params = {"format": "png"}
        if clip or scale != 1:
            x, y, w, h = clip or (0, 0, self.width, self.height)
            params["clip"] = {"x": x, "y": y, "width": w, "height": h, "scale": scale}
        return base64.b64decode(self.send("Page.captureScreenshot", **params)["data"])


def read_png(data):
    """Decodes an 8-bit, non-interlaced PNG: (width, height, rows of RGBA bytes)."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, width = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or interlace or ctype not in (2, 6):
                raise ValueError("PNG form not read here (depth %d, type %d)" % (depth, ctype))
            bpp = 4 if ctype == 6 else 3
        elif kind == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    stride = width * bpp
    prev = bytearray(stride)
    rows = []
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif f == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, prev))
        elif f == 3:
            for i in range(stride):
                line[i] = (line[i] + ((line[i - bpp] if i >= bpp else 0) + prev[i]) // 2) & 255
        elif f == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b, c = prev[i], prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        if bpp == 3:
            rgba = bytearray(width * 4)
            rgba[0::4], rgba[1::4], rgba[2::4] = line[0::3], line[1::3], line[2::3]
            rgba[3::4] = b"\xff" * width
            line = rgba
        rows.append(bytes(line))
    return width, height, rows


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".json": "application/json"}

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *args):
        pass


class serve:
    """Serves a folder on 127.0.0.1 at a free port: `with serve(dir) as base_url:`."""

    def __init__(self, folder, address="127.0.0.1", port=0):
        handler = functools.partial(_Handler, directory=os.fspath(folder))
        self.server = http.server.ThreadingHTTPServer((address, port), handler)
        self.server.daemon_threads = True

    def __enter__(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        host, port = self.server.server_address[:2]
        return "http://%s:%d" % (host, port)

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()
