// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the exported web pages' viewer in headless Chromium, reported, never asserted.
//
//   node bench/web_pages_bench.js --cli build/lib/skylacer3/panorama-cli \
//     --node-modules build/tests/output/page_tools/node_modules [--samples samples]
//
// (the page test's set-up installs puppeteer-core into that node_modules folder.)
//
// - Frame time: a 1280 x 720 view (device pixel ratio 1) of a 12000 x 2250 panorama on its Java
//   page: each frame turns the view by 0.7 degrees, draws, and waits until the canvas is
//   rasterised (a bitmap is taken of it). Median and 90th percentile over 100 frames, at the
//   widest zoom the picture allows and at 30 degrees. Goal: median at most 16 ms.
// - The same view turning by itself: the median time between animation frames (Chromium
//   paces them at 60 a second, so 16.7 ms is the floor).
// - First view: from the start of navigation to the panorama drawn (the element's aria-busy
//   turning false), for the Java page of the sample photo (1600 x 400) and of the large
//   panorama, opened from file://. Median of 5 loads. Goal: at most 300 ms.
"use strict";

const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { pathToFileURL } = require("url");

function argument(name, fallback) {
  const index = process.argv.indexOf(name);
  if (index >= 0 && index + 1 < process.argv.length) return process.argv[index + 1];
  if (fallback !== undefined) return fallback;
  throw new Error("missing " + name);
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[sorted.length >> 1];
}

function percentile90(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length * 0.9)];
}

// A 12000 x 2250 picture with detail everywhere (bands, lines, blocks of colour), as a JPEG.
async function writeLargePanorama(page, file) {
  const base64 = await page.evaluate(() => {
    const canvas = document.createElement("canvas");
    canvas.width = 12000;
    canvas.height = 2250;
    const context = canvas.getContext("2d");
    const sky = context.createLinearGradient(0, 0, 0, 2250);
    sky.addColorStop(0, "#5b8fd6");
    sky.addColorStop(0.5, "#e8e2d0");
    sky.addColorStop(1, "#3c5a2a");
    context.fillStyle = sky;
    context.fillRect(0, 0, 12000, 2250);
    let seed = 7;
    const random = () => (seed = (seed * 16807) % 2147483647) / 2147483647;
    for (let i = 0; i < 4000; i++) {
      const hue = Math.floor(random() * 360), light = Math.floor(20 + random() * 60);
      context.fillStyle = "hsl(" + hue + ",40%," + light + "%)";
      context.fillRect(random() * 12000, 600 + random() * 1500, 10 + random() * 120,
                       10 + random() * 300);
    }
    context.strokeStyle = "#111";
    for (let x = 0; x < 12000; x += 100) {
      context.beginPath();
      context.moveTo(x, 0);
      context.lineTo(x, 2250);
      context.stroke();
    }
    return canvas.toDataURL("image/jpeg", 0.85).split(",")[1];
  });
  fs.writeFileSync(file, Buffer.from(base64, "base64"));
}

function publishJava(cli, picture, size, page) {
  execFileSync(cli, ["publish", picture, "--hfov", "360", "--size", size, "--html", "java:" + page],
               { stdio: ["ignore", "ignore", "pipe"] });
}

async function frameTimes(browser, page, fov) {
  const tab = await browser.newPage();
  await tab.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
  await tab.goto(pathToFileURL(page).href, { waitUntil: "load" });
  await tab.waitForFunction(
    () => document.querySelector(".skylacer-panorama").getAttribute("aria-busy") === "false",
    { timeout: 60000 });
  const times = await tab.evaluate(async (fov) => {
    const viewer = document.querySelector(".skylacer-panorama").viewer;
    viewer.setView({ fov: fov || viewer.widest(), lift: 0 });
    const times = [];
    for (let frame = 0; frame < 110; frame++) {
      const start = performance.now();
      viewer.pan += 0.7;
      viewer.draw();
      (await createImageBitmap(viewer.canvas)).close();
      if (frame >= 10) times.push(performance.now() - start);
    }
    return { times, fov: viewer.fov, canvas: [viewer.canvas.width, viewer.canvas.height] };
  }, fov);
  const intervals = await tab.evaluate(() => new Promise((resolve) => {
    const viewer = document.querySelector(".skylacer-panorama").viewer;
    const stamps = [];
    const frame = (time) => {
      stamps.push(time);
      if (stamps.length < 110) window.requestAnimationFrame(frame);
      else {
        viewer.setTurning(0);
        resolve(stamps.slice(11).map((stamp, i) => stamp - stamps[i + 10]));
      }
    };
    viewer.setTurning(1);
    window.requestAnimationFrame(frame);
  }));
  await tab.close();
  return { ...times, intervals };
}

async function firstView(browser, page) {
  const loads = [];
  for (let i = 0; i < 5; i++) {
    const tab = await browser.newPage();
    await tab.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
    await tab.evaluateOnNewDocument(() => {
      new MutationObserver((changes, observer) => {
        const box = document.querySelector(".skylacer-panorama");
        if (box && box.getAttribute("aria-busy") === "false") {
          window.shownAt = performance.now();
          observer.disconnect();
        }
      }).observe(document, { subtree: true, attributes: true, attributeFilter: ["aria-busy"] });
    });
    await tab.goto(pathToFileURL(page).href, { waitUntil: "load" });
    await tab.waitForFunction(() => window.shownAt !== undefined, { timeout: 60000 });
    loads.push(await tab.evaluate(() => window.shownAt));
    await tab.close();
  }
  return loads;
}

async function main() {
  const puppeteer = require(path.resolve(argument("--node-modules"), "puppeteer-core"));
  const cli = argument("--cli");
  const photo = path.join(argument("--samples", path.join(__dirname, "..", "samples")), "mountains",
                          "IMG_0001.jpg");
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-bench-"));
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium", headless: true,
    userDataDir: path.join(folder, "profile"),
    args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking"]
  });
  try {
    const scratch = await browser.newPage();
    const large = path.join(folder, "large.jpg");
    await writeLargePanorama(scratch, large);
    await scratch.close();
    publishJava(cli, large, "12000x2250", path.join(folder, "large.html"));
    publishJava(cli, photo, "1600x400", path.join(folder, "sample.html"));

    for (const fov of [0, 30]) {
      const result = await frameTimes(browser, path.join(folder, "large.html"), fov);
      console.log("frame time, " + result.canvas.join(" x ") + " view of 12000 x 2250 at " +
                  result.fov.toFixed(1) + " degrees: median " + median(result.times).toFixed(2) +
                  " ms, 90th percentile " + percentile90(result.times).toFixed(2) +
                  " ms (goal 16 ms); turning by itself: median " +
                  median(result.intervals).toFixed(2) + " ms between frames");
    }
    for (const [name, page] of [["sample 1600 x 400", "sample.html"],
                                ["large 12000 x 2250", "large.html"]]) {
      const loads = await firstView(browser, path.join(folder, page));
      console.log("first view of the Java page, " + name + ": median " + median(loads).toFixed(0) +
                  " ms (" + loads.map((t) => t.toFixed(0)).join(", ") + "; goal 300 ms)");
    }
  } finally {
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.log("failed: " + (error && error.stack ? error.stack : error));
  process.exit(1);
});
