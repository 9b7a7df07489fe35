#!/usr/bin/env python3
"""Loads the web page in headless Chromium, served from a local folder.

After a `run` script the LCD canvas must equal geigersim-run's picture of
the same script, clock and seed (plus the live periods that have run since),
at device scale factors 1 and 2; a click on a key and a keyboard key must
change it exactly as `press` does. Chromium is driven through
--remote-debugging-pipe.
"""
import base64
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib

WEB_DIR, RUNNER = sys.argv[1], sys.argv[2]
CLOCK = "2026-03-07T09:05:30"
SEED = 4
SCRIPT = "press select; wait 3s; press select"  # the main menu


def decode_png(data):
    """8-bit RGB PNG (what geigersim-run writes) into rows of (r, g, b)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour == 2, "not 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, b"".join(rows)


def runner_picture(commands, scale):
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "lcd.png")
        args = [RUNNER, "--clock", CLOCK, "--seed", str(SEED)]
        for c in commands + [f"png {png} scale {scale}"]:
            args += ["-e", c]
        subprocess.run(args, check=True)
        with open(png, "rb") as f:
            return decode_png(f.read())


class Chromium:
    """One headless browser, one page, over the DevTools pipe."""

    def __init__(self, binary):
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()

        def fds():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)
        self.profile = tempfile.mkdtemp()
        self.proc = subprocess.Popen(
            [binary, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + self.profile, "--remote-debugging-pipe", "about:blank"],
            preexec_fn=fds, pass_fds=(3, 4, to_child_r, from_child_w),  # 3 and 4 kept after the dup
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_child_r)
        os.close(from_child_w)
        self.next_id, self.buffer = 0, b""
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session or getattr(self, "session", None):
            message["sessionId"] = session or self.session
        os.write(self.to_child, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.from_child, 1 << 20)
                if not chunk:
                    raise RuntimeError("Chromium went away")
                self.buffer += chunk
            text, self.buffer = self.buffer.split(b"\0", 1)
            reply = json.loads(text)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def close(self):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


# The canvas's pixels, the virtual time they show, and whether the canvas
# lies on whole device pixels; read in one go, between two periods.
READ_LCD = """(() => {
  const d = document.querySelector('#device').geigersim;
  const c = d.lcd, r = c.getBoundingClientRect(), ratio = devicePixelRatio;
  const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let s = '';
  for (let i = 0; i < px.length; i += 4) s += String.fromCharCode(px[i], px[i + 1], px[i + 2]);
  const whole = (v) => Math.abs(v * ratio - Math.round(v * ratio)) < 0.01;
  return JSON.stringify({ticks: d.core._geigersim_half_ticks(), width: c.width, height: c.height,
                         aligned: whole(r.left) && whole(r.top) && whole(r.width) && whole(r.height),
                         rgb: btoa(s)});
})()"""

# Where the panel's key drawn as `key` lies, in CSS pixels of the viewport.
KEY_CENTRE = """((key) => {
  const d = document.querySelector('#device').geigersim;
  const box = d.root.getBoundingClientRect(), zoom = d.zoom();
  const k = d.geometry(1).keys.find((k) => k[0] === key);
  return JSON.stringify({x: box.left + (k[1] + k[3] / 2) * zoom, y: box.top + (k[2] + k[3] / 2) * zoom,
                         ticks: d.core._geigersim_half_ticks()});
})"""


def read_lcd(browser):
    v = json.loads(browser.evaluate(READ_LCD))
    return v["ticks"], v["width"], v["height"], v["aligned"], base64.b64decode(v["rgb"])


def check(failures, what, got, want):
    if got != want:
        failures.append(what)
        print("FAIL:", what)


RUN_TICKS = 6  # the `wait 3s` of SCRIPT


def runner_commands(presses, ticks):
    """SCRIPT, then the live periods up to `ticks` with each (tick, key) press in its place."""
    commands, at = [SCRIPT], RUN_TICKS
    for tick, key in presses + [(ticks, None)]:
        if tick > at:
            commands.append(f"wait {(tick - at) * 500}ms")
            at = tick
        if key:
            commands.append(f"press {key}")
    return commands


def act_and_compare(browser, failures, scale, presses, what, act, key):
    """Does `act`; the LCD must change as `press key` does at one of the
    periods between the reads before and after it (a live period may run
    between the two reads; then either order is the page's)."""
    before = read_lcd(browser)
    act()
    after = read_lcd(browser)
    for tick in range(before[0], after[0] + 1):
        want = runner_picture(runner_commands(presses + [(tick, key)], after[0]), scale)
        if after[4] == want[2]:
            presses.append((tick, key))
            break
    else:
        failures.append(what)
        print(f"FAIL: {what} at scale {scale}: the LCD differs from the runner's")
    check(failures, f"{what} at scale {scale}: the LCD did not change", after[4] != before[4], True)


def main():
    binary = shutil.which("chromium") or shutil.which("chromium-browser")
    if binary is None:
        print("SKIP: chromium is not installed (scripts/install-deps installs it)")
        return 77
    if not os.path.exists(os.path.join(WEB_DIR, "geigersim-core.wasm")):
        print(f"SKIP: {WEB_DIR} is not built (needs emscripten)")
        return 77

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=WEB_DIR))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    query = urllib.parse.urlencode({"seed": SEED, "clock": CLOCK, "run": SCRIPT}, quote_via=urllib.parse.quote)
    url = f"http://127.0.0.1:{server.server_address[1]}/index.html?{query}"

    failures = []
    browser = Chromium(binary)
    try:
        for scale in (1, 2):
            # 524 CSS pixels wide: zoom 1, so each LCD pixel is 2 x scale device pixels.
            browser.call("Emulation.setDeviceMetricsOverride", width=524, height=400,
                         deviceScaleFactor=scale, mobile=False)
            browser.call("Page.navigate", url=url)
            deadline = time.time() + 30
            while not browser.evaluate("!!(document.querySelector('#device') || {}).geigersim"):
                if time.time() > deadline:
                    raise RuntimeError("the page did not start its device: " +
                                       str(browser.evaluate("document.body.innerText")))
                time.sleep(0.1)
            ticks, width, height, aligned, rgb = read_lcd(browser)
            check(failures, f"scale {scale}: canvas size {width} x {height}", (width, height),
                  (244 * scale, 64 * scale))
            check(failures, f"scale {scale}: the canvas is not on whole device pixels", aligned, True)
            # The script's power press is the first click on it: the hint is gone.
            check(failures, f"scale {scale}: the start hint shows after the run", browser.evaluate(
                "document.querySelector('#device').geigersim.hint.hidden"), True)
            want = runner_picture(runner_commands([], ticks), scale)
            check(failures, f"scale {scale}: after the run the LCD differs from the runner's", rgb, want[2])

            def click(key=3):
                spot = json.loads(browser.evaluate(KEY_CENTRE + f"({key})"))
                for kind in ("mousePressed", "mouseReleased"):
                    browser.call("Input.dispatchMouseEvent", type=kind, x=spot["x"], y=spot["y"],
                                 button="left", clickCount=1)

            def down_arrow():
                for kind in ("rawKeyDown", "keyUp"):
                    browser.call("Input.dispatchKeyEvent", type=kind, key="ArrowDown", code="ArrowDown",
                                 windowsVirtualKeyCode=40)
            presses = []
            act_and_compare(browser, failures, scale, presses, "a click on Select/Power", click, "select")
            act_and_compare(browser, failures, scale, presses, "the Down arrow key", down_arrow, "down")
        # store=factory is the runner's `store factory`: read at power-on,
        # it opens the reading screen in the text mode, not the graph.
        browser.call("Emulation.setDeviceMetricsOverride", width=524, height=400, deviceScaleFactor=1,
                     mobile=False)
        query = urllib.parse.urlencode({"seed": SEED, "clock": CLOCK, "store": "factory",
                                        "run": "press select; wait 3s"}, quote_via=urllib.parse.quote)
        browser.call("Page.navigate", url=f"http://127.0.0.1:{server.server_address[1]}/index.html?{query}")
        deadline = time.time() + 30
        while not browser.evaluate("!!(document.querySelector('#device') || {}).geigersim"):
            if time.time() > deadline:
                raise RuntimeError("the page did not start with store=factory")
            time.sleep(0.1)
        ticks, _, _, _, rgb = read_lcd(browser)
        live = [f"wait {(ticks - RUN_TICKS) * 500}ms"] if ticks > RUN_TICKS else []
        want = runner_picture(["store factory", "press select; wait 3s"] + live, 1)
        check(failures, "store=factory: the LCD differs from the runner's after store factory", rgb, want[2])
    finally:
        browser.close()
        server.shutdown()
    print("page test:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
