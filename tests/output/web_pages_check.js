// SPDX-License-Identifier: GPL-3.0-or-later
// Every kind of exported web page, opened from disk in headless Chromium (Debian's package,
// driven by puppeteer-core), as a visitor's browser opens it: no --allow-file-access-from-files.
// The pages are written by `panorama-cli publish`.
//
//   node web_pages_check.js --cli PANORAMA_CLI --samples DIR --node-modules DIR --artefacts DIR
//
// - Each page kind on a sample photo: loads without errors, shows the panorama in perspective
//   (its pixels against the camera model drawn here from the photo), turns when dragged, wraps a
//   full circle and stops a partial one at its ends. Screenshots before and after a drag are
//   kept in the artefacts folder.
// - The projection, on a synthetic panorama of lines every 5 degrees, a horizon line and a
//   smooth ramp published as Flash slices: verticals stay vertical at every pan, the point at
//   the pan angle is at the view's centre, the horizon is straight, the field of view measured
//   from the lines is the zoom, and the slices join without a visible seam.
// - What visitors do: a phone (390 x 844, touch): the view fills the width, the buttons are on
//   screen, it follows a rotation, one finger turns and two pinch; keys without a click;
//   fullscreen by F, double-click and button; the wheel handed back at the zoom's limits; auto
//   turn from the page's attribute; Home resets.
// - The QuickTime VR page of our movies: every Cinepak frame as FFmpeg decodes it, the panorama
//   rebuilt from them as good as FFmpeg's frames make it, and shown; another file, or a missing
//   script, leaves the download link and its sentence; over http it reads the movie itself.
// - A loading indicator while a (slowly served) picture loads.
// A missing Chromium or FFmpeg fails the test.
"use strict";

const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const { fileURLToPath, pathToFileURL } = require("url");

const CHROMIUM = "/usr/bin/chromium";
const DEG = Math.PI / 180;

function argument(name) {
  const index = process.argv.indexOf(name);
  if (index < 0 || index + 1 >= process.argv.length) throw new Error("missing " + name);
  return process.argv[index + 1];
}

const results = { passed: 0, failed: 0 };
function check(name, condition, detail) {
  if (condition) {
    results.passed++;
    console.log("ok " + name);
  } else {
    results.failed++;
    console.log("FAILED " + name + (detail === undefined ? "" : ": " + detail));
  }
}

// ---- pictures ----

// RGBA pixels of a PNG as Chromium writes screenshots: 8-bit RGB or RGBA, not interlaced.
function decodePng(buffer) {
  const width = buffer.readUInt32BE(16), height = buffer.readUInt32BE(20);
  const depth = buffer[24], type = buffer[25];
  if (depth !== 8 || (type !== 2 && type !== 6) || buffer[28] !== 0)
    throw new Error("unexpected PNG kind " + depth + "/" + type);
  const chunks = [];
  for (let at = 8; at < buffer.length;) {
    const length = buffer.readUInt32BE(at), kind = buffer.toString("ascii", at + 4, at + 8);
    if (kind === "IDAT") chunks.push(buffer.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const channels = type === 6 ? 4 : 3, stride = width * channels;
  const rows = Buffer.alloc(stride * height), data = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1);
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? rows[y * stride + i - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + i] : 0;
      const c = i >= channels && y > 0 ? rows[(y - 1) * stride + i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c];
      rows[y * stride + i] = (line[i] + predictor[filter]) & 255;
    }
  }
  for (let i = 0, o = 0; i < rows.length; i += channels, o += 4) {
    data[o] = rows[i];
    data[o + 1] = rows[i + 1];
    data[o + 2] = rows[i + 2];
    data[o + 3] = 255;
  }
  return { width, height, data };
}

// Defines, in a page, bytesText(bytes): the bytes as base64, to hand them back to this script.
const BYTES_TEXT = `window.bytesText = (bytes) => {
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000)
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}`;

function psnrOf(a, b, count) {
  let sum = 0;
  for (let i = 0; i < count; i++) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? 99 : 10 * Math.log10((255 * 255 * count) / sum);
}

// A picture file drawn at width x height in a blank page (where pixels of data addresses can be
// read back): RGBA bytes.
async function pictureAt(scratch, file, width, height) {
  await scratch.evaluate(BYTES_TEXT);
  const base64 = await scratch.evaluate(async (source, w, h) => {
    const image = new Image();
    await new Promise((resolve, reject) => {
      image.onload = resolve;
      image.onerror = reject;
      image.src = source;
    });
    const canvas = document.createElement("canvas");
    canvas.width = w;
    canvas.height = h;
    const context = canvas.getContext("2d");
    context.imageSmoothingQuality = "high";
    context.drawImage(image, 0, 0, w, h);
    return window.bytesText(context.getImageData(0, 0, w, h).data);
  }, "data:image/" + (file.endsWith(".png") ? "png" : "jpeg") + ";base64," +
     fs.readFileSync(file).toString("base64"), width, height);
  return { width, height, data: Buffer.from(base64, "base64") };
}

