#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The running viewer driven as a user drives it, on an X server of its own (Xvfb, Mesa's
software renderer), with xdotool: what it loads, and what the wheel, the keys, the toolbar's
buttons and the popup menu do to the view, read from its trace (SKYLACER_VIEWER_TRACE).

Fails, like any other problem, where Xvfb cannot start.
"""

import argparse
import math
import os
import re
import subprocess
import sys
import time

from PIL import Image

from viewer_harness import TracedViewer, check, run_on_xvfb, write_viewer

VIEW_HEIGHT = 400
# Centres of the toolbar's buttons in the window.
BUTTONS = {name: (16 + 32 * i, VIEW_HEIGHT - 16)
           for i, name in enumerate(["link", "zoom in", "zoom out", "turn", "menu"])}
IN_VIEW = (400, 150)

# What the exported program may load, by file name: the C library, the X11 client libraries,
# and libGL with whatever the OpenGL driver itself needs (found from the driver's files below).
C_LIBRARY = {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2", "libdl.so.2", "libpthread.so.0",
             "librt.so.1"}
X_CLIENT = re.compile(r"^(libX11|libX11-xcb|libxcb(-[a-z0-9]+)?|libXau|libXdmcp|libXext|libXfixes|"
                      r"libXxf86vm|libXrandr|libXrender|libxshmfence)\.so(\.\d+)+$")
FORBIDDEN = re.compile(r"Qt|turbojpeg|libjpeg|libpng", re.IGNORECASE)
LIBRARY_DIRS = ["/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu"]


def ldd_closure(paths):
    """File names of every library the given files need, with the files' own names."""
    names = set()
    for path in paths:
        names.add(os.path.basename(path))
        result = subprocess.run(["ldd", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                text=True)
        for line in result.stdout.splitlines():
            target = line.split("=>")[-1].strip().split(" (")[0]
            if target.startswith("/"):
                names.add(os.path.basename(os.path.realpath(target)))
                names.add(os.path.basename(target))
    return names


def mapped_libraries(pid):
    libraries = set()
    with open(f"/proc/{pid}/maps") as maps:
        for line in maps:
            path = line.split()[-1] if len(line.split()) >= 6 else ""
            if ".so" in os.path.basename(path):
                libraries.add(path)
    return libraries


def check_loaded_libraries(program, display, work):
    """Once the panorama shows, every library mapped into the program is the C library, an X11
    client library, or libGL and the libraries its driver loads."""
    viewer = TracedViewer(program, display, work)
    try:
        viewer.frame()
        mapped = mapped_libraries(viewer.process.pid)
    finally:
        viewer.kill()
    driver_files = [path for path in mapped if "/dri/" in path or "libGLX_" in path
                    or os.path.basename(path).startswith(("libGL.so", "libGLX.so", "libGLdispatch"))]
    check(any(os.path.basename(p).startswith("libGL.so") for p in mapped), "libGL is not loaded")
    gl_stack = ldd_closure(driver_files)
    unexpected = []
    for path in sorted(mapped):
        name = os.path.basename(path)
        check(not FORBIDDEN.search(name), f"the viewer loaded {path}")
        real = os.path.basename(os.path.realpath(path))
        if name in C_LIBRARY or X_CLIENT.match(name) or name in gl_stack or real in gl_stack:
            continue
        unexpected.append(path)
    check(not unexpected, f"libraries outside the allowed list: {unexpected}")
    print(f"libraries: {len(mapped)} loaded, all the C library, X11 or the OpenGL driver's "
          f"({len(driver_files)} driver files)")


def band_panorama(path, width=2400, height=400):
    colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (255, 0, 255), (0, 255, 255)]
    picture = Image.new("RGB", (width, height))
    for band, colour in enumerate(colours):
        picture.paste(colour, (band * width // len(colours), 0, (band + 1) * width // len(colours),
                               height))
    picture.save(path, quality=90)
    with open(path, "rb") as file:
        return file.read()


def click(viewer, position, button=1):
    viewer.x("mousemove", "--window", viewer.window, str(position[0]), str(position[1]),
             "click", str(button))


