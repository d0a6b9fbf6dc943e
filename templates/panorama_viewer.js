/* The Skylacer web pages' script: the QuickTime VR movie reader (SkylacerMovie), then the panorama
 * viewer that every page kind uses. */

/* QuickTime VR movies of ours, read in the page (SkylacerMovie).
 *
 * The movies Skylacer writes hold one cylindrical node: a 'pano' track whose one sample is an
 * atom container with the 'pdat' atom (pan range, fields of view, tile layout), and an image
 * track of 24 Cinepak frames, each a band of the panorama turned a quarter turn (the picture's
 * right end is the first band's top row). A movie that does not have this shape is refused, and
 * the page offers the download instead.
 */
(function () {
  "use strict";

  function fail(why) { throw new Error("The movie cannot be shown: " + why + "."); }
  function fourCC(bytes, at) {
    return String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
  }
  function u16(bytes, at) { return (bytes[at] << 8) | bytes[at + 1]; }
  function u24(bytes, at) { return (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2]; }
  function u32(bytes, at) { return ((bytes[at] << 24) >>> 0) + u24(bytes, at + 1); }

  // The atoms that follow one another from `start` to `end`: type and body.
  function atomsIn(bytes, start, end) {
    var list = [];
    while (start + 8 <= end) {
      var size = u32(bytes, start), header = 8;
      if (size === 1) {
        size = u32(bytes, start + 8) * 4294967296 + u32(bytes, start + 12);
        header = 16;
      } else if (size === 0) {
        size = end - start;
      }
      if (size < header || start + size > end) fail("an atom runs past its parent");
      list.push({ type: fourCC(bytes, start + 4), start: start + header, end: start + size });
      start += size;
    }
    return list;
  }

  function find(list, type) {
    for (var i = 0; i < list.length; i++) if (list[i].type === type) return list[i];
    return fail("it has no '" + type + "' atom");
  }

  // Offset and size of every sample of a track's sample table.
  function samplesOf(bytes, table) {
    var stsz = find(table, "stsz").start, stsc = find(table, "stsc").start;
    var co64 = table.some(function (atom) { return atom.type === "co64"; });
    var stco = find(table, co64 ? "co64" : "stco").start;
    var constant = u32(bytes, stsz + 4), count = u32(bytes, stsz + 8);
    var runs = u32(bytes, stsc + 4), chunks = u32(bytes, stco + 4), samples = [];
    for (var chunk = 1, run = 0; chunk <= chunks && samples.length < count; chunk++) {
      while (run + 1 < runs && u32(bytes, stsc + 8 + 12 * (run + 1)) <= chunk) run++;
      var at = co64 ? u32(bytes, stco + 8 * chunk) * 4294967296 + u32(bytes, stco + 4 + 8 * chunk)
                    : u32(bytes, stco + 4 + 4 * chunk);  // entries from offset 8, 8 or 4 bytes
      for (var k = u32(bytes, stsc + 12 + 12 * run); k > 0 && samples.length < count; k--) {
        var size = constant || u32(bytes, stsz + 12 + 4 * samples.length);
        if (at + size > bytes.length) fail("a sample lies past the end of the file");
        samples.push({ start: at, end: at + size });
        at += size;
      }
    }
    if (samples.length !== count) fail("its sample tables disagree");
    return samples;
  }

  function trackOf(bytes, trak) {
    var parts = atomsIn(bytes, trak.start, trak.end);
    var references = {};
    parts.filter(function (atom) { return atom.type === "tref"; }).forEach(function (tref) {
      atomsIn(bytes, tref.start, tref.end).forEach(function (reference) {
        var ids = [];
        for (var at = reference.start; at + 4 <= reference.end; at += 4) ids.push(u32(bytes, at));
        references[reference.type] = ids;
      });
    });
    var media = atomsIn(bytes, find(parts, "mdia").start, find(parts, "mdia").end);
    var information = find(media, "minf");
    var table = find(atomsIn(bytes, information.start, information.end), "stbl");
    table = atomsIn(bytes, table.start, table.end);
    return {
      id: u32(bytes, find(parts, "tkhd").start + 12),
      type: fourCC(bytes, find(media, "hdlr").start + 8),
      format: fourCC(bytes, find(table, "stsd").start + 12),
      references: references,
      samples: samplesOf(bytes, table)
    };
  }

  // The body of the first atom of `type` in an atom container (12 bytes of header, then atoms
  // of 20-byte headers whose leaves hold data).
  function containerAtom(bytes, start, end, type) {
    while (start + 20 <= end) {
      var size = u32(bytes, start);
      if (size < 20 || start + size > end) fail("an atom container is damaged");
      if (fourCC(bytes, start + 4) === type) return start + 20;
      if (u16(bytes, start + 14)) {  // children
        var inner = containerAtom(bytes, start + 20, start + size, type);
        if (inner >= 0) return inner;
      }
      start += size;
    }
    return -1;
  }

  function float32(bytes, at) {
    return new DataView(bytes.buffer, bytes.byteOffset + at, 4).getFloat32(0);
  }

  // The node of one of our movies: the tiles' frames and what the 'pdat' atom says.
  function read(bytes) {
    var top = atomsIn(bytes, 0, bytes.length), movie = find(top, "moov");
    var tracks = atomsIn(bytes, movie.start, movie.end).filter(function (atom) {
      return atom.type === "trak";
    }).map(function (trak) { return trackOf(bytes, trak); });
    var pano = tracks.filter(function (track) { return track.type === "pano"; })[0];
    if (!pano || !pano.samples.length) fail("it has no panorama track");
    var sample = pano.samples[0];
    var p = containerAtom(bytes, sample.start + 12, sample.end, "pdat");
    if (p < 0 || p + 84 > sample.end) fail("it has no panorama description");
    var reference = (pano.references.imgt || [])[u32(bytes, p + 4) - 1];
    var image = tracks.filter(function (track) { return track.id === reference; })[0];
    var across = u16(bytes, p + 56), down = u16(bytes, p + 58);
    var sizeX = u32(bytes, p + 48), sizeY = u32(bytes, p + 52);
    if (u16(bytes, p) !== 2 || u32(bytes, p + 72) !== 0 || u32(bytes, p + 76) !== 0 ||
        across !== 1 || !down || sizeY % down) {
      fail("its panorama is not a single vertical cylinder of bands");
    }
    if (!image || image.format !== "cvid" || image.samples.length !== down) {
      fail("its picture is not in Cinepak bands");
    }
    var minPan = float32(bytes, p + 12), maxPan = float32(bytes, p + 16);
    return {
      angle: maxPan - minPan, tileWidth: sizeX, tileHeight: sizeY / down,
      maxVerticalFov: float32(bytes, p + 32), startVerticalFov: float32(bytes, p + 44),
      frames: image.samples.map(function (frame) { return bytes.subarray(frame.start, frame.end); })
    };
  }

  // Cinepak: a frame is a list of horizontal strips; each strip carries codebooks of 2 x 2
  // pixel patches in YUV (V1 and V4) and then, for every 4 x 4 block, either one V1 patch
  // scaled up or four V4 patches. Decoding in frame order keeps the strips' codebooks and the
  // picture for frames that update only some entries or blocks.
  function Cinepak(width, height) {
    this.width = width;
    this.height = height;
    this.rgb = new Uint8ClampedArray(width * height * 3);
    this.books = [];
  }

  function loadBook(book, bytes, at, end, partial, grey) {
    var size = grey ? 4 : 6, mask = 0, bits = 0;
    for (var entry = 0; entry < 256; entry++) {
      if (partial) {
        if (!bits) {
          if (at + 4 > end) return;
          mask = u32(bytes, at);
          at += 4;
          bits = 32;
        }
        if (!((mask >>> --bits) & 1)) continue;
      }
      if (at + size > end) return;
      var u = grey ? 0 : (bytes[at + 4] << 24) >> 24, v = grey ? 0 : (bytes[at + 5] << 24) >> 24;
      for (var k = 0; k < 4; k++) {
        var y = bytes[at + k], o = entry * 12 + k * 3;
        book[o] = y + 2 * v;
        book[o + 1] = y - ((u / 2) | 0) - v;  // U / 2 rounded toward zero
        book[o + 2] = y + 2 * u;
      }
      at += size;
    }
  }

  Cinepak.prototype.decode = function (bytes) {
    if (bytes.length < 10 || u16(bytes, 4) !== this.width || u16(bytes, 6) !== this.height) {
      fail("a Cinepak frame does not have the size of its track");
    }
    var flags = bytes[0], strips = u16(bytes, 8), at = 10, top = 0;
    for (var s = 0; s < strips; s++) {
      var stripEnd = at + u24(bytes, at + 1), rows = u16(bytes, at + 8) - u16(bytes, at + 4);
      if (stripEnd > bytes.length || stripEnd < at + 12) fail("a Cinepak strip is damaged");
      // V4 and V1 codebooks: 256 entries of four RGB pixels.
      if (!this.books[s]) {
        this.books[s] = [new Uint8ClampedArray(3072), new Uint8ClampedArray(3072)];
      }
      var books = this.books[s];
      if (s > 0 && !(flags & 1)) {
        books[0].set(this.books[s - 1][0]);
        books[1].set(this.books[s - 1][1]);
      }
      for (var chunk = at + 12; chunk + 4 <= stripEnd;) {
        var id = bytes[chunk], end = chunk + u24(bytes, chunk + 1);
        if (end > stripEnd || end < chunk + 4) fail("a Cinepak chunk is damaged");
        var book = books[(id >> 1) & 1];  // 0x22, 0x23, 0x26 and 0x27 are V1
        if (id >= 0x20 && id <= 0x27) loadBook(book, bytes, chunk + 4, end, id & 1, id & 4);
        if (id >= 0x30 && id <= 0x32) this.blocks(id, bytes, chunk + 4, end, books, top, rows);
        chunk = end;
      }
      top += rows;
      at = stripEnd;
    }
    return this.rgb;
  };

  // The blocks of one strip: 0x30 every block V1 or V4 by a flag bit, 0x31 a first bit for
  // whether the block changes, 0x32 every block V1.
  Cinepak.prototype.blocks = function (id, bytes, at, end, books, top, rows) {
    var width = this.width, bottom = Math.min(top + rows, this.height), rgb = this.rgb;
    var mask = 0, bits = 0;
    var flag = function () {
      if (!bits) {
        if (at + 4 > end) return -1;
        mask = u32(bytes, at);
        at += 4;
        bits = 32;
      }
      return (mask >>> --bits) & 1;
    };
    for (var y = top; y < bottom; y += 4) {
      for (var x = 0; x < width; x += 4) {
        var change = id === 0x31 ? flag() : 1, four = id === 0x32 ? 0 : change > 0 ? flag() : 0;
        if (change < 0 || four < 0 || at + (four ? 4 : 1) > end) return;
        if (!change) continue;
        for (var r = 0; r < 4 && y + r < bottom; r++) {
          for (var c = 0; c < 4 && x + c < width; c++) {
            var quadrant = (r >> 1) * 2 + (c >> 1);
            var from = four ? bytes[at + quadrant] * 12 + ((r & 1) * 2 + (c & 1)) * 3
                            : bytes[at] * 12 + quadrant * 3;
            var book = books[four ? 0 : 1], o = ((y + r) * width + x + c) * 3;
            rgb[o] = book[from];
            rgb[o + 1] = book[from + 1];
            rgb[o + 2] = book[from + 2];
          }
        }
        at += four ? 4 : 1;
      }
    }
  };

  // The panorama as a canvas: band k's row r is the picture's column width - 1 - (k * t + r).
  function rebuild(movie) {
    var t = movie.tileHeight, high = movie.tileWidth, wide = t * movie.frames.length;
    var canvas = document.createElement("canvas");
    canvas.width = wide;
    canvas.height = high;
    var context = canvas.getContext("2d"), picture = context.createImageData(wide, high);
    var out = picture.data, decoder = new Cinepak(high, t);
    movie.frames.forEach(function (frame, k) {
      var rgb = decoder.decode(frame);
      for (var r = 0; r < t; r++) {
        var o = (wide - 1 - (k * t + r)) * 4;
        for (var c = 0, i = r * high * 3; c < high; c++, i += 3, o += wide * 4) {
          out[o] = rgb[i];
          out[o + 1] = rgb[i + 1];
          out[o + 2] = rgb[i + 2];
          out[o + 3] = 255;
        }
      }
    });
    context.putImageData(picture, 0, 0);
    return canvas;
  }

  // The movie's bytes: from the script NAME.js beside the page, which sets them as base64 on
  // its own element; over http, when that script is missing, from the movie itself.
  function movieBytes(name) {
    return new Promise(function (resolve, reject) {
      var script = document.createElement("script");
      script.onload = function () {
        script.parentNode.removeChild(script);
        if (typeof script.skylacerMovie !== "string") {
          return reject(new Error("no movie in " + name + ".js"));
        }
        var text = atob(script.skylacerMovie), bytes = new Uint8Array(text.length);
        for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
        resolve(bytes);
      };
      script.onerror = function () {
        script.parentNode.removeChild(script);
        if (!/^https?:$/.test(location.protocol)) return reject(new Error("no " + name + ".js"));
        fetch(encodeURIComponent(name)).then(function (response) {
          if (!response.ok) throw new Error(name + ": " + response.status);
          return response.arrayBuffer();
        }).then(function (buffer) { resolve(new Uint8Array(buffer)); }, reject);
      };
      script.src = encodeURIComponent(name) + ".js";
      document.head.appendChild(script);
    });
  }

  // The picture for the viewer from the element's movie.
  function load(box) {
    var name = box.getAttribute("data-name") || "";
    var link = box.querySelector(".skylacer-movie-link");
    if (link) link.href = encodeURIComponent(name);
    return movieBytes(name).then(function (bytes) {
      var movie = read(bytes), canvas = rebuild(movie);
      return {
        pieces: [{ image: canvas, x: 0, width: canvas.width }], width: canvas.width,
        height: canvas.height, angle: movie.angle, maxVerticalFov: movie.maxVerticalFov,
        startVerticalFov: movie.startVerticalFov
      };
    });
  }

  window.SkylacerMovie = { load: load, read: read, Cinepak: Cinepak, rebuild: rebuild };
})();

