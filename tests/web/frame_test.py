#!/usr/bin/env python3
"""The browser's GL ES 1.1 layer, on real pixels in headless chromium.

First a seeded cow show drawn by cowshow's page (the GL view, the stage's show
steps and the WebGL backend) against the native cowshow's frames of the same
ticks; then the layer alone: lighting, matrix stacks, reads, errors.

    tests/web/frame_test.py [--native BUILD] [--web BUILD_WEB]

BUILD holds bin/cowshow (default build/), BUILD_WEB the page (default
build-web/, made by scripts/web). Exit status 0 when every check passes.
"""

import base64
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402

W, H = 320, 480
SEED = 42
EVERY = 56
# Show frames of seed 42: the start, the first bounce, the top of the second
# flight, the second bounce, a late bounce, and the cow close up after the
# depth drift turned.
TICKS = (0, 112, 168, 224, 560, 784)
# Mean absolute difference per channel, in levels of 255, over the frame and
# over the pixels that are not black in either; the share of pixels with a
# channel off by more than one 5-6-5 step.
MAX_MEAN = 0.1
MAX_COW_MEAN = 1.0
MAX_OFF_SHARE = 0.003
OFF_LEVELS = 9
# A frame with a cow in it has at least this many non-black pixels.
MIN_COW_PIXELS = 1500

GL = dict(
    LIGHTING=0x0B50, LIGHT0=0x4000, LIGHT1=0x4001, POSITION=0x1203, AMBIENT=0x1200,
    DIFFUSE=0x1201, SPECULAR=0x1202, SHININESS=0x1601, AMBIENT_AND_DIFFUSE=0x1602,
    FRONT_AND_BACK=0x0408, NORMALIZE=0x0BA1, RESCALE_NORMAL=0x803A, MODELVIEW=0x1700,
    PROJECTION=0x1701, FLOAT=0x1406, VERTEX_ARRAY=0x8074, NORMAL_ARRAY=0x8075,
    COLOR_ARRAY=0x8076, TRIANGLE_FAN=6, RGBA=0x1908, RGB=0x1907, UNSIGNED_BYTE=0x1401,
    UNSIGNED_SHORT_5_6_5=0x8363, BGRA_EXT=0x80E1, PACK_ALIGNMENT=0x0D05,
    RENDERBUFFER=0x8D41, FRAMEBUFFER=0x8D40, COLOR_ATTACHMENT0=0x8CE0, RGB565=0x8D62,
    RGBA4=0x8056, RGBA8=0x8058, FRAMEBUFFER_COMPLETE=0x8CD5, COLOR_BUFFER_BIT=0x4000,
    SCISSOR_TEST=0x0C11, FOG=0x0B60, FLAT=0x1D00, TEXTURE_2D=0x0DE1, INVALID_ENUM=0x500,
    INVALID_VALUE=0x501, INVALID_OPERATION=0x502, STACK_UNDERFLOW=0x504,
    MODELVIEW_STACK_DEPTH=0x0BA3, PROJECTION_STACK_DEPTH=0x0BA4)
G = type("G", (), GL)