def near(a, b, tolerance=1e-6):
    return abs(a - b) <= tolerance


def check_wheel_and_keys(program, display, work):
    viewer = TracedViewer(program, display, work)
    try:
        viewer.until(lambda f: f["turning"] == 1, "the automatic turn starts with the panorama")
        viewer.find_window()
        click(viewer, IN_VIEW)  # a click in the view stops the turn
        still = viewer.settle()
        check(still["turning"] == 0, "a click did not stop the automatic turn")
        field = still["field"]

        click(viewer, IN_VIEW, 4)
        after = viewer.settle()
        check(near(after["field"], field * 0.9), f"wheel up: field {field} -> {after['field']}")
        click(viewer, IN_VIEW, 5)
        after = viewer.settle()
        check(near(after["field"], field), f"wheel down: field {after['field']}, not {field}")
        # A drag of 100 pixels to the right turns by one radian.
        viewer.x("mousemove", "--window", viewer.window, "300", "150", "mousedown", "1")
        viewer.x("mousemove", "--window", viewer.window, "350", "150")
        viewer.x("mousemove", "--window", viewer.window, "400", "150", "mouseup", "1")
        dragged = viewer.settle()
        check(near(dragged["yaw"], still["yaw"] + 1.0, 1e-5), f"drag: yaw {still['yaw']} -> {dragged['yaw']}")

        click(viewer, IN_VIEW, 4)
        click(viewer, IN_VIEW, 4)
        zoomed = viewer.settle()

        # Tapped: one step at once.
        viewer.x("key", "Right")
        after = viewer.settle()
        check(near(after["yaw"], zoomed["yaw"] + 0.05, 1e-5), f"Right: yaw {zoomed['yaw']} -> {after['yaw']}")
        viewer.x("key", "Up")
        after = viewer.settle()
        check(near(after["pitch"], zoomed["pitch"] + 0.02, 1e-5), f"Up: pitch -> {after['pitch']}")
        viewer.x("key", "Down")
        viewer.x("key", "Left")
        after = viewer.settle()
        check(near(after["yaw"], zoomed["yaw"], 1e-5) and near(after["pitch"], zoomed["pitch"], 1e-5),
              "Down and Left did not undo Up and Right")
        viewer.x("key", "plus")
        after = viewer.settle()
        check(near(after["field"], zoomed["field"] * 0.9), f"+: field -> {after['field']}")
        viewer.x("key", "minus")
        after = viewer.settle()
        check(near(after["field"], zoomed["field"]), f"-: field -> {after['field']}")
        print("drag, wheel and tapped keys: 1 rad a 100-pixel drag, zoom by 0.9 a notch or tap, "
              "0.05 rad a tap sideways, 0.02 up and down")

        # Held: the view keeps moving until the key is let go.
        start = after
        viewer.x("keydown", "Right")
        time.sleep(1.0)
        viewer.x("keyup", "Right")
        held = viewer.settle()
        turned = held["yaw"] - start["yaw"]
        check(turned > 0.3, f"Right held for a second turned only {turned:.3f} rad")
        viewer.x("keydown", "minus")
        time.sleep(0.8)
        viewer.x("keyup", "minus")
        after = viewer.settle()
        check(after["field"] > held["field"] / 0.9 * 1.05, "- held zoomed out no further than a tap")
        after_release = viewer.settle()
        check(near(after_release["yaw"], after["yaw"]), "the view moves on after the key was let go")
        print(f"held keys: Right for 1 s turned {turned:.2f} rad, - held zoomed out "
              f"{after['field'] / held['field']:.2f} times")

        # Enter starts the turn, a click stops it; the turn button starts it again.
        viewer.x("key", "Return")
        viewer.until(lambda f: f["turning"] == 1, "Enter starts the automatic turn")
        click(viewer, IN_VIEW)
        check(viewer.settle()["turning"] == 0, "a click did not stop the turn")
        click(viewer, BUTTONS["turn"])
        viewer.until(lambda f: f["turning"] == 1, "the turn button starts the turn")
        click(viewer, IN_VIEW)
        stopped = viewer.settle()
        check(stopped["turning"] == 0, "a click did not stop the turn")
        print("Enter and the turn button start the automatic turn, a click stops it")

        # The zoom buttons: a click is 10 units of 0.00001.
        click(viewer, BUTTONS["zoom in"])
        after = viewer.settle()
        check(near(after["field"], stopped["field"] - 0.0001, 1e-7), "zoom-in button")
        click(viewer, BUTTONS["zoom out"])
        after = viewer.settle()
        check(near(after["field"], stopped["field"], 1e-7), "zoom-out button")
        print("zoom buttons: 0.0001 a click")
    finally:
        viewer.kill()