// The Flash page's slices NAME1.jpg, NAME2.jpg, ... side by side, as RGBA bytes.
async function joinedSlices(scratch, folder, name) {
  const slices = [];
  for (let i = 1; fs.existsSync(path.join(folder, name + i + ".jpg")); i++) {
    const bytes = fs.readFileSync(path.join(folder, name + i + ".jpg"));
    slices.push("data:image/jpeg;base64," + bytes.toString("base64"));
  }
  await scratch.evaluate(BYTES_TEXT);
  const joined = await scratch.evaluate(async (slices) => {
    const images = await Promise.all(slices.map((source) => new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = reject;
      image.src = source;
    })));
    const canvas = document.createElement("canvas");
    canvas.width = images.reduce((sum, image) => sum + image.width, 0);
    canvas.height = images[0].height;
    const context = canvas.getContext("2d");
    images.reduce((x, image) => {
      context.drawImage(image, x, 0);
      return x + image.width;
    }, 0);
    const bytes = context.getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, base64: window.bytesText(bytes) };
  }, slices);
  return { width: joined.width, height: joined.height, data: Buffer.from(joined.base64, "base64") };
}

// What a camera on the cylinder's axis sees of `picture` (RGBA) in a view of the state's size:
// a screen column at angle a from the view's axis shows the picture column at the pan angle
// plus a, and a row at height h above the horizon shows the picture row h / cos(a) away from
// the picture's middle, scaled from the picture's width per radian. Sampled bilinearly.
function cameraView(picture, state, width, height) {
  const focal = width / 2 / Math.tan((state.fov * DEG) / 2);
  const radius = picture.width / (state.angle * DEG);
  const out = Buffer.alloc(width * height * 4);
  const sample = (x, y, c) => {
    const x0 = Math.floor(x), y0 = Math.max(0, Math.min(picture.height - 2, Math.floor(y)));
    const fx = x - x0, fy = Math.max(0, Math.min(1, y - y0));
    const column = (x) => state.full ? ((x % picture.width) + picture.width) % picture.width
                                     : Math.max(0, Math.min(picture.width - 1, x));
    const at = (x, y) => picture.data[(y * picture.width + column(x)) * 4 + c];
    return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
           (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
  };
  for (let u = 0; u < width; u++) {
    const side = u + 0.5 - width / 2;
    const x = (state.pan * DEG + Math.atan(side / focal)) * radius - 0.5;
    const scale = radius / Math.hypot(side, focal);
    for (let v = 0; v < height; v++) {
      const y = picture.height / 2 + (state.lift * focal - height / 2 + v + 0.5) * scale - 0.5;
      for (let c = 0; c < 3; c++) out[(v * width + u) * 4 + c] = sample(x, y, c);
      out[(v * width + u) * 4 + 3] = 255;
    }
  }
  return out;
}

// ---- pages ----

function publish(cli, picture, degrees, pages, size, quality) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-"));
  const args = ["publish", picture, "--hfov", String(degrees), "--size", size || "1600x400"];
  if (quality) args.push("--quality", String(quality));
  for (const [kind, name] of pages) args.push("--html", kind + ":" + path.join(folder, name));
  execFileSync(cli, args, { stdio: ["ignore", "ignore", "pipe"] });
  return folder;
}

// A copy of a page with some of its text replaced, as a site would change the template.
function pageVariant(file, name, replacements) {
  const copy = path.join(path.dirname(file), name);
  let text = fs.readFileSync(file, "utf8");
  for (const [from, to] of replacements) text = text.replace(from, to);
  fs.writeFileSync(copy, text);
  return copy;
}

const DESKTOP = { width: 800, height: 600, deviceScaleFactor: 1 };
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// Opens a page from disk, waits until its viewer is done loading, and records what went wrong.
async function openPage(browser, file, viewport) {
  const page = await browser.newPage();
  await page.setViewport(viewport || DESKTOP);
  const problems = [];
  page.on("requestfailed", (request) =>
    problems.push("request failed: " + request.url() + " " + request.failure().errorText));
  page.on("pageerror", (error) => problems.push("script error: " + error.message));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push("console: " + message.text());
  });
  await page.goto(pathToFileURL(file).href, { waitUntil: "load" });
  await page.waitForFunction(
    () => document.querySelector(".skylacer-panorama").getAttribute("aria-busy") === "false",
    { timeout: 20000 });
  // Settled: the canvas at its box's size in device pixels, and a frame drawn since.
  await page.waitForFunction(() => {
    const canvas = document.querySelector(".skylacer-panorama canvas");
    const box = canvas && canvas.getBoundingClientRect();
    return !canvas || (canvas.width === Math.round(box.width * devicePixelRatio) &&
                       canvas.height === Math.round(box.height * devicePixelRatio));
  }, { timeout: 5000 }).catch(() => {});
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve())));
  return { page, problems };
}

function viewState(page) {
  return page.evaluate(() => {
    const viewer = document.querySelector(".skylacer-panorama").viewer;
    if (!viewer) return null;
    return {
      pan: viewer.pan, fov: viewer.fov, lift: viewer.lift, angle: viewer.angle, full: viewer.full,
      width: viewer.canvas.width, height: viewer.canvas.height, widest: viewer.widest(),
      narrowest: viewer.narrowest()
    };
  });
}

function setView(page, view) {
  return page.evaluate((view) => {
    document.querySelector(".skylacer-panorama").viewer.setView(view);
  }, view);
}

// The view's pixels, without the buttons and the help line over it.
async function viewPixels(page) {
  const overlays = ".skylacer-help,.skylacer-bar,.skylacer-panorama a";
  await page.addStyleTag({ content: overlays + "{visibility:hidden}" });
  const canvas = await page.$(".skylacer-panorama canvas");
  const shot = decodePng(await canvas.screenshot({ type: "png" }));
  await page.addStyleTag({ content: overlays + "{visibility:visible}" });
  return shot;
}