# The page side: a fresh context with a width x height renderbuffer of
# `format` as its colour buffer, GL calls run from a list ([name, args...],
# a list argument passed as a pointer to floats), and reads.
HARNESS = """
window.gles = {
  floats(values) {
    const p = Module._malloc(values.length * 4);
    Module.HEAPF32.set(values, p >> 2);
    return p;
  },
  call(list) {
    for (const [name, ...args] of list)
      Module['_' + name](...args.map(a => Array.isArray(a) ? this.floats(a) : a));
  },
  target(format, width, height) {
    if (!Module._cowshow_gl_context()) throw new Error('no GL ES context');
    const ids = Module._malloc(8);
    Module._glGenRenderbuffersOES(1, ids);
    Module._glBindRenderbufferOES(%(RENDERBUFFER)d, Module.HEAPU32[ids >> 2]);
    Module._glRenderbufferStorageOES(%(RENDERBUFFER)d, format, width, height);
    Module._glGenFramebuffersOES(1, ids + 4);
    Module._glBindFramebufferOES(%(FRAMEBUFFER)d, Module.HEAPU32[(ids >> 2) + 1]);
    Module._glFramebufferRenderbufferOES(%(FRAMEBUFFER)d, %(COLOR_ATTACHMENT0)d,
                                         %(RENDERBUFFER)d, Module.HEAPU32[ids >> 2]);
    Module._glViewport(0, 0, width, height);
    return Module._glCheckFramebufferStatusOES(%(FRAMEBUFFER)d);
  },
  // A square over the whole viewport facing the viewer, laid out as the
  // model's arrays are: normal then position, 24 bytes a vertex.
  quad() {
    const v = [];
    for (const [x, y] of [[-1, -1], [1, -1], [1, 1], [-1, 1]]) v.push(0, 0, 1, x, y, 0);
    const p = this.floats(v);
    Module._glEnableClientState(%(NORMAL_ARRAY)d);
    Module._glEnableClientState(%(VERTEX_ARRAY)d);
    Module._glNormalPointer(%(FLOAT)d, 24, p);
    Module._glVertexPointer(3, %(FLOAT)d, 24, p + 12);
    Module._glDrawArrays(%(TRIANGLE_FAN)d, 0, 4);
  },
  // `bytes` bytes of glReadPixels, the buffer first filled with 0xEE.
  read(x, y, w, h, format, type, alignment, bytes) {
    const p = Module._malloc(bytes);
    Module.HEAPU8.fill(0xEE, p, p + bytes);
    Module._glPixelStorei(%(PACK_ALIGNMENT)d, alignment);
    Module._glReadPixels(x, y, w, h, format, type, p);
    return Array.from(Module.HEAPU8.subarray(p, p + bytes));
  },
  errors() {
    const seen = [];
    for (let e = Module._glGetError(); e && seen.length < 8; e = Module._glGetError()) seen.push(e);
    return seen;
  },
  // The centre pixel of a 4 x 4 RGB565 target after the calls and a lit quad.
  lit(calls) {
    this.target(%(RGB565)d, 4, 4);
    Module._glEnable(%(LIGHTING)d);
    Module._glEnable(%(LIGHT0)d);
    this.call(calls);
    this.quad();
    return {rgba: this.read(2, 2, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4),
            rgb565: this.read(2, 2, 1, 1, %(RGB)d, %(UNSIGNED_SHORT_5_6_5)d, 2, 2),
            errors: this.errors()};
  },
};
""" % GL

LIGHT_AT = lambda *p: ("glLightfv", G.LIGHT0, G.POSITION, list(p))  # noqa: E731
MATERIAL = lambda pname, *v: ("glMaterialfv", G.FRONT_AND_BACK, pname, list(v))  # noqa: E731

# Lit quads (normal +z, modelview and projection identity unless set) into an
# RGB565 buffer: the colour GL ES 1.1's lighting gives, worked out by hand,
# and how far the byte read back may be from it. Light 0 is white diffuse and
# specular with black ambient, the scene ambient 0.2 and the material's
# ambient 0.2, diffuse 0.8, unless a case sets them. A 5-6-5 buffer holds a
# channel to within half a step (4 levels of 255 in red and blue); the rest is
# the rasteriser's rounding.
T = 6
LEVELS = "levels"
LIT_CASES = [
    ("lighting off gives the current colour", [("glDisable", G.LIGHTING)], (1, 1, 1), T),
    # c * 0.2 + c * 1 for c = (0.5, 0.25, 0.75); the blue clamps at 1.
    ("light along the normal: ambient and diffuse from one colour",
     [LIGHT_AT(0, 0, 1, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.5, 0.25, 0.9, 1)],
     (0.6, 0.3, 1.0), T),
    # The light given under a 45 degree turn about x is at 45 degrees in eye
    # space: 0.5 * 0.2 + 0.5 * cos 45.
    ("the light's position is turned by the modelview of its time",
     [("glRotatef", -45.0, 1.0, 0.0, 0.0), LIGHT_AT(0, 0, 1, 0), ("glLoadIdentity",),
      MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.5, 0.5, 0.5, 1)], (0.4536,) * 3, T),
    # A modelview scaled by 0.5 doubles the transformed normal.
    ("GL_NORMALIZE gives unit normals under a scaled modelview",
     [LIGHT_AT(0, 0, 1, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.3, 0.3, 0.3, 1),
      ("glScalef", 0.5, 0.5, 0.5), ("glEnable", G.NORMALIZE)], (0.36,) * 3, T),
    ("GL_RESCALE_NORMAL gives unit normals under a uniform scale",
     [LIGHT_AT(0, 0, 1, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.3, 0.3, 0.3, 1),
      ("glScalef", 0.5, 0.5, 0.5), ("glEnable", G.RESCALE_NORMAL)], (0.36,) * 3, T),
    ("without either, the scaled normal lights twice as much",
     [LIGHT_AT(0, 0, 1, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.3, 0.3, 0.3, 1),
      ("glScalef", 0.5, 0.5, 0.5)], (0.66,) * 3, T),
    # Light at 60 degrees from the normal: the half vector is at 30, and
    # cos(30)^8 = 0.316 of the specular colour; no ambient or diffuse.
    ("specular on the half vector to the power of the shininess",
     [LIGHT_AT(0, 0.8660254, 0.5, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0, 0, 0, 1),
      MATERIAL(G.SPECULAR, 1, 0.5, 0.25, 1), ("glMaterialf", G.FRONT_AND_BACK, G.SHININESS, 8.0)],
     (0.3164, 0.1582, 0.0791), T),
    # A face turned away from the light gets the ambient terms only: 0.5 * 0.2
    # from the scene and 0.5 * 0.5 from the light, and no specular even at
    # shininess 0.
    ("a face turned away gets ambient light and no specular",
     [LIGHT_AT(0, 0, -1, 0), ("glLightfv", G.LIGHT0, G.AMBIENT, [0.5, 0.5, 0.5, 1]),
      MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.5, 0.5, 0.5, 1), MATERIAL(G.SPECULAR, 1, 1, 1, 1)],
     (0.35,) * 3, T),
    # The default material ambient 0.2 times the scene ambient 0.2.
    ("with light 0 off only the scene ambient lights",
     [("glDisable", G.LIGHT0)], (0.04,) * 3, T),
    # 1.2 * (0.7917, 0.1, 0.1) = (0.95, 0.12, 0.12): rounded to bytes (242, 31,
    # 31) and cut to 5-6-5 levels (30, 7, 3) as the native frames have them;
    # rounded straight to levels they would be (29, 8, 4). Read as 5-6-5.
    ("a 5-6-5 buffer gets the native rasteriser's levels",
     [LIGHT_AT(0, 0, 1, 0), MATERIAL(G.AMBIENT_AND_DIFFUSE, 0.791667, 0.1, 0.1, 1)],
     (30, 7, 3), LEVELS),
]