/* Skylacer panorama viewer.
 *
 * Shows a cylindrical panorama in perspective inside every element of class "skylacer-panorama"
 * on the page, as a camera standing on the cylinder's axis would see it. It draws with the 2D
 * canvas only and fetches nothing, so it works from a page opened from disk (file://). The
 * element describes the panorama in data attributes:
 *   data-name           the picture's file name, or for slices the name they start with
 *   data-parts          (slices only) how many slices: NAME1.jpg ... NAMEn.jpg, left to right
 *   data-angle-degrees  or data-angle-radians: the horizontal field of the panorama
 *   data-movie="1"      data-name is a QuickTime VR movie of ours; its bytes come from the
 *                       script NAME.js beside the page (or, over http, from the movie itself)
 *   data-fill="0"       keep the element's own size; otherwise it fills the window
 *   data-auto-turn="1"  start turning at load
 *
 * The view: each screen pixel is a ray from the cylinder's axis. Its pan angle picks a picture
 * column and its height on the cylinder a row. Without tilt every screen column shows one
 * picture column scaled vertically, so the exact projection is drawn column by column.
 * Looking up and down shifts the view window (a lens shift): verticals stay vertical.
 * State: pan, the angle of the view's centre in degrees from the picture's left edge; fov, the
 * horizontal field of view in degrees; lift, the lens shift as the tangent of the angle above
 * the horizon at the view's centre (negative looks up).
 */