async function drag(page, dx, dy) {
  const box = await (await page.$(".skylacer-panorama canvas")).boundingBox();
  const x = box.x + box.width / 2, y = box.y + box.height / 2;
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x + dx / 2, y + (dy || 0) / 2, { steps: 2 });
  await page.mouse.move(x + dx, y + (dy || 0), { steps: 2 });
  await page.mouse.up();
}

// The view against the camera model of the picture it shows.
async function viewMatches(page, picture, name, least) {
  let state, shot;
  for (let tries = 0; tries < 3; tries++) {  // a view that changed while it was captured again
    state = await viewState(page);
    shot = await viewPixels(page);
    if (JSON.stringify(state) === JSON.stringify(await viewState(page))) break;
  }
  const expected = cameraView(picture, state, shot.width, shot.height);
  const match = psnrOf(shot.data, expected, shot.data.length);
  check(name + " (PSNR " + match.toFixed(1) + " dB, pan " + state.pan.toFixed(2) + ")",
        match > least);
  return state;
}

async function checkViewerPage(browser, file, picture, kind, artefacts) {
  const { page, problems } = await openPage(browser, file);
  const drawn = !!(await viewState(page));
  check(kind + " page shows the panorama", drawn, problems.join("; "));
  if (!drawn) return;
  await page.screenshot({ path: path.join(artefacts, kind + "-before.png") });
  const before =
    await viewMatches(page, picture, kind + " page shows the picture in perspective", 32);

  await drag(page, -200, 0);
  const after = await viewState(page);
  // The point under the pointer stays under it: from the centre to 200 pixels left of it.
  const turned = (after.pan - before.pan + 540) % 360 - 180;
  const focal = DESKTOP.width / 2 / Math.tan((before.fov * DEG) / 2);
  check(kind + " page: dragging left turns the view right by the dragged angle",
        Math.abs(turned - Math.atan(200 / focal) / DEG) < 0.05, JSON.stringify([before, after]));
  await page.screenshot({ path: path.join(artefacts, kind + "-after.png") });
  await viewMatches(page, picture, kind + " page: the turned view shows the picture", 32);

  // Far to one side: a full circle comes round (the view across its ends is the picture's
  // ends joined), a partial panorama stops at its left end.
  for (let i = 0; i < 6; i++) await drag(page, 380, 0);
  const far = await viewState(page);
  if (far.full) {
    await setView(page, { pan: 1 });
    await viewMatches(page, picture, kind + " page: a full circle joins its ends", 32);
  } else {
    check(kind + " page: a partial panorama stops at its left end",
          Math.abs(far.pan - far.fov / 2) < 1e-9, JSON.stringify(far));
    await setView(page, { fov: far.narrowest, pan: 1000 });
    const end = await viewState(page);
    check(kind + " page: zoomed in, a partial panorama stops at its right end",
          Math.abs(end.pan - (end.angle - end.fov / 2)) < 1e-9, JSON.stringify(end));
    await viewMatches(page, picture, kind + " page: the right end shows the picture", 32);
  }
  check(kind + " page loads without failed requests or errors", problems.length === 0,
        problems.join("; "));
  await page.close();
}

// ---- projection ----

// A 3600 x 900 panorama of 360 degrees, 10 columns a degree: a ramp of grey that repeats every
// 200 columns, steepest at columns 0 and 2400 (a slice edge) in row 515 and slanting by 0.37
// columns a row (so that rows differ in where they round to the next grey level), black lines
// 6 columns wide centred on every 5 degrees except between rows 470 and 560, and a black
// horizon line 6 rows high in the middle.
async function writeSyntheticPanorama(scratch, file) {
  const base64 = await scratch.evaluate(() => {
    const canvas = document.createElement("canvas");
    canvas.width = 3600;
    canvas.height = 900;
    const context = canvas.getContext("2d");
    const ramp = context.createImageData(3600, 900);
    for (let y = 0, i = 0; y < 900; y++) {
      for (let x = 0; x < 3600; x++, i += 4) {
        ramp.data.fill(128 + 60 * Math.sin((2 * Math.PI * (x + (y - 515) * 0.37)) / 200), i, i + 3);
        ramp.data[i + 3] = 255;
      }
    }
    context.putImageData(ramp, 0, 0);
    context.fillStyle = "#000";
    for (let degrees = 0; degrees <= 360; degrees += 5) {
      context.fillRect(degrees * 10 - 3, 0, 6, 470);
      context.fillRect(degrees * 10 - 3, 560, 6, 340);
    }
    context.fillRect(0, 447, 3600, 6);
    return canvas.toDataURL("image/png").split(",")[1];
  });
  fs.writeFileSync(file, Buffer.from(base64, "base64"));
}

function luminance(shot, x, y) {
  const i = (y * shot.width + x) * 4;
  return 0.299 * shot.data[i] + 0.587 * shot.data[i + 1] + 0.114 * shot.data[i + 2];
}

