#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How long panorama-cli takes to end after Ctrl-C, in each phase of a long command.

Runs the command once undisturbed to learn its phases (the progress lines it prints on
standard error, with their times), then once per delay, sending SIGINT after that many
seconds, and prints for each run the phase it was in, how long the process took to end after
the signal and its exit status.

  bench/ctrl_c_latency.py [--delays 0.5,1,2] [--every 0.25] -- build/bin/panorama-cli stitch ...

--every D sends SIGINT every D seconds across the undisturbed run's length instead of --delays.
Each run works in a fresh temporary folder (also TMPDIR); output paths given as OUT/name are
put there.
"""
import argparse
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time


def run(command, delay):
    """Runs `command`, sends SIGINT after `delay` seconds (None: never); returns
    (exit status, seconds from SIGINT to exit or None, the last progress line before SIGINT,
    [(seconds, progress line)] ending with the time the process ended)."""
    with tempfile.TemporaryDirectory() as out:
        words = [word.replace("OUT/", out + "/") for word in command]
        env = dict(os.environ, TMPDIR=out)
        start = time.monotonic()
        process = subprocess.Popen(words, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   env=env, text=True)
        lines = []

        def read():
            for line in process.stderr:
                lines.append((time.monotonic() - start, line.rstrip("\n")))

        reader = threading.Thread(target=read)
        reader.start()
        sent = None
        if delay is not None:
            try:
                process.wait(timeout=delay)
            except subprocess.TimeoutExpired:
                process.send_signal(signal.SIGINT)
                sent = time.monotonic()
        process.wait()
        ended = time.monotonic()
        reader.join()
        status = process.returncode if process.returncode >= 0 else 128 - process.returncode
        phase = ""
        if sent is not None:
            for when, line in lines:
                if when <= sent - start:
                    phase = line
        lines.append((ended - start, "(ended)"))
        return status, (ended - sent if sent is not None else None), phase, lines


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--delays", default="")
    parser.add_argument("--every", type=float, default=0.0)
    parser.add_argument("command", nargs="+")
    options = parser.parse_args()

    status, _, _, lines = run(options.command, None)
    total = lines[-1][0] if lines else 0.0
    print(f"undisturbed: exit {status}, {total:.2f} s")
    previous = None
    for i, (when, line) in enumerate(lines):
        text = line.split("%", 1)[-1].strip()
        following = lines[i + 1][1].split("%", 1)[-1].strip() if i + 1 < len(lines) else None
        if text != previous or text != following:
            print(f"  {when:6.2f} s  {line}")
        previous = text
    if options.every > 0:
        delays = [options.every * i for i in range(1, int(total / options.every) + 1)]
    else:
        delays = [float(d) for d in options.delays.split(",") if d]
    worst = 0.0
    for delay in delays:
        status, latency, phase, _ = run(options.command, delay)
        if latency is None:
            print(f"SIGINT at {delay:5.2f} s: ended before it, exit {status}")
            continue
        worst = max(worst, latency)
        print(f"SIGINT at {delay:5.2f} s: ended {latency:.3f} s later, exit {status}  [{phase}]")
    if delays:
        print(f"worst: {worst:.3f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
