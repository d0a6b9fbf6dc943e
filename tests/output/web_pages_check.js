// Every kind of exported web page, opened from disk in headless Chromium (Debian's package,
// driven by puppeteer-core). The pages are written by `panorama-cli publish` from a sample photo.
//
//   node web_pages_check.js --cli PANORAMA_CLI --samples DIR --node-modules DIR --artefacts DIR
//
// For each viewer page: no request fails and no script error happens; the canvas shows the
// panorama (its pixels compared with the picture drawn the same way); dragging changes the view;
// a full circle wraps and a partial one stops at its ends. For the QuickTime VR page: no request
// fails, the sentence for browsers that cannot play the movie is shown and the link leads to the
// movie. A screenshot of each page is kept in the artefacts folder. Exit code 77 skips the test
// when no Chromium is installed.
"use strict";

const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { fileURLToPath, pathToFileURL } = require("url");

const CHROMIUM = "/usr/bin/chromium";

function argument(name) {
  const index = process.argv.indexOf(name);
  if (index < 0 || index + 1 >= process.argv.length) throw new Error("missing " + name);
  return process.argv[index + 1];
}

const results = { passed: 0, failed: 0 };
function check(name, condition, detail) {
  if (condition) {
    results.passed++;
  } else {
    results.failed++;
    console.log("FAILED " + name + (detail === undefined ? "" : ": " + detail));
  }
}

// Writes the pages of one panorama; returns the folder.
function publish(cli, photo, degrees, pages) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-"));
  const args = ["publish", photo, "--hfov", String(degrees), "--size", "1600x400"];
  for (const [kind, name] of pages) args.push("--html", kind + ":" + path.join(folder, name));
  execFileSync(cli, args, { stdio: ["ignore", "ignore", "pipe"] });
  return folder;
}

// Opens a page from disk and records what went wrong while it loaded and ran.
async function openPage(browser, file) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  const problems = [];
  page.on("requestfailed", (request) =>
    problems.push("request failed: " + request.url() + " " + request.failure().errorText));
  page.on("pageerror", (error) => problems.push("script error: " + error.message));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push("console: " + message.text());
  });
  await page.goto(pathToFileURL(file).href, { waitUntil: "load" });
  return { page, problems };
}

// Peak signal-to-noise ratio in dB between two PNG/JPEG pictures (base64) of one size, measured
// in a blank page where images from data addresses can be read back.
async function psnr(scratch, actualPng, expected) {
  return scratch.evaluate(async (actual, reference) => {
    const load = (source) => new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = reject;
      image.src = source;
    });
    const shown = await load("data:image/png;base64," + actual);
    const canvas = document.createElement("canvas");
    canvas.width = shown.width;
    canvas.height = shown.height;
    const context = canvas.getContext("2d");
    context.drawImage(shown, 0, 0);
    const a = context.getImageData(0, 0, canvas.width, canvas.height).data;
    const picture = await load("data:image/jpeg;base64," + reference.jpeg);
    context.fillStyle = "#000";
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.imageSmoothingQuality = "high";
    context.drawImage(picture, reference.x, reference.y, reference.width, reference.height);
    const b = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let sum = 0;
    for (let i = 0; i < a.length; i += 4)
      for (let c = 0; c < 3; c++) sum += (a[i + c] - b[i + c]) ** 2;
    const mse = sum / ((a.length / 4) * 3);
    return mse === 0 ? 99 : 10 * Math.log10((255 * 255) / mse);
  }, actualPng, expected);
}

function viewState(page) {
  return page.evaluate(() => {
    const viewer = document.querySelector(".skylacer-panorama").viewer;
    return {
      viewX: viewer.viewX, viewY: viewer.viewY, scale: viewer.scale(),
      panoWidth: viewer.panoWidth, viewWidth: viewer.viewWidth(), full: viewer.full
    };
  });
}

async function drag(page, dx) {
  const box = await (await page.$(".skylacer-panorama canvas")).boundingBox();
  const x = box.x + box.width / 2, y = box.y + box.height / 2;
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x + dx / 2, y, { steps: 2 });
  await page.mouse.move(x + dx, y, { steps: 2 });
  await page.mouse.up();
}