def check_buttons_menu_and_tooltips(program, display, work):
    # A stand-in for the desktop's browser opener that notes what it was asked to open.
    tools = os.path.join(work, "tools")
    os.makedirs(tools, exist_ok=True)
    opened = os.path.join(work, "opened.txt")
    with open(os.path.join(tools, "xdg-open"), "w") as script:
        script.write(f"#!/bin/sh\necho \"$@\" > {opened}\n")
    os.chmod(os.path.join(tools, "xdg-open"), 0o755)
    viewer = TracedViewer(program, display, work, env={"PATH": tools + ":/usr/bin:/bin"})
    try:
        viewer.frame()
        viewer.find_window()

        for index, name in enumerate(BUTTONS):
            viewer.x("mousemove", "--window", viewer.window, *map(str, BUTTONS[name]))
            line = viewer.wait_for("tooltip ", what=f"tooltip of the {name} button")
            check(line.startswith(f"tooltip {index}: ") and len(line) > 15, line)
        print("tooltips on all five buttons")

        click(viewer, BUTTONS["link"])
        line = viewer.wait_for("page ")
        deadline = time.monotonic() + 5
        while not os.path.exists(opened) and time.monotonic() < deadline:
            time.sleep(0.1)
        check(os.path.exists(opened), "the link button started no browser")
        with open(opened) as file:
            check(file.read().strip() == line.split()[1], "the browser was given another address")
        print(f"link button: the browser opened {line.split()[1]}")

        # The menu at the menu button; its items as the trace lists them.
        def open_menu():
            click(viewer, BUTTONS["menu"])
            items = {}
            while "E&xit" not in items:
                line = viewer.wait_for("menu 0 ")
                _, _, _, place, _, enabled, text = line.split(" ", 6)
                x, y, w, h = map(int, place.split(","))
                items[text.split("\t")[0]] = (x + w // 2, y + h // 2, enabled == "enabled=1")
            return items

        items = open_menu()
        check("Acceleration type" in items, "no devices submenu")
        check("&Fullscreen" in items and items["&Fullscreen"][2], "no full-screen item")
        if "&Modes" in items:
            viewer.x("mousemove", "--window", viewer.window, *map(str, items["&Modes"][:2]))
            line = viewer.wait_for("menu 1 0 ")
            check(re.search(r" \d+x\d+x\d+$", line) is not None, f"a mode item: {line}")
            modes = "listed"
        else:
            modes = "hidden (the display lists none)"
        click(viewer, items["&Fullscreen"][:2])
        viewer.wait_for("menu closed 7")
        viewer.until(lambda f: f["fullscreen"] == 1, "the menu's full-screen item")
        viewer.x("key", "alt+Return")
        viewer.until(lambda f: f["fullscreen"] == 0 and f["view"] == "800x400",
                     "Alt+Enter goes back to the window")

        items = open_menu()
        click(viewer, items["&About..."][:2])
        check(viewer.wait_for("box ").startswith("box About: "), "the menu's about item")
        viewer.x("key", "Return")
        viewer.wait_for("box closed")

        items = open_menu()
        click(viewer, IN_VIEW)  # outside the menu: it closes, nothing chosen
        viewer.wait_for("menu closed 0")
        items = open_menu()
        click(viewer, items["E&xit"][:2])
        check(viewer.end() == 0, "the menu's exit item did not end the viewer with 0")
        print(f"menu: full screen and back, about box, exit; the Modes submenu {modes}")
    finally:
        viewer.kill()


def check_picture_sources(viewer_dat, display, work, jpeg):
    """A viewer without a block: a path on the command line is shown; without one and without a
    file dialog program, a box says how to pass the file."""
    plain = write_viewer(viewer_dat, os.path.join(work, "plain-viewer"))
    viewer = TracedViewer(plain, display, work, arguments=[jpeg, "-emulation"])
    try:
        check(viewer.frame()["turning"] == 1, "the picture named on the command line does not show")
        check(not any(line.startswith("box") for line in viewer.drain()), "a box was shown")
    finally:
        viewer.kill()

    empty = os.path.join(work, "empty-path")
    os.makedirs(empty, exist_ok=True)
    viewer = TracedViewer(plain, display, work, env={"PATH": empty})
    try:
        line = viewer.wait_for("box ")
        check("Start it with the path of a JPEG file" in line and "/path/to/panorama.jpg" in line, line)
        viewer.find_window()
        viewer.x("key", "Return")
        viewer.wait_for("box closed")
        viewer.x("key", "Escape")
        check(viewer.end() == 0, "Esc did not end the empty viewer")
    finally:
        viewer.kill()

    result = subprocess.run([plain, "--help"], stdout=subprocess.PIPE, text=True, timeout=10,
                            env={"PATH": empty})
    check(result.returncode == 0 and "XWayland" in result.stdout and "picture.jpg" in result.stdout,
          "--help does not explain the command line and XWayland")
    result = subprocess.run([plain], stderr=subprocess.PIPE, text=True, timeout=10, env={})
    check(result.returncode == 0 and "XWayland" in result.stderr, "no display: no explanation")
    print("picture sources: command-line path, how to pass a file, --help, no display")


def check_without_opengl(program, display, work):
    """Where OpenGL cannot start, the viewer still shows why (drawn through X alone)."""
    viewer = TracedViewer(program, display, work, env={"LIBGL_DRIVERS_PATH": work})
    try:
        line = viewer.wait_for("box ")
        check(line.startswith("box Oskelvind Panorama Viewer: Create D3D device failed.|"), line)
        viewer.find_window()
        viewer.x("key", "Return")
        check(viewer.end() == 0, "without OpenGL: the viewer did not end with 0")
    finally:
        viewer.kill()
    print("without OpenGL: the reason shown in a box")


def check_full_picture_keeps_the_view(viewer_dat, display, work):
    """A large panorama's first frame shows a reduced decode; the full picture replaces it while
    the view turns on, and the view goes on from where it was instead of starting again."""
    jpeg = os.path.join(work, "large.jpg")
    program = write_viewer(viewer_dat, os.path.join(work, "large.exe"),
                           (2 * math.pi, band_panorama(jpeg, 8000, 3000)))
    viewer = TracedViewer(program, display, work)
    try:
        viewer.wait_for("picture 1000x375")
        viewer.wait_for("picture 8000x3000", timeout=30)
        yaws = [float(line.split()[1].removeprefix("yaw="))
                for line in viewer.seen if line.startswith("frame ")]
        check(len(yaws) >= 1, "large panorama: no frame of the reduced picture")
        after = viewer.frame()
        check(after["turning"] == 1 and after["yaw"] > yaws[-1],
              f"large panorama: the view started again with the full picture: yaw {yaws[-1]} "
              f"before, {after['yaw']} after")
        print(f"full picture: {len(yaws)} frames of the reduced one, the view turning on")
    finally:
        viewer.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True)
    options = parser.parse_args()

    def controls(display, work):
        jpeg = os.path.join(work, "bands.jpg")
        picture = band_panorama(jpeg)
        program = write_viewer(options.viewer, os.path.join(work, "round.exe"),
                               (2 * math.pi, picture))
        check_loaded_libraries(program, display, work)
        check_wheel_and_keys(program, display, work)
        check_buttons_menu_and_tooltips(program, display, work)
        check_picture_sources(options.viewer, display, work, jpeg)
        check_full_picture_keeps_the_view(options.viewer, display, work)
        check_without_opengl(program, display, work)
        print("all controls as expected")

    return run_on_xvfb(controls)


if __name__ == "__main__":
    sys.exit(main())