// The centres of the dark lines crossing rows first..last: centroids of darkness below 50 in
// the rows' mean brightness, in pixels from the left edge.
function lineCentres(shot, first, last) {
  const darkness = [];
  for (let x = 0; x < shot.width; x++) {
    let sum = 0;
    for (let y = first; y <= last; y++) sum += luminance(shot, x, y);
    darkness.push(Math.max(0, 50 - sum / (last - first + 1)));
  }
  const centres = [];
  for (let x = 0; x < shot.width;) {
    if (!darkness[x]) { x++; continue; }
    let weight = 0, moment = 0, start = x;
    for (; x < shot.width && darkness[x]; x++) {
      weight += darkness[x];
      moment += darkness[x] * (x + 0.5);
    }
    if (start > 0 && x < shot.width && weight > 20) centres.push(moment / weight);
  }
  return centres;
}

function nearest(values, target) {
  return values.reduce(
    (best, value) => Math.abs(value - target) < Math.abs(best - target) ? value : best, Infinity);
}

async function checkProjection(browser, file, artefacts) {
  const { page, problems } = await openPage(browser, file);
  const centre = DESKTOP.width / 2;
  // Lifted to look up (rows 10-50 and 560-590 cross the lines above and below the gap).
  const verticals = [];
  for (const pan of [0, 33.3, 95, 181.7, 359.6]) {
    await setView(page, { pan, fov: 70, lift: -0.2 });
    const shot = await viewPixels(page);
    const top = lineCentres(shot, 10, 50), bottom = lineCentres(shot, 560, 590);
    const off = top.map((x) => Math.abs(nearest(bottom, x) - x));
    verticals.push(top.length >= 8 && top.length === bottom.length && Math.max(...off) <= 0.5
                   ? "" : pan + ": " + JSON.stringify(off.map((d) => +d.toFixed(2))));
    if (pan === 95) await page.screenshot({ path: path.join(artefacts, "projection-lines.png") });

    // The horizon: the centroid of the dark rows around it, column by column away from lines.
    const state = await viewState(page);
    const row = state.height / 2 - state.lift * (state.width / 2 / Math.tan((state.fov * DEG) / 2));
    const rows = [];
    for (let x = 0; x < shot.width; x++) {
      let lineNear = false;
      for (let near = Math.max(0, x - 4); near <= Math.min(shot.width - 1, x + 4); near++)
        lineNear = lineNear || luminance(shot, near, 30) < 60;
      if (lineNear) continue;
      let weight = 0, moment = 0;
      for (let y = Math.round(row) - 12; y <= Math.round(row) + 12; y++) {
        const dark = Math.max(0, 60 - luminance(shot, x, y));
        weight += dark;
        moment += dark * (y + 0.5);
      }
      rows.push(moment / weight);
    }
    check("projection: the horizon is straight and where the lift puts it at pan " + pan,
          Math.max(...rows) - Math.min(...rows) <= 0.5 && Math.abs(rows[0] - row) <= 0.5,
          JSON.stringify([Math.min(...rows), Math.max(...rows), row]));
  }
  check("projection: vertical lines stay vertical at every pan", verticals.every((v) => !v),
        verticals.filter((v) => v).join("; "));

  for (const [pan, lines] of [[130, [130]], [135, [130, 140]], [0, [0]], [252.5, [250, 255]]]) {
    await setView(page, { pan, fov: 40, lift: 0 });
    const found = lineCentres(await viewPixels(page), 10, 50);
    const focal = centre / Math.tan(20 * DEG);
    const shown =
      lines.map((line) => nearest(found, centre + focal * Math.tan((line - pan) * DEG)));
    const middle = shown.reduce((a, b) => a + b) / shown.length;
    check("projection: the point at pan " + pan + " is at the view's centre",
          Math.abs(middle - centre) <= 0.5, JSON.stringify(shown));
  }

  // The field of view from the lines d degrees either side of the centre: at x = ±f tan d.
  for (const fov of [20, 50, 90]) {
    await setView(page, { pan: 180, fov, lift: 0 });
    const state = await viewState(page);
    const side = 5 * Math.floor((state.fov / 2 - 1) / 5);
    const found = lineCentres(await viewPixels(page), 10, 50);
    const left = nearest(found, centre - 400 * Math.tan(side * DEG) / Math.tan((fov * DEG) / 2));
    const right = nearest(found, centre + 400 * Math.tan(side * DEG) / Math.tan((fov * DEG) / 2));
    const focal = (right - left) / 2 / Math.tan(side * DEG);
    const measured = (2 * Math.atan(centre / focal)) / DEG;
    check("projection: the field of view seen is the zoom (" + state.fov.toFixed(2) + "°, seen " +
          measured.toFixed(2) + "°)", Math.abs(measured - state.fov) <= 0.5 && state.fov === fov);
  }

  // The slices (96 columns) join without a step. At the closest zoom a picture column spans 8
  // view columns; for each picture column in view, the largest brightness step between
  // neighbouring view columns within its span. Across a slice edge, and across the circle's
  // ends, that step is at most twice its median over the view (a hard edge there, as drawing
  // slices as separate pictures gives, is 4 to 10 times it). Rows 478-552 of the picture hold
  // only the ramp.
  for (const pan of [240, 0]) {
    await setView(page, { pan, fov: 10, lift: 65 / (3600 / (2 * Math.PI)) });
    const shot = await viewPixels(page);
    if (pan === 240) await page.screenshot({ path: path.join(artefacts, "projection-seam.png") });
    const profile = [];
    for (let x = 0; x < shot.width; x++) {
      let sum = 0;
      for (let y = 0; y < shot.height; y++) sum += luminance(shot, x, y);
      profile.push(sum / shot.height);
    }
    const span = centre / Math.tan(5 * DEG) / (3600 / (2 * Math.PI));  // per picture column
    const largest = [];
    for (let first = centre % span; first + span < shot.width - 1; first += span) {
      let step = 0;
      for (let x = Math.round(first - span / 2); x < Math.round(first + span / 2); x++) {
        if (x >= 0) step = Math.max(step, Math.abs(profile[x + 1] - profile[x]));
      }
      largest.push({ first, step });
    }
    const median = [...largest].sort((a, b) => a.step - b.step)[largest.length >> 1].step;
    const seam = largest.find((entry) => Math.abs(entry.first - centre) < 1).step;
    check("projection: no seam at picture column " + pan * 10 + " (step " + seam.toFixed(2) +
          ", median " + median.toFixed(2) + ")", seam <= 2 * median && median > 0);
  }
  check("projection page loads without errors", problems.length === 0, problems.join("; "));
  await page.close();
}