# Calls this layer does not offer, and the error each must set.
REFUSED = [
    ("fog", [("glEnable", G.FOG)], G.INVALID_ENUM),
    ("flat shading", [("glShadeModel", G.FLAT)], G.INVALID_OPERATION),
    ("a second light", [("glLightfv", G.LIGHT1, G.DIFFUSE, [1, 1, 1, 1])], G.INVALID_OPERATION),
    ("a positional light", [LIGHT_AT(0, 0, 1, 1)], G.INVALID_OPERATION),
    ("a colour array", [("glEnableClientState", G.COLOR_ARRAY)], G.INVALID_ENUM),
    ("a texture", [("glBindTexture", G.TEXTURE_2D, 1)], G.INVALID_OPERATION),
    ("an 8-bit renderbuffer",
     [("glRenderbufferStorageOES", G.RENDERBUFFER, G.RGBA8, 4, 4)], G.INVALID_ENUM),
    ("a shininess over 128", [("glMaterialf", G.FRONT_AND_BACK, G.SHININESS, 129.0)],
     G.INVALID_VALUE),
    ("binding a renderbuffer name not made by glGen",
     [("glBindRenderbufferOES", G.RENDERBUFFER, 77)], G.INVALID_OPERATION),
]


def native_frames(build, folder):
    """The native cowshow's frame count and frames of seed SEED: {tick: rows}."""
    cowshow = os.path.join(build, "bin", "cowshow")
    out = subprocess.run([cowshow, "--seed", str(SEED), "--every", str(EVERY), "--out", folder],
                         check=True, capture_output=True, text=True, timeout=120).stdout
    # "cowshow: 883 frames, 8 floor contacts, 9.81 s of show"
    count = int(out.split("cowshow: ")[1].split(" frames")[0])
    frames = {}
    for tick in TICKS:
        with open(os.path.join(folder, "frame_%04d.png" % tick), "rb") as f:
            width, height, rows = devtools.read_png(f.read())
        assert (width, height) == (W, H), "native frame %d is %dx%d" % (tick, width, height)
        frames[tick] = rows
    return count, frames


