#!/usr/bin/env python3
"""Loads one page in headless Chromium and keeps what the browser showed.

    browse.py --out DIR --name NAME [--timeout S] [--phone] URL -- [CHROMIUM OPTIONS...]

Saves DIR/pages/NAME.html (the DOM once loaded), DIR/pages/NAME.images (a line per picture the
page shows, "img WIDTH HEIGHT" or "background WIDTH HEIGHT", its natural size: 0 0 for one that
did not load) and DIR/screenshots/NAME.png, and, when the navigation failed, DIR/pages/NAME.error
with Chromium's error ("net::ERR_..."). --phone shows the page as a phone of 390 by 844 CSS
pixels would. Chromium's
own --dump-dom and --screenshot keep nothing when a load fails; its error page is what a
person sees, so this drives the browser over the DevTools protocol on a pipe instead (file
descriptors 3 and 4 of the browser, messages ended by NUL), which needs nothing beyond the
standard library. Exit status 0 when something was shown, 1 when the browser gave up.
"""

import argparse
import base64
import fcntl
import json
import os
import pathlib
import select
import subprocess
import sys
import tempfile
import time


class DevTools:
    """The browser end of --remote-debugging-pipe: numbered commands, their answers, events."""

    def __init__(self, to_browser, from_browser, deadline):
        self.to_browser = to_browser
        self.from_browser = from_browser
        self.deadline = deadline
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def _read_message(self):
        while b"\0" not in self.buffer:
            remaining = self.deadline - time.monotonic()
            readable, _, _ = select.select([self.from_browser], [], [], max(remaining, 0))
            if not readable:
                raise TimeoutError("the browser did not answer in time")
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise EOFError("the browser closed its end")
            self.buffer += chunk
        message, _, self.buffer = self.buffer.partition(b"\0")
        return json.loads(message)

    def call(self, method, session=None, **params):
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params}
        if session:
            command["sessionId"] = session
        os.write(self.to_browser, json.dumps(command).encode() + b"\0")
        while True:
            message = self._read_message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def wait_event(self, method):
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method:
                    return self.events.pop(i)
            self.events.append(self._read_message())


def start_browser(options, profile):
    to_browser_r, to_browser_w = os.pipe()
    from_browser_r, from_browser_w = os.pipe()
    # The browser reads commands on its descriptor 3 and writes answers on 4. The ends are
    # moved above 4 first, so that putting one in place never overwrites the other.
    child_r = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
    child_w = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
    for fd in (to_browser_r, from_browser_w):
        os.close(fd)

    def place_pipe_ends():
        os.dup2(child_r, 3)
        os.dup2(child_w, 4)

    browser = subprocess.Popen(
        ["chromium", "--headless", "--remote-debugging-pipe", f"--user-data-dir={profile}",
         *options, "about:blank"],
        pass_fds=(3, 4), preexec_fn=place_pipe_ends, stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL, stderr=sys.stderr)
    os.close(child_r)
    os.close(child_w)
    return browser, to_browser_w, from_browser_r


# The natural size of every picture the page shows: its <img> elements, and the page's own
# background picture, decoded again to be measured.
PICTURES = """(async () => {
    const sizes = [...document.images].map(i => ["img", i.naturalWidth, i.naturalHeight]);
    const background = /^url\\("?(.*?)"?\\)$/.exec(
        getComputedStyle(document.documentElement).backgroundImage);
    if (background) {
        const picture = new Image();
        picture.src = background[1];
        try { await picture.decode(); } catch (e) {}
        sizes.push(["background", picture.naturalWidth, picture.naturalHeight]);
    }
    return sizes.map(s => s.join(" ")).join("\\n");
})()"""


def visit(devtools, url, phone):
    """Navigates a fresh tab to url; returns (dom, pictures, png bytes, error text or None)."""
    target = devtools.call("Target.createTarget", url="about:blank")["targetId"]
    session = devtools.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    devtools.call("Page.enable", session)
    if phone:
        devtools.call("Emulation.setDeviceMetricsOverride", session, width=390, height=844,
                      deviceScaleFactor=2, mobile=True)
    result = devtools.call("Page.navigate", session, url=url)
    # An error page loads as well, so this comes for failures too.
    devtools.wait_event("Page.loadEventFired")
    dom = devtools.call("Runtime.evaluate", session,
                        expression="document.documentElement.outerHTML",
                        returnByValue=True)["result"].get("value", "")
    pictures = devtools.call("Runtime.evaluate", session, expression=PICTURES,
                             awaitPromise=True, returnByValue=True)["result"].get("value", "")
    png = base64.b64decode(devtools.call("Page.captureScreenshot", session, format="png")["data"])
    return dom, pictures, png, result.get("errorText")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--name", required=True)
    parser.add_argument("--timeout", type=float, default=90)
    parser.add_argument("--phone", action="store_true")
    parser.add_argument("url")
    parser.add_argument("chromium_options", nargs="*")
    args = parser.parse_args()

    pages = args.out / "pages"
    shots = args.out / "screenshots"
    pages.mkdir(parents=True, exist_ok=True)
    shots.mkdir(parents=True, exist_ok=True)
    (pages / f"{args.name}.error").unlink(missing_ok=True)

    with tempfile.TemporaryDirectory() as profile:
        browser, to_browser, from_browser = start_browser(args.chromium_options, profile)
        devtools = DevTools(to_browser, from_browser, time.monotonic() + args.timeout)
        try:
            dom, pictures, png, error = visit(devtools, args.url, args.phone)
        except (TimeoutError, EOFError, RuntimeError) as failure:
            print(f"browse: {args.url}: {failure}", file=sys.stderr)
            return 1
        finally:
            try:
                devtools.deadline = time.monotonic() + 10
                devtools.call("Browser.close")
            except (TimeoutError, EOFError, RuntimeError, OSError):
                pass
            os.close(to_browser)
            os.close(from_browser)
            try:
                browser.wait(timeout=20)
            except subprocess.TimeoutExpired:
                browser.kill()
                browser.wait()

    (pages / f"{args.name}.html").write_text(dom, encoding="utf-8")
    (pages / f"{args.name}.images").write_text(pictures + "\n" if pictures else "",
                                               encoding="utf-8")
    (shots / f"{args.name}.png").write_bytes(png)
    if error:
        (pages / f"{args.name}.error").write_text(error + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