// ---- what visitors do ----

function touch(client, type, points) {
  return client.send("Input.dispatchTouchEvent", {
    type, touchPoints: points.map(([x, y], id) => ({ x, y, id, radiusX: 1, radiusY: 1, force: 1 }))
  });
}

async function checkPhone(browser, file, artefacts) {
  const { page, problems } = await openPage(browser, file, PHONE);
  await page.screenshot({ path: path.join(artefacts, "phone.png") });
  const layout = await page.evaluate(() => {
    const box = document.querySelector(".skylacer-panorama");
    const canvas = box.querySelector("canvas");
    return {
      box: box.getBoundingClientRect().toJSON(), canvas: [canvas.width, canvas.height],
      page: document.documentElement.scrollWidth,
      buttons: [...box.querySelectorAll("button")].map((b) => b.getBoundingClientRect().toJSON())
    };
  });
  check("phone: the view fills the width and height at the device's pixels",
        layout.box.left === 0 && layout.box.width === 390 && layout.box.height === 844 &&
        layout.canvas[0] === 1170 && layout.canvas[1] === 2532 && layout.page <= 390,
        JSON.stringify(layout));
  check("phone: every button is on screen", layout.buttons.length >= 3 && layout.buttons.every(
    (b) => b.left >= 0 && b.top >= 0 && b.right <= 390 && b.bottom <= 844 && b.width >= 32),
        JSON.stringify(layout.buttons));

  const client = await page.target().createCDPSession();
  const start = await viewState(page);
  await touch(client, "touchStart", [[200, 400]]);
  await touch(client, "touchMove", [[150, 400]]);
  await touch(client, "touchMove", [[100, 400]]);
  await touch(client, "touchEnd", []);
  const dragged = await viewState(page);
  check("phone: one finger turns the view", dragged.pan > start.pan + 1 &&
        Math.abs(dragged.fov - start.fov) < 1e-9, JSON.stringify([start, dragged]));

  await touch(client, "touchStart", [[150, 400], [240, 400]]);
  await touch(client, "touchMove", [[120, 400], [270, 400]]);
  await touch(client, "touchMove", [[90, 400], [300, 400]]);
  await touch(client, "touchEnd", []);
  const pinched = await viewState(page);
  // Spread from 90 to 210 pixels: the tangent of half the field shrinks by 90 / 210.
  const expected = (2 * Math.atan(Math.tan((dragged.fov * DEG) / 2) * (90 / 210))) / DEG;
  check("phone: a pinch zooms in by the fingers' spread and does not turn",
        Math.abs(pinched.fov - Math.max(expected, pinched.narrowest)) < 0.2 &&
        Math.abs(pinched.pan - dragged.pan) < 0.5, JSON.stringify([dragged, pinched, expected]));

  await page.setViewport({ ...PHONE, width: 844, height: 390 });
  const canvasSize = () => {
    const canvas = document.querySelector(".skylacer-panorama canvas");
    return [canvas.width, canvas.height];
  };
  await page.waitForFunction((size) => eval(size)()[0] === 2532, {}, canvasSize.toString());
  const turned = (await page.evaluate(canvasSize))[1];
  await page.screenshot({ path: path.join(artefacts, "phone-sideways.png") });
  check("phone: turned sideways, the view follows", turned === 1170, String(turned));
  check("phone page loads without errors", problems.length === 0, problems.join("; "));
  await page.close();
}