def compare(web, rows):
    """(mean difference a channel over the frame, over cow pixels, share of
    pixels off, cow pixels here, there)."""
    total = off = cow_web = cow_native = cow = cow_total = 0
    for y in range(H):
        native = rows[y]
        # The page's pixels are 0xAARRGGBB words, little-endian: B, G, R, A bytes.
        line = web[y * W * 4:(y + 1) * W * 4]
        for x in range(0, W * 4, 4):
            dr = abs(line[x + 2] - native[x])
            dg = abs(line[x + 1] - native[x + 1])
            db = abs(line[x] - native[x + 2])
            total += dr + dg + db
            off += max(dr, dg, db) > OFF_LEVELS
            here = line[x] | line[x + 1] | line[x + 2] != 0
            there = native[x] | native[x + 1] | native[x + 2] != 0
            cow_web += here
            cow_native += there
            if here or there:
                cow += 1
                cow_total += dr + dg + db
    return (total / (W * H * 3), cow_total / max(1, 3 * cow), off / (W * H), cow_web,
            cow_native)


def frame_checks(b, checks, native_count, native):
    ticks = ",".join(map(str, TICKS))
    started = time.monotonic()
    drawn = b.evaluate("""(() => {
        const wanted = [%s];
        const p = Module._malloc(wanted.length * 4);
        Module.HEAP32.set(wanted, p >> 2);
        return Module._cowshow_run(%d, p, wanted.length);
    })()""" % (ticks, SEED), timeout=120)
    seconds = time.monotonic() - started
    checks.check(drawn == native_count, "the page drew the seeded show in as many frames as "
                 "natively: %s and %d, in %.1f s" % (drawn, native_count, seconds))
    for tick in TICKS:
        data = b.evaluate("""(() => {
            const p = Module._cowshow_frame(%d);
            if (!p) return '';
            const bytes = Module.HEAPU8.subarray(p, p + %d);
            let s = '';
            for (let i = 0; i < bytes.length; i += 8192)
                s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
            return btoa(s);
        })()""" % (tick, W * H * 4))
        if not data:
            checks.check(False, "frame %d was kept by the page" % tick)
            continue
        mean, cow_mean, share, cow_web, cow_native = compare(base64.b64decode(data), native[tick])
        checks.check(mean <= MAX_MEAN and cow_mean <= MAX_COW_MEAN and share <= MAX_OFF_SHARE
                     and cow_native >= MIN_COW_PIXELS,
                     "frame %d equals the native one: mean %.3f/255 a channel (%.2f over the "
                     "cow), %.3f%% of pixels off by more than %d, cow pixels %d here and %d "
                     "natively" % (tick, mean, cow_mean, 100 * share, OFF_LEVELS, cow_web,
                                   cow_native))


