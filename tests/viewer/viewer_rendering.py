#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The viewer on an X server of its own (Xvfb, Mesa's software renderer): what it draws.

Each run copies the built viewer ("viewer.dat"), appends a panorama data block or not, and
starts it with SKYLACER_VIEWER_SNAPSHOT: the viewer holds the view still, draws a few frames,
saves what the screen shows of its window and exits. The screenshots are compared with the view
the cylinder model predicts, computed here independently from the picture.

Keys reach the viewer through xdotool; its boxes are read from its trace. Fails, like any other
problem, where Xvfb cannot start.
"""

import argparse
import math
import os
import subprocess
import sys

import numpy as np
from PIL import Image

from viewer_harness import (TracedViewer, check, run_on_xvfb, viewer_environment,
                            write_viewer)

VIEW_WIDTH, VIEW_HEIGHT = 800, 400
TOOLBAR_WIDTH, TOOLBAR_HEIGHT = 160, 32
# Face colour of the toolbar's normal buttons (bitmap 105).
TOOLBAR_FACE = (70, 74, 80)
BAND_COLOURS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
                (255, 0, 255), (0, 255, 255), (255, 128, 0), (128, 0, 255)]
BANDS_SIZE = (1600, 400)


def snapshot_of(program, display, work, what, env=None, arguments=(), timeout=30):
    """Runs the viewer until it exits; returns its screenshot, failing unless it ended with 0."""
    return traced_snapshot_of(program, display, work, what, env, arguments, timeout)[0]


def traced_snapshot_of(program, display, work, what, env=None, arguments=(), timeout=30):
    """snapshot_of, with the viewer's trace lines."""
    snapshot = os.path.join(work, "snapshot.png")
    if os.path.exists(snapshot):
        os.remove(snapshot)
    environment = viewer_environment(display, work)
    environment.update({"SKYLACER_VIEWER_SNAPSHOT": snapshot, "SKYLACER_VIEWER_TRACE": "1"},
                       **(env or {}))
    result = subprocess.run([program, *arguments], env=environment, timeout=timeout,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.stdout.write(result.stdout.decode(errors="replace"))
    check(result.returncode == 0 and os.path.exists(snapshot),
          f"{what}: exit code {result.returncode}, no snapshot")
    return Image.open(snapshot).convert("RGB"), result.stdout.decode(errors="replace").splitlines()


def check_keyboard(program, display, work):
    """Bad options are reported in a box once the window shows, then the viewer ends with 0;
    F1 opens the about box; Esc ends the viewer with 0."""
    viewer = TracedViewer(program, display, work, ["-emulation", "-bogus"])
    try:
        line = viewer.wait_for("box ")
        check(line.startswith("box Oskelvind Panorama Viewer: Invalid command line options given."
                              "|Legal options: -systemmemory, -emulation"), line)
        viewer.x("key", "Return")
        check(viewer.end() == 0, "bad options: the viewer did not end with 0")
    finally:
        viewer.kill()

    viewer = TracedViewer(program, display, work)
    try:
        viewer.frame()
        viewer.x("key", "F1")
        line = viewer.wait_for("box ")
        check(line.startswith("box About: Oskelvind Panorama Viewer"), line)
        viewer.x("key", "Return")
        viewer.wait_for("box closed")
        viewer.x("key", "Escape")
        check(viewer.end() == 0, "Esc: the viewer did not end with 0")
    finally:
        viewer.kill()
    print("keyboard: bad options reported, about box opened, Esc ends the viewer")


def band_picture(path):
    width, height = BANDS_SIZE
    picture = Image.new("RGB", BANDS_SIZE)
    for band, colour in enumerate(BAND_COLOURS):
        left = band * width // len(BAND_COLOURS)
        right = (band + 1) * width // len(BAND_COLOURS)
        picture.paste(colour, (left, 0, right, height))
    picture.save(path, quality=95)
    return picture


def predicted_view(picture, field_of_view):
    """The 800 x 400 view of a partial panorama on the cylinder as the viewer starts: zoomed out
    to the cylinder's full height, yaw at the left end (or the centre when the view is wider),
    pitch 0.
    A picture column p is at angle (p - 2) * fov / (W - 10), a row p at height
    (H - H div 2 - 4 - p) * fov / W (texel centres)."""
    pixels = np.asarray(picture.convert("RGB"), dtype=np.float64)
    height, width = pixels.shape[:2]
    cylinder_height = height * field_of_view / width
    tan_horizontal = cylinder_height / 2 * VIEW_WIDTH / (VIEW_HEIGHT + 6)
    tan_vertical = tan_horizontal * VIEW_HEIGHT / VIEW_WIDTH
    half_angle = math.atan(tan_horizontal)
    yaw = half_angle if half_angle < field_of_view / 2 else field_of_view / 2

    ndc_x = (np.arange(VIEW_WIDTH) + 0.5) / (VIEW_WIDTH / 2) - 1
    ndc_y = 1 - (np.arange(VIEW_HEIGHT) + 0.5) / (VIEW_HEIGHT / 2)
    across = ndc_x * tan_horizontal
    theta = yaw + np.arctan(across)
    z = ndc_y[:, None] * tan_vertical / np.sqrt(1 + across[None, :] ** 2)
    columns = np.floor(theta / (field_of_view / (width - 10)) + 2 + 0.5).astype(int)
    rows = np.floor(height - height // 2 - 4 - z / (field_of_view / width) + 0.5).astype(int)
    # Nothing lies before the panorama's left end or past its right end.
    outside = (theta < 0) | (columns >= width)
    view = pixels[np.clip(rows, 0, height - 1),
                  np.clip(columns, 0, width - 1)[None, :].repeat(VIEW_HEIGHT, axis=0)]
    view[:, outside] = 0
    return view


def scene_difference(shot, expected):
    """Mean absolute difference per channel outside the toolbar."""
    actual = np.asarray(shot, dtype=np.float64)
    check(actual.shape == expected.shape, f"screenshot is {shot.size}, expected 800 x 400")
    mask = np.ones(actual.shape[:2], dtype=bool)
    mask[VIEW_HEIGHT - TOOLBAR_HEIGHT:, :TOOLBAR_WIDTH] = False
    return float(np.abs(actual - expected)[mask].mean())


def check_shows(shot, picture, field_of_view, what, tolerance):
    expected = predicted_view(picture, field_of_view)
    difference = scene_difference(shot, expected)
    mirrored = scene_difference(shot, expected[:, ::-1])
    print(f"{what}: mean difference {difference:.2f} (mirrored view {mirrored:.2f})")
    check(difference < tolerance, f"{what}: the view differs from the prediction by {difference:.1f}")
    check(difference * 3 < mirrored, f"{what}: the view is not clearly unmirrored")


def close(colour, expected, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def check_bands(shot, bands, what):
    """Bands of a half circle left to right at their predicted columns; the toolbar at the
    bottom-left with its white keyed out."""
    expected = predicted_view(bands, math.pi)
    seen = []
    for x in range(5, VIEW_WIDTH, 10):
        colour = shot.getpixel((x, VIEW_HEIGHT // 4))
        predicted = tuple(int(c) for c in expected[VIEW_HEIGHT // 4, x])
        check(close(colour, predicted), f"{what}: pixel ({x}, 100) is {colour}, expected {predicted}")
        band = min(range(len(BAND_COLOURS)),
                   key=lambda i: sum(abs(a - b) for a, b in zip(BAND_COLOURS[i], predicted)))
        if not seen or seen[-1] != band:
            seen.append(band)
    print(f"{what}: bands {seen} from left to right")
    check(seen == sorted(seen) and len(seen) >= 3, f"{what}: bands out of order: {seen}")
    face = shot.getpixel((3, VIEW_HEIGHT - 16))
    check(close(face, TOOLBAR_FACE, 12), f"{what}: no toolbar at the bottom-left ({face})")
    corner = shot.getpixel((0, VIEW_HEIGHT - TOOLBAR_HEIGHT))
    check(close(corner, BAND_COLOURS[0]), f"{what}: the toolbar's white corner is not transparent")
    above = shot.getpixel((3, VIEW_HEIGHT - TOOLBAR_HEIGHT - 2))
    check(close(above, BAND_COLOURS[0]), f"{what}: the toolbar is taller than 32 pixels")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--artefacts", required=True)
    options = parser.parse_args()

    def views(display, work):
        bands_jpeg = os.path.join(work, "bands.jpg")
        band_picture(bands_jpeg)
        bands = Image.open(bands_jpeg).convert("RGB")
        with open(bands_jpeg, "rb") as file:
            bands_bytes = file.read()

        # An exported half-circle panorama of bands, started with "--emulation".
        program = write_viewer(options.viewer, os.path.join(work, "bands.exe"),
                               (math.pi, bands_bytes))
        shot = snapshot_of(program, display, work, "bands viewer", arguments=["--emulation"])
        shot.save(os.path.join(options.artefacts, "viewer_bands.png"))
        check_bands(shot, bands, "exported bands")
        check_shows(shot, bands, math.pi, "exported bands", 4)

        check_keyboard(program, display, work)

        # A viewer without a block asks for a file; the picture is a half circle.
        plain = write_viewer(options.viewer, os.path.join(work, "viewer.dat"))
        shot = snapshot_of(plain, display, work, "plain viewer",
                           env={"SKYLACER_VIEWER_OPEN_FILE": bands_jpeg})
        check_bands(shot, bands, "chosen bands")

        # A real photograph exported as a 1.5-radian panorama.
        photo_path = os.path.join(options.samples, "mountains", "IMG_0001.jpg")
        with open(photo_path, "rb") as file:
            photo_bytes = file.read()
        program = write_viewer(options.viewer, os.path.join(work, "photo.exe"),
                               (1.5, photo_bytes))
        shot = snapshot_of(program, display, work, "photo viewer")
        check_shows(shot, Image.open(photo_path), 1.5, "exported photo", 5)

        # A large panorama: the first frame shows a reduced decode, which stays while the full
        # picture is made between frames, then the full picture shows.
        large = Image.open(photo_path).convert("RGB").resize((4096, 3072), Image.BILINEAR)
        large_jpeg = os.path.join(work, "large.jpg")
        large.save(large_jpeg, quality=90)
        large = Image.open(large_jpeg).convert("RGB")
        with open(large_jpeg, "rb") as file:
            program = write_viewer(options.viewer, os.path.join(work, "large.exe"),
                                   (1.5, file.read()))
        shot, trace = traced_snapshot_of(program, display, work, "large viewer", timeout=60)
        shown = [line for line in trace if line.startswith(("picture ", "frame "))]
        pictures = [line for line in shown if line.startswith("picture ")]
        check(pictures == ["picture 512x384", "picture 4096x3072"]
              and shown[0] == pictures[0] and shown[1].startswith("frame ")
              and shown[-1].startswith("frame "),
              f"large viewer: not a reduced first frame, then the full picture: {shown}")
        print(f"large viewer: {shown.index(pictures[1]) - 1} frames of the reduced picture")
        check_shows(shot, large, 1.5, "large photo", 5)

        # A block whose picture is not a JPEG: an empty view, no message, the toolbar.
        program = write_viewer(options.viewer, os.path.join(work, "broken.exe"),
                               (math.pi, b"not a picture"))
        shot = snapshot_of(program, display, work, "broken viewer")
        scene = np.asarray(shot, dtype=np.float64)[:VIEW_HEIGHT - TOOLBAR_HEIGHT]
        check(scene.max() < 8, "broken viewer: the view is not empty")
        check(close(shot.getpixel((3, VIEW_HEIGHT - 16)), TOOLBAR_FACE, 12),
              "broken viewer: no toolbar")
        print("all views as predicted")

    return run_on_xvfb(views)


if __name__ == "__main__":
    sys.exit(main())