async function checkVisitorControls(browser, file) {
  const { page, problems } = await openPage(browser, file);
  const start = await viewState(page);
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("ArrowUp");
  await page.keyboard.press("+");
  const keyed = await viewState(page);
  check("keys work without a click first: arrows turn and lift, + zooms",
        keyed.pan > start.pan && keyed.lift < start.lift && keyed.fov < start.fov,
        JSON.stringify([start, keyed]));
  await page.keyboard.press("Home");
  const home = await viewState(page);
  check("Home resets the view", home.pan === start.pan && home.fov === start.fov && home.lift === 0,
        JSON.stringify(home));

  const fullscreen = () => page.evaluate(() => {
    const box = document.querySelector(".skylacer-panorama");
    return { on: document.fullscreenElement === box, width: box.querySelector("canvas").width,
             screen: window.innerWidth };
  });
  await page.keyboard.press("f");
  await page.waitForFunction(() => !!document.fullscreenElement, { timeout: 3000 }).catch(() => {});
  const byKey = await fullscreen();
  await page.keyboard.press("f");
  await page.waitForFunction(() => !document.fullscreenElement, { timeout: 3000 }).catch(() => {});
  const box = await (await page.$(".skylacer-panorama canvas")).boundingBox();
  await page.mouse.click(box.x + 300, box.y + 300, { count: 2 });
  await page.waitForFunction(() => !!document.fullscreenElement, { timeout: 3000 }).catch(() => {});
  const byDoubleClick = await fullscreen();
  await page.keyboard.press("Escape");
  await page.evaluate(() => document.fullscreenElement && document.exitFullscreen());
  await page.waitForFunction(() => !document.fullscreenElement, { timeout: 3000 }).catch(() => {});
  await page.click(".skylacer-bar button[title^=Fullscreen]");
  await page.waitForFunction(() => !!document.fullscreenElement, { timeout: 3000 }).catch(() => {});
  const byButton = await fullscreen();
  check("fullscreen by F, double-click and the button, the view at the screen's width",
        byKey.on && byDoubleClick.on && byButton.on && byButton.width === byButton.screen,
        JSON.stringify([byKey, byDoubleClick, byButton]));
  check("visitor controls: no errors", problems.length === 0, problems.join("; "));
  await page.close();

  // A page that keeps its size and is taller than the window: the wheel zooms over the view
  // and is left to the page (which scrolls) once the zoom is at its limit.
  const sized = pageVariant(file, "sized.html", [['data-fill="1"', 'data-fill="0"'],
                            ["</body>", '<div style="height:3000px"></div></body>']]);
  const opened = await openPage(browser, sized);
  const wheel = async (deltaY) => {
    const canvas = await (await opened.page.$(".skylacer-panorama canvas")).boundingBox();
    await opened.page.mouse.move(canvas.x + canvas.width / 2, canvas.y + canvas.height / 2);
    const before = { scroll: await opened.page.evaluate(() => window.scrollY),
                     fov: (await viewState(opened.page)).fov };
    await opened.page.mouse.wheel({ deltaY });
    // Until the page scrolls or the view zooms, then a little longer for the other to show.
    await opened.page.waitForFunction((before) => window.scrollY !== before.scroll ||
      document.querySelector(".skylacer-panorama").viewer.fov !== before.fov,
      { timeout: 5000 }, before).catch(() => {});
    await new Promise((resolve) => setTimeout(resolve, 300));
    return { scrolled: (await opened.page.evaluate(() => window.scrollY)) !== before.scroll,
             state: await viewState(opened.page) };
  };
  const layout = await opened.page.evaluate(() =>
    document.querySelector(".skylacer-panorama").getBoundingClientRect().width);
  await wheel(400);  // to the widest view the picture allows
  const zoomOut = await wheel(100);
  const zoomIn = await wheel(-100);
  check("the page keeps its size with data-fill=\"0\"", layout === 532, String(layout));
  check("wheel: at the widest zoom the page scrolls; inside the limits the view zooms instead",
        zoomOut.scrolled && !zoomIn.scrolled && zoomIn.state.fov < zoomOut.state.fov,
        JSON.stringify([zoomOut, zoomIn]));
  await opened.page.close();

  const turning = pageVariant(file, "turning.html", [['data-auto-turn="0"', 'data-auto-turn="1"']]);
  const auto = await openPage(browser, turning);
  const first = await viewState(auto.page);
  await new Promise((resolve) => setTimeout(resolve, 500));
  const later = await viewState(auto.page);
  await auto.page.keyboard.press("ArrowLeft");
  await auto.page.waitForFunction(
    () => !document.querySelector(".skylacer-panorama").viewer.turning, { timeout: 3000 })
    .catch(() => {});
  const stopped = await viewState(auto.page);
  await new Promise((resolve) => setTimeout(resolve, 300));
  const still = await viewState(auto.page);
  check("data-auto-turn=\"1\" turns at load; a key stops it",
        later.pan > first.pan + 1 && still.pan === stopped.pan,
        JSON.stringify([first, later, stopped, still].map((state) => state.pan)));
  await auto.page.close();
}

// ---- the QuickTime VR page ----

// The movie's tiles as FFmpeg decodes them (RGB24, Cinepak's own output format).
function ffmpegFrames(movie, width, height) {
  const raw = execFileSync("ffmpeg", ["-v", "error", "-i", movie, "-map", "0:v:0", "-f", "rawvideo",
                                      "-pix_fmt", "rgb24", "-"], { maxBuffer: 1 << 30 });
  const size = width * height * 3, frames = [];
  for (let at = 0; at + size <= raw.length; at += size) frames.push(raw.subarray(at, at + size));
  return frames;
}