def layer_checks(b, checks):
    b.evaluate(HARNESS)
    for name, calls, expected, tolerance in LIT_CASES:
        got = b.evaluate("gles.lit(%s)" % calls_json(calls))
        if tolerance == LEVELS:
            word = got["rgb565"][0] | got["rgb565"][1] << 8
            seen, want = [word >> 11, word >> 5 & 63, word & 31], list(expected)
            ok = seen == want
        else:
            seen, want = got["rgba"][:3], [round(255 * c) for c in expected]
            ok = all(abs(g - w) <= tolerance for g, w in zip(seen, want))
        checks.check(ok and not got["errors"], "%s: %s, expected %s%s" % (
            name, seen, want, " errors %s" % got["errors"] if got["errors"] else ""))

    # Matrix stacks: a push keeps the matrix a pop brings back, per mode.
    got = b.evaluate("""(() => {
        gles.target(%(RGB565)d, 4, 4);
        Module._glPushMatrix();
        Module._glTranslatef(4, 0, 0);
        Module._glMatrixMode(%(PROJECTION)d);
        Module._glPushMatrix();
        Module._glScalef(0.1, 0.1, 1);
        const q = Module._malloc(8);
        Module._glGetIntegerv(%(PROJECTION_STACK_DEPTH)d, q);
        Module._glGetIntegerv(%(MODELVIEW_STACK_DEPTH)d, q + 4);
        const during = [Module.HEAP32[q >> 2], Module.HEAP32[(q >> 2) + 1]];
        Module._glMatrixMode(%(MODELVIEW)d);
        gles.quad();
        const moved = gles.read(2, 2, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4);
        Module._glPopMatrix();
        Module._glMatrixMode(%(PROJECTION)d);
        Module._glPopMatrix();
        Module._glMatrixMode(%(MODELVIEW)d);
        Module._glClear(%(COLOR_BUFFER_BIT)d);
        gles.quad();
        const back = gles.read(2, 2, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4);
        const before = gles.errors();
        Module._glPopMatrix();
        return {during, moved, back, before, underflow: gles.errors()};
    })()""" % GL)
    checks.check(got["during"] == [2, 2] and got["moved"][:3] == [0, 0, 0]
                 and got["back"][:3] == [255, 255, 255] and not got["before"]
                 and got["underflow"] == [G.STACK_UNDERFLOW],
                 "push and pop per matrix mode: depths %s while pushed, centre %s moved away "
                 "and %s after the pops, %s from a pop too many"
                 % (got["during"], got["moved"][:3], got["back"][:3], got["underflow"]))

    # Reads of a 3 x 2 RGB565 buffer: blue bottom row, red top row, at each
    # pack alignment; rows bottom first, padding left as it was.
    got = b.evaluate("""(() => {
        const status = gles.target(%(RGB565)d, 3, 2);
        Module._glClearColor(0, 0, 1, 1);
        Module._glClear(%(COLOR_BUFFER_BIT)d);
        Module._glEnable(%(SCISSOR_TEST)d);
        Module._glScissor(0, 1, 3, 1);
        Module._glClearColor(1, 0, 0, 1);
        Module._glClear(%(COLOR_BUFFER_BIT)d);
        Module._glScissor(0, 0, 1, 1);
        Module._glClearColor(1, 21 / 63, 10 / 31, 1);
        Module._glClear(%(COLOR_BUFFER_BIT)d);
        Module._glDisable(%(SCISSOR_TEST)d);
        const f = %(RGB)d, t = %(UNSIGNED_SHORT_5_6_5)d, q = Module._malloc(4);
        Module._glGetIntegerv(0x8B9B, q);
        const readFormat = Module.HEAP32[q >> 2];
        return {status, readFormat,
                a4: gles.read(0, 0, 3, 2, f, t, 4, 16), a2: gles.read(0, 0, 3, 2, f, t, 2, 14),
                bgra8: gles.read(0, 0, 3, 2, %(BGRA_EXT)d, %(UNSIGNED_BYTE)d, 8, 34),
                errors: gles.errors()};
    })()""" % GL)
    known, blue, red = [0xAA, 0xFA], [0x1F, 0x00], [0x00, 0xF8]
    pad = [0xEE, 0xEE]
    checks.check(got["status"] == G.FRAMEBUFFER_COMPLETE and got["readFormat"] == G.RGB,
                 "an RGB565 renderbuffer is complete and reads as GL_RGB (0x%X)" % got["readFormat"])
    checks.check(got["a4"] == known + blue + blue + pad + red * 3 + pad,
                 "5-6-5 read at alignment 4: a known colour exact, rows bottom first, "
                 "2 bytes of padding untouched: %s" % got["a4"])
    checks.check(got["a2"] == known + blue + blue + red * 3 + pad,
                 "5-6-5 read at alignment 2: rows packed: %s" % got["a2"])
    bgra_blue, bgra_red = [255, 0, 0, 255], [0, 0, 255, 255]
    checks.check(got["bgra8"][:16] == [82, 85, 255, 255] + bgra_blue * 2 + [0xEE] * 4
                 and got["bgra8"][16:28] == bgra_red * 3 and not got["errors"],
                 "BGRA read at alignment 8: blue first in each pixel, rows of 16 bytes: %s"
                 % got["bgra8"])

    # What the present path asks of a renderbuffer and a framebuffer, before
    # and after the renderbuffer is deleted while bound and attached.
    got = b.evaluate("""(() => {
        gles.target(%(RGB565)d, 3, 2);
        const q = Module._malloc(4), get = (f, ...args) => { f(...args, q); return Module.HEAP32[q >> 2]; };
        const rb = () => [0x8D42, 0x8D43, 0x8D44, 0x8D50, 0x8D51, 0x8D52, 0x8D53].map(
            p => get(Module._glGetRenderbufferParameterivOES, %(RENDERBUFFER)d, p));
        const att = () => [0x8CD0, 0x8CD1].map(p => get(
            Module._glGetFramebufferAttachmentParameterivOES, %(FRAMEBUFFER)d, %(COLOR_ATTACHMENT0)d, p));
        const binding = () => get(Module._glGetIntegerv, 0x8CA7);
        const name = binding(), before = [rb(), att()];
        Module.HEAPU32[q >> 2] = name;
        Module._glDeleteRenderbuffersOES(1, q);
        const after = [binding(), get(Module._glGetFramebufferAttachmentParameterivOES,
                                      %(FRAMEBUFFER)d, %(COLOR_ATTACHMENT0)d, 0x8CD0)];
        return {name, before, after, errors: gles.errors()};
    })()""" % GL)
    checks.check(got["before"] == [[3, 2, G.RGB565, 5, 6, 5, 0], [G.RENDERBUFFER, got["name"]]]
                 and got["after"] == [0, 0] and not got["errors"],
                 "a 3 x 2 RGB565 renderbuffer reports its size, format and bits, is attached, "
                 "and once deleted is unbound and detached: %s" % got)

    # A context the browser loses and gives back draws as before: the layer
    # makes its shader, buffer and framebuffer objects again under their names.
    got = b.evaluate("""(async () => {
        const lit = [["glLightfv", %(LIGHT0)d, %(POSITION)d, [0, 0, 1, 0]],
                     ["glMaterialfv", %(FRONT_AND_BACK)d, %(AMBIENT_AND_DIFFUSE)d, [0.5, 0.25, 0.75, 1]],
                     ["glViewport", 0, 0, 2, 2]];
        gles.lit(lit);
        const before = gles.read(0, 0, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4);
        const gl = GL.currentContext.GLctx, lose = gl.getExtension('WEBGL_lose_context');
        const event = name => Promise.race([
            new Promise(r => gl.canvas.addEventListener(name, r)),
            new Promise(r => setTimeout(r, 5000))]);
        const gone = event('webglcontextlost'), back = event('webglcontextrestored');
        lose.loseContext();
        await gone;
        // Asked back only once the lost event is over.
        await new Promise(r => setTimeout(r, 0));
        const lost = gles.errors();
        lose.restoreContext();
        await back;
        await new Promise(r => setTimeout(r, 0));
        Module._glClear(%(COLOR_BUFFER_BIT)d);
        gles.quad();
        return {before, lost, restored: !gl.isContextLost(),
                status: Module._glCheckFramebufferStatusOES(%(FRAMEBUFFER)d),
                inside: gles.read(0, 0, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4),
                outside: gles.read(3, 3, 1, 1, %(RGBA)d, %(UNSIGNED_BYTE)d, 4, 4),
                errors: gles.errors()};
    })()""" % GL)
    checks.check(got["restored"] and got["lost"] == [0x9242] and got["status"] == G.FRAMEBUFFER_COMPLETE
                 and got["inside"] == got["before"] and got["outside"][:3] == [0, 0, 0]
                 and not got["errors"],
                 "a lost and restored context draws as before (lighting, viewport, framebuffer): "
                 "%s" % got)

    for name, calls, error in REFUSED:
        got = b.evaluate("(() => { gles.target(%d, 4, 4); gles.call(%s); return gles.errors(); })()"
                         % (G.RGB565, calls_json(calls)))
        checks.check(got == [error], "%s is refused with 0x%X: got %s" % (
            name, error, ["0x%X" % e for e in got]))
    got = b.evaluate("""(() => {
        gles.target(%(RGBA4)d, 4, 4);
        const before = gles.errors();
        gles.read(0, 0, 1, 1, %(RGB)d, %(UNSIGNED_SHORT_5_6_5)d, 4, 4);
        return [before, gles.errors()];
    })()""" % GL)
    checks.check(got == [[], [G.INVALID_OPERATION]],
                 "a 5-6-5 read of an RGBA4 buffer is refused with 0x502: got %s" % got)


def calls_json(calls):
    import json
    return json.dumps([list(c) for c in calls])


def main():
    native_build, web = devtools.build_folders(__doc__.split("\n\n")[0])
    page = os.path.join(web, "cowshow", "cowshow.html")
    if not os.path.exists(page):
        print("frame_test: %s is missing (build it with scripts/web)" % page)
        return 1
    cowshow = os.path.join(native_build, "bin", "cowshow")
    if not os.access(cowshow, os.X_OK):
        print("frame_test: %s is missing (build the native program first)" % cowshow)
        return 1
    checks = devtools.Checks()
    with tempfile.TemporaryDirectory(prefix="paddock-frames-") as tmp:
        native_count, native = native_frames(native_build, tmp)
        with devtools.serve(web) as base, devtools.Browser() as b:
            b.open(base + "/cowshow/cowshow.html")
            b.wait_for("window.cowshowReady === true", timeout=30)
            frame_checks(b, checks, native_count, native)
            layer_checks(b, checks)
            for kind, text in b.console:
                if kind in ("exception", "error"):
                    checks.check(False, "page %s: %s" % (kind, text))
    print("frame_test: %s" % ("all checks pass" if not checks.failed
                              else "%d checks failed" % len(checks.failed)))
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
