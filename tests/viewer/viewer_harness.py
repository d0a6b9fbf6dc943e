# SPDX-License-Identifier: GPL-3.0-or-later
"""Shared by the viewer's scripted tests: an X server of their own (Xvfb, Mesa's software
renderer), copies of the viewer with or without a panorama data block, and a viewer started
with SKYLACER_VIEWER_TRACE whose lines (frames with the camera, boxes, menus, tooltips) are read
as it writes them."""

import os
import queue
import select
import shutil
import struct
import subprocess
import tempfile
import threading
import time

MAGIC = b"Oskelvind Panorama Data\0"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def start_xvfb(size="1024x768x24"):
    """Starts Xvfb on a free display; returns (process, ":n"), or None when it cannot start."""
    if shutil.which("Xvfb") is None:
        return None
    read_end, write_end = os.pipe()
    try:
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except OSError:
        return None
    finally:
        os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 10)
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip().isdigit():
        process.kill()
        process.wait()
        return None
    return process, ":" + number.strip().decode()


def write_viewer(viewer, path, block=None):
    """A copy of the viewer, with a data block (field of view, picture bytes) appended."""
    with open(viewer, "rb") as source, open(path, "wb") as target:
        shutil.copyfileobj(source, target)
        if block is not None:
            field_of_view, picture = block
            target.write(MAGIC + struct.pack("<d", field_of_view) + picture)
    os.chmod(path, 0o755)
    return path


def viewer_environment(display, work):
    return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": work,
            "DISPLAY": display, "XDG_RUNTIME_DIR": work}


def xdotool(display, *arguments):
    result = subprocess.run(["xdotool", *arguments], env={"DISPLAY": display}, timeout=10,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return result.stdout.split()


class TracedViewer:
    """A running viewer whose trace lines arrive in a queue."""

    def __init__(self, program, display, work, arguments=(), env=None):
        environment = viewer_environment(display, work)
        environment["SKYLACER_VIEWER_TRACE"] = "1"
        environment.update(env or {})
        self.display = display
        self.process = subprocess.Popen([program, *arguments], env=environment,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        text=True)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()
        self.window = None
        self.last_frame = None

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def wait_for(self, prefix, timeout=10, what=None):
        """The next trace line starting with prefix (earlier lines are kept in seen)."""
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            try:
                line = self.lines.get(timeout=max(remaining, 0.01))
            except queue.Empty:
                line = ""
            if line is None or remaining <= 0:
                tail = "\n".join(self.seen[-8:])
                raise Failure(f"{what or prefix!r}: not seen (viewer "
                              f"{'ended' if line is None else 'still running'}); last lines:\n{tail}")
            if line:
                self.seen.append(line)
                if line.startswith(prefix):
                    return line

    def drain(self):
        """Every line that arrived so far."""
        lines = []
        while True:
            try:
                line = self.lines.get_nowait()
            except queue.Empty:
                return lines
            if line is None:
                return lines
            self.seen.append(line)
            lines.append(line)

    def frame(self, timeout=10):
        """The camera of the next frame drawn: a dict of yaw, pitch, field, turning, ..."""
        line = self.wait_for("frame ", timeout)
        values = {}
        for part in line.split()[1:]:
            key, value = part.split("=")
            values[key] = value if key == "view" else float(value)
        self.last_frame = values
        return values

    def until(self, condition, what, timeout=5):
        """The first frame drawn from now on whose camera meets the condition."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                values = self.frame(timeout=max(deadline - time.monotonic(), 0.01))
            except Failure:
                break
            if condition(values):
                return values
        raise Failure(f"{what}: no such frame within {timeout} s (last: {self.last_frame})")

    def settle(self, quiet=0.4, timeout=10):
        """The camera once no frame has been drawn for `quiet` seconds (the last one drawn)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                self.frame(timeout=quiet)
            except Failure:
                if self.last_frame is None or self.process.poll() is not None:
                    raise
                return self.last_frame
        raise Failure("the view never settled")

    def find_window(self):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            windows = xdotool(self.display, "search", "--class", "^PanViewer$")
            if windows:
                self.window = windows[0]
                return self.window
            time.sleep(0.1)
        raise Failure("no viewer window")

    def x(self, *arguments):
        """xdotool with the viewer's window focused first."""
        if self.window is None:
            self.find_window()
        xdotool(self.display, "windowfocus", "--sync", self.window)
        return xdotool(self.display, *arguments)

    def end(self, timeout=10):
        try:
            return self.process.wait(timeout=timeout)
        finally:
            self.kill()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def run_on_xvfb(body):
    """Runs body(display, work folder) on an Xvfb of its own; the exit code of the test: 0, or 1
    on a failure, Xvfb that cannot start included (scripts/setup installs it)."""
    server = start_xvfb()
    if server is None:
        print("FAILED: Xvfb cannot start (scripts/setup installs the package xvfb)")
        return 1
    xvfb, display = server
    try:
        with tempfile.TemporaryDirectory(prefix="skyview-") as work:
            body(display, work)
    except (Failure, subprocess.TimeoutExpired) as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        xvfb.terminate()
        xvfb.wait()
    return 0