async function checkMoviePage(browser, scratch, file, photo, kind, artefacts) {
  const { page, problems } = await openPage(browser, file);
  const movie = path.join(path.dirname(file), path.basename(file, ".html") + ".mov");
  await page.evaluate(BYTES_TEXT);
  const ours = await page.evaluate((base64) => {
    const text = atob(base64), bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    const movie = window.SkylacerMovie.read(bytes);
    const decoder = new window.SkylacerMovie.Cinepak(movie.tileWidth, movie.tileHeight);
    const frames = movie.frames.map((frame) => window.bytesText(decoder.decode(frame)));
    return { angle: movie.angle, tileWidth: movie.tileWidth, tileHeight: movie.tileHeight, frames };
  }, fs.readFileSync(movie).toString("base64"));
  const theirs = ffmpegFrames(movie, ours.tileWidth, ours.tileHeight);
  let largest = 0, differing = 0, values = 0;
  ours.frames.forEach((frame, k) => {
    const mine = Buffer.from(frame, "base64");
    for (let i = 0; i < mine.length; i++) {
      const difference = Math.abs(mine[i] - (theirs[k] ? theirs[k][i] : -999));
      largest = Math.max(largest, difference);
      if (difference) differing++;
    }
    values += mine.length;
  });
  check(kind + ": every Cinepak frame is FFmpeg's exactly (" + ours.frames.length + " frames, " +
        differing + " of " + values + " values differ, by at most " + largest + ")",
        ours.frames.length === 24 && theirs.length === 24 && largest === 0);

  // The panorama the page shows and FFmpeg's frames laid out the same way (band k's row r is
  // picture column width - 1 - (k t + r)), both against the photo at the movie's size.
  const state = await viewState(page);
  check(kind + ": the page shows the movie's panorama", !!state, problems.join("; "));
  if (!state) return;
  const width = ours.tileHeight * 24, height = ours.tileWidth;
  const shown = await page.evaluate(() => {
    const sheet = document.querySelector(".skylacer-panorama").viewer.levels[0].sheets[0].canvas;
    const context = sheet.getContext("2d");
    return window.bytesText(context.getImageData(8, 0, sheet.width - 16, sheet.height).data);
  });
  const fromFfmpeg = Buffer.alloc(width * height * 4);
  theirs.forEach((frame, k) => {
    for (let r = 0; r < ours.tileHeight; r++) {
      for (let c = 0; c < height; c++) {
        const o = (c * width + width - 1 - (k * ours.tileHeight + r)) * 4, i = (r * height + c) * 3;
        frame.copy(fromFfmpeg, o, i, i + 3);
        fromFfmpeg[o + 3] = 255;
      }
    }
  });
  const reference = await pictureAt(scratch, photo, width, height);
  const pagePicture = { width, height, data: Buffer.from(shown, "base64") };
  const pageDb = psnrOf(pagePicture.data, reference.data, reference.data.length);
  const ffmpegDb = psnrOf(fromFfmpeg, reference.data, reference.data.length);
  check(kind + ": the rebuilt panorama against the photo (" + pageDb.toFixed(2) + " dB) is " +
        "within 1 dB of FFmpeg's frames (" + ffmpegDb.toFixed(2) + " dB)",
        pagePicture.data.length === reference.data.length && Math.abs(pageDb - ffmpegDb) <= 1 &&
        ffmpegDb > 25);
  check(kind + ": the view has the movie's pan range", state.angle === ours.angle &&
        state.full === (ours.angle >= 359.5), JSON.stringify([state, ours.angle]));

  await page.screenshot({ path: path.join(artefacts, kind + "-before.png") });
  await viewMatches(page, reference,
                    kind + ": the page shows the movie's panorama in perspective", 32);
  await drag(page, -200, 0);
  const after = await viewState(page);
  check(kind + ": dragging turns the view", Math.abs(after.pan - state.pan) > 5,
        JSON.stringify([state.pan, after.pan]));
  await page.screenshot({ path: path.join(artefacts, kind + "-after.png") });
  const link = await page.evaluate(() => document.querySelector(".skylacer-movie-link").href);
  check(kind + ": the download link leads to the movie", fileURLToPath(link) === movie, link);
  check(kind + ": loads without failed requests or errors", problems.length === 0,
        problems.join("; "));
  await page.close();
}

// Without the script, or with a file that is not one of our movies in it, the page keeps the
// sentence and the download link.
async function checkMovieFallbacks(browser, file) {
  const folder = path.dirname(file), name = path.basename(file, ".html");
  const copies = [["no-script", null], ["not-ours", Buffer.from("\0\0\0\x10ftypqt  \0\0\0\0")]];
  for (const [label, content] of copies) {
    const copy = path.join(folder, label + ".html"), movie = path.join(folder, label + ".mov");
    fs.writeFileSync(copy, fs.readFileSync(file, "utf8").split(name + ".mov").join(label + ".mov"));
    fs.copyFileSync(path.join(folder, name + ".mov"), movie);
    if (content) {
      fs.writeFileSync(movie + ".js", "document.currentScript.skylacerMovie=\"" +
                       content.toString("base64") + "\";\n");
    }
    const { page, problems } = await openPage(browser, copy);
    const shown = await page.evaluate(() => {
      const note = document.querySelector(".skylacer-movie-note");
      return { visible: !note.hidden && note.offsetHeight > 0, text: note.textContent,
               link: document.querySelector(".skylacer-movie-link").href,
               viewer: !!document.querySelector(".skylacer-panorama").viewer };
    });
    check("movie page, " + label + ": says that the browser cannot play the movie",
          shown.visible && !shown.viewer && /cannot play QuickTime VR movies/.test(shown.text),
          JSON.stringify(shown));
    check("movie page, " + label + ": links to the movie", fileURLToPath(shown.link) === movie,
          shown.link);
    const unexpected = problems.filter((p) => !(label === "no-script" && p.includes(".mov.js")) &&
                                              !/Failed to load resource/.test(p));
    check("movie page, " + label + ": no other failure", unexpected.length === 0,
          unexpected.join("; "));
    await page.close();
  }
}