async function checkViewerPage(browser, scratch, file, photoJpeg, artefact) {
  const name = path.basename(artefact);
  const { page, problems } = await openPage(browser, file);
  await page.waitForFunction(
    () => document.querySelector(".skylacer-panorama").getAttribute("aria-busy") === "false",
    { timeout: 10000 });
  const drawn = await page.evaluate(() => !!document.querySelector(".skylacer-panorama").viewer);
  check(name + " shows the panorama", drawn, problems.join("; "));
  if (!drawn) return;
  await page.screenshot({ path: artefact });

  const canvas = await page.$(".skylacer-panorama canvas");
  const before = await canvas.screenshot({ encoding: "base64" });
  const state = await viewState(page);
  const match = await psnr(scratch, before, {
    jpeg: photoJpeg, x: -state.viewX * state.scale, y: -state.viewY * state.scale,
    width: state.panoWidth * state.scale, height: 400 * state.scale
  });
  check(name + " canvas matches the picture (PSNR " + match.toFixed(1) + " dB)", match > 24);

  await drag(page, -200);
  const after = await viewState(page);
  check(name + " dragging turns the view", Math.abs(after.viewX - state.viewX) > 100,
        JSON.stringify([state.viewX, after.viewX]));
  const turned = await psnr(scratch, await canvas.screenshot({ encoding: "base64" }), {
    jpeg: photoJpeg, x: -after.viewX * after.scale, y: -after.viewY * after.scale,
    width: after.panoWidth * after.scale, height: 400 * after.scale
  });
  check(name + " the turned view matches the picture (PSNR " + turned.toFixed(1) + " dB)",
        turned > 24);

  // Far to one side: a full circle comes round again, a partial panorama stops at its end.
  await drag(page, 350);
  await drag(page, 350);
  await drag(page, 350);
  const far = await viewState(page);
  if (far.full) {
    check(name + " a full circle wraps", far.viewX >= 0 && far.viewX < far.panoWidth &&
          Math.abs(far.viewX - (state.viewX - 850 / state.scale + far.panoWidth) % far.panoWidth) < 2,
          JSON.stringify(far));
  } else {
    check(name + " a partial panorama stops at its left end", far.viewX === 0, JSON.stringify(far));
  }
  check(name + " loads without failed requests or errors", problems.length === 0,
        problems.join("; "));
  await page.close();
}

async function checkMoviePage(browser, file, artefact) {
  const name = path.basename(artefact);
  const { page, problems } = await openPage(browser, file);
  await page.screenshot({ path: artefact });
  const shown = await page.evaluate(() => {
    const note = document.querySelector(".skylacer-movie-note");
    return { visible: !note.hidden && note.offsetHeight > 0, text: note.textContent,
             link: document.querySelector(".skylacer-movie-link").href };
  });
  check(name + " says that the browser cannot play the movie",
        shown.visible && /cannot play QuickTime VR movies/.test(shown.text), JSON.stringify(shown));
  const movie = fileURLToPath(shown.link);
  check(name + " links to the movie", fs.existsSync(movie) && fs.statSync(movie).size > 1000 &&
        path.dirname(movie) === path.dirname(file), shown.link);
  check(name + " loads without failed requests or errors", problems.length === 0,
        problems.join("; "));
  await page.close();
}

async function main() {
  if (!fs.existsSync(CHROMIUM)) {
    console.log("skipped: no Chromium at " + CHROMIUM + " (scripts/setup installs it)");
    process.exit(77);
  }
  const puppeteer = require(path.resolve(argument("--node-modules"), "puppeteer-core"));
  const cli = argument("--cli");
  const artefacts = argument("--artefacts");
  const photo = path.join(argument("--samples"), "mountains", "IMG_0001.jpg");
  fs.mkdirSync(artefacts, { recursive: true });

  const full = publish(cli, photo, 360, [["flash", "flash.html"], ["activex", "activex.html"],
                                         ["qtvr", "qtvr.html"]]);
  // A name that must stay a name in the page: quotes, a '<', a '#' and a '%'.
  const partial = publish(cli, photo, 100, [["java", "it's <\"#1\"> 100%.html"]]);
  const photoJpeg = fs.readFileSync(photo).toString("base64");

  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-profile-"));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM, headless: true, userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"]
  });
  try {
    const scratch = await browser.newPage();
    await checkViewerPage(browser, scratch, path.join(full, "flash.html"), photoJpeg,
                          path.join(artefacts, "flash.png"));
    await checkViewerPage(browser, scratch, path.join(full, "activex.html"), photoJpeg,
                          path.join(artefacts, "activex.png"));
    await checkViewerPage(browser, scratch, path.join(partial, "it's <\"#1\"> 100%.html"),
                          photoJpeg, path.join(artefacts, "java.png"));
    await checkMoviePage(browser, path.join(full, "qtvr.html"), path.join(artefacts, "qtvr.png"));
  } finally {
    await browser.close();
    for (const folder of [full, partial, profile]) fs.rmSync(folder, { recursive: true, force: true });
  }
  console.log(results.passed + " passed, " + results.failed + " failed");
  process.exit(results.failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log("FAILED: " + (error && error.stack ? error.stack : error));
  process.exit(1);
});