(function () {
  "use strict";

  var DEG = Math.PI / 180;
  var NARROWEST = 10;   // degrees of horizontal field at the closest zoom
  var WIDEST = 120;     // degrees of horizontal field at most, whatever the picture allows
  var START_FOV = 90;
  var TURN_SECONDS = 60;  // one full turn of auto-turn; a partial panorama moves as fast
  var SHEET = 4096;     // picture columns per drawing sheet
  var PAD = 8;          // columns a sheet repeats from its neighbours on each side
  var LEVELS = 3;       // the sheets at full, half and quarter size
  var ERROR = 0.5;      // canvas pixels that a group of columns drawn as one may be off
  var STYLE =
    ".skylacer-panorama{position:relative;overflow:hidden;background:#000;margin:0 auto;" +
    "max-width:100%;user-select:none;-webkit-user-select:none;font:14px sans-serif;color:#eee}" +
    ".skylacer-panorama.skylacer-fill{position:fixed;inset:0;width:auto!important;" +
    "height:auto!important;margin:0}" +
    ".skylacer-panorama:fullscreen{width:100%!important;height:100%!important}" +
    ".skylacer-panorama canvas{position:absolute;left:0;top:0;width:100%;height:100%;" +
    "display:block;cursor:grab;outline:none;touch-action:none}" +
    ".skylacer-panorama canvas.dragging{cursor:grabbing}" +
    ".skylacer-bar{position:absolute;right:8px;bottom:8px;display:flex;gap:6px}" +
    ".skylacer-panorama button{min-width:36px;height:36px;border:0;border-radius:5px;" +
    "background:rgba(0,0,0,.55);color:#fff;font:18px sans-serif;cursor:pointer;padding:0 6px}" +
    ".skylacer-panorama button[aria-pressed=true]{background:rgba(40,110,200,.85)}" +
    ".skylacer-help{position:absolute;left:8px;top:8px;max-width:calc(100% - 16px);" +
    "font-size:12px;text-shadow:0 0 3px #000;pointer-events:none;opacity:.85}" +
    ".skylacer-panorama a{color:#8cf;position:absolute;left:8px;bottom:12px;font-size:12px;" +
    "z-index:1;text-shadow:0 0 3px #000}" +
    ".skylacer-panorama [hidden]{display:none!important}" +
    ".skylacer-note,.skylacer-movie-note,.skylacer-loading{position:absolute;inset:0;" +
    "display:flex;align-items:center;justify-content:center;text-align:center;padding:1em;" +
    "color:#ddd}" +
    ".skylacer-loading:before{content:'';width:28px;height:28px;margin-right:10px;" +
    "border:3px solid #666;border-top-color:#eee;border-radius:50%;" +
    "animation:skylacer-spin 1s linear infinite}" +
    "@keyframes skylacer-spin{to{transform:rotate(360deg)}}";
  var HELP = "Drag or arrow keys: look around \u00b7 wheel, pinch or +/\u2212: zoom \u00b7 " +
    "F: fullscreen \u00b7 Home: reset";

  var active = null;  // the viewer that the keys steer

  function clamp(value, low, high) { return Math.min(Math.max(value, low), high); }

  function element(tag, className, parent) {
    var made = document.createElement(tag);
    if (className) made.className = className;
    if (parent) parent.appendChild(made);
    return made;
  }

  function addStyle() {
    if (document.getElementById("skylacer-panorama-style")) return;
    var style = element("style");
    style.id = "skylacer-panorama-style";
    style.textContent = STYLE;
    document.head.appendChild(style);
  }

  function angleOf(box) {
    var degrees = parseFloat(box.getAttribute("data-angle-degrees"));
    if (isFinite(degrees)) return degrees;
    var radians = parseFloat(box.getAttribute("data-angle-radians"));
    return isFinite(radians) ? radians / DEG : 360;
  }

  function loadPicture(name) {
    return new Promise(function (resolve, reject) {
      var image = new Image();
      image.onload = function () { resolve(image); };
      image.onerror = function () {
        reject("The panorama picture " + name + " could not be loaded.");
      };
      image.src = encodeURIComponent(name);
    });
  }

  // The picture files of the element, left to right, as pieces of one panorama.
  function loadPictures(box) {
    var name = box.getAttribute("data-name") || "";
    var parts = parseInt(box.getAttribute("data-parts"), 10);
    var names = [];
    for (var i = 1; i <= parts; i++) names.push(name + i + ".jpg");
    return Promise.all((parts > 0 ? names : [name]).map(loadPicture)).then(function (images) {
      var x = 0;
      var pieces = images.map(function (image) {
        var piece = { image: image, x: x, width: image.naturalWidth };
        x += piece.width;
        return piece;
      });
      return { pieces: pieces, width: x, height: images[0].naturalHeight, angle: angleOf(box) };
    });
  }

  // The panorama copied into sheets of at most SHEET columns, each with PAD columns of its
  // neighbours on both sides (a full circle's ends from its other end, a partial one's outer
  // columns repeated), so that every picture column drawn has all that the image filter reads
  // in one sheet: no seam between slices, none where a full circle closes.
  function makeSheets(picture, full) {
    var sheets = [], width = picture.width, height = picture.height;
    var first = picture.pieces[0], last = picture.pieces[picture.pieces.length - 1];
    for (var left = 0; left < width; left += SHEET) {
      var canvas = element("canvas");
      canvas.width = Math.min(SHEET, width - left) + 2 * PAD;
      canvas.height = height;
      var context = canvas.getContext("2d");
      var origin = left - PAD;
      picture.pieces.forEach(function (piece) {
        (full ? [-width, 0, width] : [0]).forEach(function (turn) {
          var x = piece.x + turn - origin;
          if (x + piece.width > 0 && x < canvas.width) context.drawImage(piece.image, x, 0);
        });
      });
      if (!full && origin < 0) context.drawImage(first.image, 0, 0, 1, height, 0, 0, PAD, height);
      if (!full && left + SHEET >= width) {
        context.drawImage(last.image, last.width - 1, 0, 1, height, canvas.width - PAD, 0, PAD,
                          height);
      }
      sheets.push({ canvas: canvas, origin: origin });
    }
    return sheets;
  }

  // Adds to the full-size sheets their halves, and their halves' halves, while the picture stays
  // tall enough: the view draws from the level nearest its own scale, so a picture shown
  // smaller than its size does not flicker (the fast image filter reads only the nearest
  // pixels).
  function addLevels(levels, height) {
    var halve = function (sheet) {
      var canvas = element("canvas");
      canvas.width = Math.max(1, Math.round(sheet.canvas.width / 2));
      canvas.height = Math.max(1, Math.round(sheet.canvas.height / 2));
      var context = canvas.getContext("2d");
      context.imageSmoothingQuality = "high";
      context.drawImage(sheet.canvas, 0, 0, canvas.width, canvas.height);
      return { canvas: canvas, origin: sheet.origin };
    };
    while (levels.length < LEVELS && height >> levels.length >= 64) {
      var last = levels[levels.length - 1].sheets;
      levels.push({ scale: 1 / (1 << levels.length), sheets: last.map(halve) });
    }
  }

  function Viewer(box, picture) {
    this.box = box;
    this.width = picture.width;
    this.height = picture.height;
    this.angle = Math.min(picture.angle, 360);
    this.full = picture.angle >= 359.5;
    this.radius = this.width / (this.angle * DEG);    // picture pixels per radian of pan
    this.half = this.height / 2 / this.radius;        // the picture's half height, in tangents
    this.maxVerticalFov = picture.maxVerticalFov || 180;
    this.startVerticalFov = picture.startVerticalFov;
    this.levels = [{ scale: 1, sheets: makeSheets(picture, this.full) }];
    this.turning = 0;  // auto-turn direction: 0 still, +1 to the right, -1 to the left
    this.pointers = {};

    if (box.getAttribute("data-fill") !== "0") box.classList.add("skylacer-fill");
    this.canvas = element("canvas", "", box);
    this.canvas.setAttribute("aria-label", "Panorama: drag to look around, wheel to zoom");
    this.context = this.canvas.getContext("2d");
    element("div", "skylacer-help", box).textContent = HELP;
    var bar = element("div", "skylacer-bar", box);
    var self = this;
    this.button(bar, "+", "Zoom in", function () { self.zoomBy(1.25); });
    this.button(bar, "\u2212", "Zoom out", function () { self.zoomBy(0.8); });
    this.turnButton = this.button(bar, "\u27f3", "Turn automatically", function () {
      self.setTurning(self.turning ? 0 : 1);
    });
    this.turnButton.setAttribute("aria-pressed", "false");
    if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
      this.button(bar, "", "Fullscreen (F)", function () { self.toggleFullscreen(); }).innerHTML =
        '<svg width="16" height="16" viewBox="0 0 16 16" fill="none" stroke="#fff" ' +
        'stroke-width="2"><path d="M1 6V1h5M10 1h5v5M15 10v5h-5M6 15H1v-5"/></svg>';
    }
    this.fit();
    this.reset();
    this.listen();
    if (!active) active = this;
    if (box.getAttribute("data-auto-turn") === "1") this.setTurning(1);
    // The smaller levels after the first view is on screen.
    window.setTimeout(function () {
      addLevels(self.levels, self.height);
      self.redraw();
    }, 0);
  }

  Viewer.prototype.button = function (bar, label, title, action) {
    var button = element("button", "", bar);
    button.type = "button";
    button.textContent = label;
    button.title = title;
    button.setAttribute("aria-label", title);
    var self = this;
    button.addEventListener("click", function () { active = self; action(); });
    return button;
  };

  // The canvas at the device's pixels; true when its size changed.
  Viewer.prototype.fit = function () {
    var ratio = window.devicePixelRatio || 1;
    var width = Math.max(1, Math.round(this.box.clientWidth * ratio));
    var height = Math.max(1, Math.round(this.box.clientHeight * ratio));
    if (width === this.canvas.width && height === this.canvas.height) return false;
    this.canvas.width = width;
    this.canvas.height = height;
    return true;
  };

  // The focal length in canvas pixels.
  Viewer.prototype.focal = function () {
    return this.canvas.width / 2 / Math.tan((this.fov * DEG) / 2);
  };

  // The widest horizontal field: the view stays inside the picture's height (and the movie's
  // own limit), inside a partial panorama's angle, and at most WIDEST.
  Viewer.prototype.widest = function () {
    var aspect = this.canvas.width / this.canvas.height;
    var tangent = Math.min(this.half, Math.tan((this.maxVerticalFov * DEG) / 2)) * aspect;
    tangent = Math.min(tangent, Math.tan((WIDEST * DEG) / 2));
    if (!this.full) tangent = Math.min(tangent, Math.tan((this.angle * DEG) / 2));
    return (2 * Math.atan(tangent)) / DEG;
  };

  Viewer.prototype.narrowest = function () { return Math.min(NARROWEST, this.widest()); };

  // Keeps the view inside the picture: wraps a full circle, stops a partial one at its ends.
  Viewer.prototype.limit = function () {
    this.fov = clamp(this.fov, this.narrowest(), this.widest());
    var room = Math.max(0, this.half - this.canvas.height / 2 / this.focal());
    this.lift = clamp(this.lift, -room, room);
    if (this.full) {
      // Only a negative angle is moved up: adding 360 to every angle would round the pan
      // anew on each call, so a view at rest would drift by a last digit.
      this.pan %= 360;
      if (this.pan < 0) this.pan += 360;
    } else {
      var edge = this.fov / 2;
      var pan = clamp(this.pan, edge, this.angle - edge);
      if (pan !== this.pan && this.turning) this.turning = pan > this.pan ? 1 : -1;
      this.pan = pan;
    }
  };

  Viewer.prototype.reset = function () {
    this.pan = this.angle / 2;
    this.lift = 0;
    this.fov = START_FOV;
    if (this.startVerticalFov) {
      var aspect = this.canvas.width / this.canvas.height;
      this.fov = (2 * Math.atan(Math.tan((this.startVerticalFov * DEG) / 2) * aspect)) / DEG;
    }
    this.draw();
  };

  // Sets any of pan, fov and lift and draws at once.
  Viewer.prototype.setView = function (view) {
    for (var key in view) {
      if (key === "pan" || key === "fov" || key === "lift") this[key] = view[key];
    }
    this.draw();
  };

  Viewer.prototype.redraw = function () {
    if (this.pending) return;
    this.pending = true;
    var self = this;
    window.requestAnimationFrame(function () { if (self.pending) self.draw(); });
  };

  // Each canvas column shows one picture column scaled vertically about the horizon. Columns
  // near the view's centre change scale slowly, so a group of them is drawn at once where that
  // is off by at most ERROR pixels at the row farthest from the horizon (each drawImage costs
  // tens of microseconds in a browser drawing without a GPU: the groups halve the calls of a
  // wide view). The horizon and the verticals stay exact.
  Viewer.prototype.draw = function () {
    this.pending = false;
    this.limit();
    var canvas = this.canvas, context = this.context;
    var width = canvas.width, height = canvas.height;
    var focal = this.focal(), radius = this.radius, total = this.width;
    var centre = this.pan * DEG * radius;
    var top = this.lift * focal - height / 2;  // the top row's height above the horizon row
    var reach = Math.max(Math.abs(top), Math.abs(top + height), 1);
    var wanted = Math.log(radius / focal) / Math.LN2;
    var level = this.levels[clamp(Math.round(wanted), 0, this.levels.length - 1)];
    var scale = level.scale, sheets = level.sheets;
    context.imageSmoothingEnabled = true;
    context.imageSmoothingQuality = "low";
    for (var u = 0, n = 1; u < width; u += n) {
      var side = Math.abs(u - width / 2) + 1;
      n = clamp(Math.floor((2 * ERROR * (side * side + focal * focal)) / (side * reach)), 1, 64);
      n = Math.min(n, width - u);
      var left = centre + Math.atan((u - width / 2) / focal) * radius;
      var x = this.full ? ((left % total) + total) % total : left;
      var sheet = sheets[Math.min(sheets.length - 1, Math.floor(x / SHEET))];
      var sx = (x - sheet.origin) * scale;
      var sw = (centre + Math.atan((u + n - width / 2) / focal) * radius - left) * scale;
      if (n > 1 && sx + sw > sheet.canvas.width) {
        n = 1;
        sw = (centre + Math.atan((u + 1 - width / 2) / focal) * radius - left) * scale;
      }
      var middle = u + n / 2 - width / 2;
      var rows = radius / Math.sqrt(middle * middle + focal * focal);  // per canvas row
      var sh = height * rows * scale;
      var sy = clamp((this.height / 2 + top * rows) * scale, 0, this.height * scale - sh);
      context.drawImage(sheet.canvas, clamp(sx, 0, sheet.canvas.width - sw), sy, sw, sh, u, 0, n,
                        height);
    }
  };

  // Turns and lifts the view as if the picture point under the canvas point (x0, y0) were
  // dragged to (x1, y1): across the view it stays under the pointer.
  Viewer.prototype.dragBy = function (x0, y0, x1, y1) {
    var focal = this.focal(), middle = this.canvas.width / 2;
    this.pan += (Math.atan((x0 - middle) / focal) - Math.atan((x1 - middle) / focal)) / DEG;
    this.lift -= (y1 - y0) / focal;
    this.redraw();
  };

  // Zooms by `factor` (above 1 closer) about the canvas point (x, y), the centre when not given.
  // False when the zoom was already at its limit in that direction.
  Viewer.prototype.zoomBy = function (factor, x, y) {
    var limit = factor > 1 ? this.narrowest() : this.widest();
    if (Math.abs(this.fov - limit) < 1e-6) return false;
    var side = x === undefined ? 0 : x - this.canvas.width / 2;
    var rise = y === undefined ? 0 : y - this.canvas.height / 2;
    var before = this.focal();
    var aim = this.pan + Math.atan(side / before) / DEG, height = rise / before + this.lift;
    this.fov = (2 * Math.atan(Math.tan((this.fov * DEG) / 2) / factor)) / DEG;
    this.fov = clamp(this.fov, this.narrowest(), this.widest());
    var after = this.focal();
    this.pan = aim - Math.atan(side / after) / DEG;
    this.lift = height - rise / after;
    this.redraw();
    return true;
  };

  Viewer.prototype.setTurning = function (direction) {
    var wasTurning = this.turning;
    this.turning = direction;
    this.turnButton.setAttribute("aria-pressed", direction ? "true" : "false");
    if (!direction || wasTurning) return;
    var self = this, last = 0;
    var step = function (time) {
      if (!self.turning) return;
      if (last) {
        self.pan += (self.turning * 360 * Math.min((time - last) / 1000, 0.1)) / TURN_SECONDS;
        self.draw();
      }
      last = time;
      window.requestAnimationFrame(step);
    };
    window.requestAnimationFrame(step);
  };

  Viewer.prototype.toggleFullscreen = function () {
    var d = document;
    if (d.fullscreenElement || d.webkitFullscreenElement) {
      (d.exitFullscreen || d.webkitExitFullscreen).call(d);
    } else {
      var request = this.box.requestFullscreen || this.box.webkitRequestFullscreen;
      var result = request && request.call(this.box);
      if (result && result.catch) result.catch(function () {});
    }
  };

  // The keys act on the viewer last used, from anywhere on the page but a text field.
  Viewer.prototype.key = function (event) {
    var step = this.canvas.width / 20, middle = this.canvas.width / 2, self = this;
    var move = function (dx, dy) { self.dragBy(middle, 0, middle + dx, dy); };
    var keys = {
      ArrowLeft: function () { move(step, 0); },
      ArrowRight: function () { move(-step, 0); },
      ArrowUp: function () { move(0, step); },
      ArrowDown: function () { move(0, -step); },
      "+": function () { self.zoomBy(1.25); },
      "=": function () { self.zoomBy(1.25); },
      "-": function () { self.zoomBy(0.8); },
      Home: function () { self.reset(); },
      f: function () { self.toggleFullscreen(); },
      F: function () { self.toggleFullscreen(); }
    };
    if (!keys[event.key]) return;
    event.preventDefault();
    this.setTurning(0);
    keys[event.key]();
  };

  Viewer.prototype.listen = function () {
    var self = this, canvas = this.canvas, pointers = this.pointers, pinch = null;
    // A pointer's position in canvas pixels.
    var at = function (event) {
      var bounds = canvas.getBoundingClientRect(), ratio = canvas.width / bounds.width;
      return { x: (event.clientX - bounds.left) * ratio, y: (event.clientY - bounds.top) * ratio };
    };
    var spread = function () {
      var ids = Object.keys(pointers), a = pointers[ids[0]], b = pointers[ids[1]];
      return { distance: Math.hypot(a.x - b.x, a.y - b.y), x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 };
    };
    canvas.addEventListener("pointerdown", function (event) {
      active = self;
      self.setTurning(0);
      canvas.setPointerCapture(event.pointerId);
      canvas.classList.add("dragging");
      pointers[event.pointerId] = at(event);
      pinch = Object.keys(pointers).length === 2 ? spread() : null;
    });
    // One pointer drags the view; two pinch it: the point between them stays between them.
    canvas.addEventListener("pointermove", function (event) {
      var last = pointers[event.pointerId];
      if (!last) return;
      var now = at(event);
      pointers[event.pointerId] = now;
      if (pinch) {
        var apart = spread();
        self.dragBy(pinch.x, pinch.y, apart.x, apart.y);
        if (pinch.distance > 0 && apart.distance > 0) {
          self.zoomBy(apart.distance / pinch.distance, apart.x, apart.y);
        }
        pinch = apart;
      } else if (Object.keys(pointers).length === 1) {
        self.dragBy(last.x, last.y, now.x, now.y);
      }
    });
    var release = function (event) {
      delete pointers[event.pointerId];
      pinch = null;
      if (!Object.keys(pointers).length) canvas.classList.remove("dragging");
    };
    canvas.addEventListener("pointerup", release);
    canvas.addEventListener("pointercancel", release);
    canvas.addEventListener("dblclick", function () { self.toggleFullscreen(); });
    // The wheel zooms; at the zoom's limit it is left to the page, which then scrolls.
    canvas.addEventListener("wheel", function (event) {
      active = self;
      self.setTurning(0);
      var point = at(event);
      var factor = Math.pow(1.0015, -event.deltaY * (event.deltaMode ? 40 : 1));
      if (self.zoomBy(factor, point.x, point.y)) {
        event.preventDefault();
      }
    }, { passive: false });
    var resize = function () { if (self.fit()) self.draw(); };
    if (window.ResizeObserver) new ResizeObserver(resize).observe(this.box);
    window.addEventListener("resize", resize);
  };

  function keyListener(event) {
    var target = event.target;
    if (!active || event.ctrlKey || event.metaKey || event.altKey || target.isContentEditable ||
        /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName)) {
      return;
    }
    if (target.tagName === "BUTTON" && (event.key === " " || event.key === "Enter")) return;
    active.key(event);
  }

  function showNote(box, text) {
    element("div", "skylacer-note", box).textContent = text;
  }

  // aria-busy is true, and a loading indicator shown, until the panorama is drawn (or its
  // failure shown).
  function start(box) {
    box.setAttribute("aria-busy", "true");
    var loading = element("div", "skylacer-loading", box);
    loading.textContent = "Loading the panorama\u2026";
    var movie = box.getAttribute("data-movie") === "1";
    var source = movie ? window.SkylacerMovie.load(box) : loadPictures(box);
    source.then(function (picture) {
      box.viewer = new Viewer(box, picture);
    }, function (problem) {
      var note = box.querySelector(".skylacer-movie-note");
      if (note) note.hidden = false;
      else showNote(box, String(problem));
    }).then(function () {
      box.removeChild(loading);
      box.setAttribute("aria-busy", "false");
    });
  }

  function startAll() {
    addStyle();
    document.addEventListener("keydown", keyListener);
    var boxes = document.querySelectorAll(".skylacer-panorama");
    for (var i = 0; i < boxes.length; i++) start(boxes[i]);
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", startAll);
  else startAll();
})();