// Over http (pages served from `folder`): the movie page without its script reads the movie
// itself, and while a slow picture loads the viewer page shows that it is loading.
async function checkOverHttp(browser, folder, moviePage, picturePage) {
  const server = require("http").createServer((request, response) => {
    const file = path.join(folder, path.basename(decodeURIComponent(request.url)));
    if (!fs.existsSync(file)) {
      response.writeHead(404);
      return response.end();
    }
    setTimeout(() => response.end(fs.readFileSync(file)), file.endsWith(".jpg") ? 800 : 0);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const address = "http://127.0.0.1:" + server.address().port + "/";
  const ready = () =>
    document.querySelector(".skylacer-panorama").getAttribute("aria-busy") === "false";
  try {
    const script = path.join(folder, path.basename(moviePage, ".html") + ".mov.js");
    fs.renameSync(script, script + ".away");
    const page = await browser.newPage();
    await page.goto(address + moviePage, { waitUntil: "load" });
    await page.waitForFunction(ready);
    check("over http, the movie page without its script shows the movie it reads",
          await page.evaluate(() => !!document.querySelector(".skylacer-panorama").viewer));
    await page.close();

    const slow = await browser.newPage();
    await slow.goto(address + picturePage, { waitUntil: "domcontentloaded" });
    const loading = await slow.evaluate(() => {
      const box = document.querySelector(".skylacer-panorama");
      const indicator = box.querySelector(".skylacer-loading");
      return { busy: box.getAttribute("aria-busy"),
               shown: !!indicator && indicator.offsetHeight > 0 };
    });
    await slow.waitForFunction(ready);
    const gone = await slow.evaluate(() => !document.querySelector(".skylacer-loading"));
    check("a loading indicator shows until the picture is drawn", loading.busy === "true" &&
          loading.shown && gone, JSON.stringify([loading, gone]));
    await slow.close();
  } finally {
    server.close();
  }
}

async function main() {
  for (const [tool, found] of [["Chromium at " + CHROMIUM, fs.existsSync(CHROMIUM)],
                               ["ffmpeg", spawnable("ffmpeg")]]) {
    if (!found) {
      console.log("FAILED: no " + tool + " (scripts/setup installs it)");
      process.exit(1);
    }
  }
  const puppeteer = require(path.resolve(argument("--node-modules"), "puppeteer-core"));
  const cli = argument("--cli");
  const artefacts = argument("--artefacts");
  const samples = argument("--samples");
  const photo = path.join(samples, "mountains", "IMG_0001.jpg");
  const trail = path.join(samples, "trail", "IMG_0001.jpg");
  fs.mkdirSync(artefacts, { recursive: true });

  const full = publish(cli, photo, 360, [["flash", "flash.html"], ["activex", "activex.html"],
                                         ["qtvr", "qtvr.html"]]);
  // A name that must stay a name in the page: quotes, a '<', a '#' and a '%'.
  const partialName = "it's <\"#1\"> 100%.html";
  const partial = publish(cli, photo, 100, [["java", partialName]]);
  const trailMovie = publish(cli, trail, 150, [["qtvr", "trail.html"]], "1200x500");
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-profile-"));
  const synthetic = fs.mkdtempSync(path.join(os.tmpdir(), "skyweb-lines-"));
  const folders = [full, partial, trailMovie, profile, synthetic];

  const browser = await puppeteer.launch({
    executablePath: CHROMIUM, headless: true, userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"]
  });
  try {
    const viewer = fs.statSync(path.join(full, "swfobject.js")).size;
    check("the viewer script, movie reader included, is at most 40 KB (" + viewer + " bytes)",
          viewer <= 40 * 1024);
    const scratch = await browser.newPage();
    const picture = await pictureAt(scratch, photo, 1600, 400);
    await checkViewerPage(browser, path.join(full, "flash.html"),
                          await joinedSlices(scratch, full, "flash"), "flash", artefacts);
    await checkViewerPage(browser, path.join(full, "activex.html"), picture, "activex", artefacts);
    await checkViewerPage(browser, path.join(partial, partialName), picture, "java", artefacts);

    const lines = path.join(synthetic, "lines.png");
    await writeSyntheticPanorama(scratch, lines);
    const linesFolder = publish(cli, lines, 360, [["flash", "lines.html"]], "3600x900", 95);
    folders.push(linesFolder);
    await checkProjection(browser, path.join(linesFolder, "lines.html"), artefacts);

    await checkPhone(browser, path.join(full, "activex.html"), artefacts);
    await checkVisitorControls(browser, path.join(full, "activex.html"));

    await checkMoviePage(browser, scratch, path.join(full, "qtvr.html"), photo, "qtvr", artefacts);
    await checkMoviePage(browser, scratch, path.join(trailMovie, "trail.html"), trail,
                         "qtvr-partial", artefacts);
    await checkMovieFallbacks(browser, path.join(full, "qtvr.html"));
    await checkOverHttp(browser, full, "qtvr.html", "activex.html");
  } finally {
    await browser.close();
    for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
  }
  console.log(results.passed + " passed, " + results.failed + " failed");
  process.exit(results.failed === 0 ? 0 : 1);
}

function spawnable(tool) {
  try {
    execFileSync(tool, ["-version"], { stdio: "ignore" });
    return true;
  } catch (error) {
    return false;
  }
}

main().catch((error) => {
  console.log("FAILED: " + (error && error.stack ? error.stack : error));
  process.exit(1);
});
